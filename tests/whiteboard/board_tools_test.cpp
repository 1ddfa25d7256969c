// The tool dialogs, pictures put on a page, and printing a page to PDF read
// back with poppler.

#include "core/bitmap_file.h"
#include "core/message_box.h"
#include "core/string_table.h"
#include "core/ui/dib_image.h"
#include "platform/ui/control_id.h"
#include "skin/ui/my_edit.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_tool_values.h"
#include "whiteboard/ui/board_paint.h"
#include "whiteboard/ui/board_pictures.h"
#include "whiteboard/ui/board_print.h"
#include "whiteboard/ui/print_scale_dlg.h"
#include "whiteboard/ui/tool_width_dlg.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(BoardToolValues, WidthsAndPrintScaleAreCheckedAsTyped)
{
    struct Width { const char* text; int max; bool accepted; int value; };
    for (Width c : { Width { "0", 50, false, 0 }, { "51", 50, false, 0 }, { "50", 50, true, 50 }, { "1", 50, true, 1 },
                     { " 7", 50, true, 7 }, { "12abc", 50, true, 12 }, { "abc", 50, false, 0 }, { "", 50, false, 0 },
                     { "-3", 50, false, 0 }, { "100", 100, true, 100 }, { "101", 100, false, 0 },
                     { "0000000040000", 100, true, 4 } }) {  // nine characters are read
        ToolValueCheck check = board_check_width(c.text, c.max, 42);
        EXPECT_EQ(check.accepted, c.accepted) << c.text;
        if (c.accepted)
            EXPECT_EQ(check.value, c.value) << c.text;
        else
            EXPECT_EQ(check.refusal_string_id, 42) << c.text;
    }
    struct Scale { const char* text; bool accepted; int refusal; const char* edit; };
    for (Scale c : { Scale { "5", true, 0, "5" }, { "50", true, 0, "50" }, { "7a", false, 33923, "7a" },
                     { "", false, 33923, "" }, { "-1", false, 33923, "-1" }, { "0", false, 33924, "1" },
                     { "60", false, 33924, "50" }, { "000000001", true, 0, "000000001" } }) {
        ToolValueCheck check = board_check_print_scale(c.text);
        EXPECT_EQ(check.accepted, c.accepted) << c.text;
        EXPECT_EQ(check.refusal_string_id, c.refusal) << c.text;
        EXPECT_EQ(check.edit_text, c.edit) << c.text;
    }
    struct Step { const char* shown; int delta; int want; };
    for (Step c : { Step { "1", -1, 1 }, { "1", 1, 2 }, { "50", 1, 50 }, { "7a", 1, 8 }, { "junk", 1, 6 } })
        EXPECT_EQ(board_print_scale_step(c.shown, c.delta), c.want) << c.shown;
}

class BoardTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        g_offline_board = 1;
        g_print_scale = 5;
    }
    void TearDown() override
    {
        g_offline_board = 0;
        board_model_free();
    }
    ScriptedMessageBoxes boxes;
};

// Types text into the dialog's edit and presses OK; true when it closed.
bool type_and_ok(Cgood_dlg& dlg, CMyEdit_no_scroll* edit, const QString& text)
{
    dlg.show();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QPushButton* ok = dlg.findChild<QPushButton*>(control_name(IDOK));
    EXPECT_NE(ok, nullptr);
    if (!ok)
        return false;
    QTest::mouseClick(ok, Qt::LeftButton);
    return !dlg.isVisible();
}

TEST_F(BoardTools, PenAndEraserWidthDialogsRefuseOutOfRangeAndStoreOnOk)
{
    g_current_board = 2;
    struct Case { bool pen; const char* text; bool closes; int stored; const char* message; };
    for (Case c : { Case { true, "0", false, 1, "Please enter an integer between 1 and 50." },
                    { true, "51", false, 1, "Please enter an integer between 1 and 50." },
                    { true, "50", true, 50, nullptr },
                    { false, "101", false, 40, "Please enter an integer between 1 and 100." },
                    { false, "100", true, 100, nullptr } }) {
        board_model_setup();
        g_current_board = 2;
        boxes.clear();
        std::unique_ptr<CDlgToolWidth> dlg;
        if (c.pen)
            dlg = std::make_unique<CDlgPenWidth>();
        else
            dlg = std::make_unique<CDlgEraserWidth>();
        dlg->show();
        EXPECT_EQ(dlg->edit()->text(), c.pen ? "1" : "40");  // the current value, "%d"
        EXPECT_EQ(type_and_ok(*dlg, dlg->edit(), c.text), c.closes) << c.text;
        EXPECT_EQ(c.pen ? g_board[2].pen_width : g_board[2].eraser_width, c.stored) << c.text;
        if (c.message)
            EXPECT_EQ(boxes.texts(), std::vector<std::string> { c.message });
        else
            EXPECT_TRUE(boxes.texts().empty());
        EXPECT_EQ(dlg->windowTitle(), c.pen ? "Set Pen Width" : "Set Eraser Width");
    }
}

TEST_F(BoardTools, PrintScaleDialogChecksDigitsBoundsAndSteps)
{
    CDlgPrintScale dlg;
    dlg.show();
    EXPECT_EQ(dlg.edit()->text(), "5");
    EXPECT_FALSE(type_and_ok(dlg, dlg.edit(), "7a"));
    EXPECT_FALSE(type_and_ok(dlg, dlg.edit(), "0"));
    EXPECT_EQ(dlg.edit()->text(), "1");
    QWidget* spin = reinterpret_cast<QWidget*>(dlg.spin());
    const QPoint up(spin->width() / 2, 2);
    const QPoint down(spin->width() / 2, spin->height() - 3);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, down);
    EXPECT_EQ(dlg.edit()->text(), "1");  // the down arrow at 1 keeps 1
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, up);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(dlg.edit()->text(), "3");  // each press counts
    EXPECT_FALSE(type_and_ok(dlg, dlg.edit(), "60"));
    EXPECT_EQ(dlg.edit()->text(), "50");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Please enter valid number.",
                                                          "Please enter a number between 1-50.",
                                                          "Please enter a number between 1-50." }));
    EXPECT_EQ(g_print_scale, 5);
    EXPECT_TRUE(type_and_ok(dlg, dlg.edit(), "7"));
    EXPECT_EQ(g_print_scale, 7);
}

QImage pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 5 % 256, y * 7 % 256, (x + y) % 256));
    return image;
}

std::string slot_path(int board, int slot)
{
    const bmp_slot& s = g_board[static_cast<size_t>(board)].bitmaps[static_cast<size_t>(slot)];
    return std::string(s.path.data(), ::strnlen(s.path.data(), s.path.size()));
}

TEST_F(BoardTools, PastedPicturesFillSlotsUntilTheTenthAndKeepTheirPixels)
{
    TempHome home;
    QGuiApplication::clipboard()->setImage(pattern(30, 20));
    ASSERT_EQ(board_paste_clipboard_bitmap(3, 100, 50), 0);
    const bmp_slot& s = g_board[3].bitmaps[0];
    EXPECT_EQ(s.used, 1u);
    EXPECT_EQ(s.x, 100);
    EXPECT_EQ(s.y, 50);
    EXPECT_EQ(slot_path(3, 0), home.user_folder() + "bmp/3/0.bmp");
    EXPECT_EQ(std::string(s.z_path.data()), home.user_folder() + "bmp/3/0");
    EXPECT_TRUE(file_exists(home.user_folder() + "bmp/3/0"));
    auto dib = dib_read_bmp_file(slot_path(3, 0));
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib_to_qimage(*dib).convertToFormat(QImage::Format_RGB32), pattern(30, 20));
    // Painted where it was put.
    QImage page = board_page_image(3);
    EXPECT_EQ(page.pixel(100 + 11, 50 + 3), pattern(30, 20).pixel(11, 3));

    for (int i = 1; i < board_bmp_count; ++i)
        ASSERT_EQ(board_paste_clipboard_bitmap(3, i, i), 0) << i;
    EXPECT_EQ(board_paste_clipboard_bitmap(3, 0, 0), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "No more bmps available on this board." });

    boxes.clear();
    QGuiApplication::clipboard()->setText("no picture");
    EXPECT_EQ(board_paste_clipboard_bitmap(4, 0, 0), -1);
    EXPECT_EQ(board_paste_bitmap_file(4, home.root() + "/missing.bmp", 0, 0), -1);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "No bitmap on the clipboard.", "Failed to read the picture file." }));
    EXPECT_EQ(g_board[4].bitmaps[0].used, 0u);
}

TEST_F(BoardTools, PageIsPrintedToPdfAtTheScaleWithItsText)
{
    TempHome home;
    g_current_board = 1;
    send_board_text(1, 40, 30, 0, "printed board text", 0, 0, 0);
    send_board_filled_rect(1, 0, 0, 0, 1590, 990, 1600, 1000, 1, 1);
    const std::string pdf = home.root() + "/page.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setFullPage(true);
    ASSERT_EQ(board_print_page(1, printer, 5), 0);

    ProgramRun info = run_program({ "/usr/bin/pdfinfo", pdf }, {}, {}, 20000);
    ASSERT_EQ(info.exit_status, 0) << info.output;
    EXPECT_NE(info.output.find("Pages:           1\n"), std::string::npos) << info.output;
    ProgramRun text = run_program({ "/usr/bin/pdftotext", pdf, "-" }, {}, {}, 20000);
    ASSERT_EQ(text.exit_status, 0) << text.output;
    EXPECT_NE(text.output.find("printed board text"), std::string::npos) << text.output;

    // At 1200 dpi the page is 8000 x 5000 printer pixels: rendered at 120 dpi,
    // 800 x 500, its last board pixel (the black corner) ends there.
    ProgramRun png = run_program({ "/usr/bin/pdftoppm", "-r", "120", "-png", "-singlefile", pdf, home.root() + "/page" }, {}, {},
                                 60000);
    ASSERT_EQ(png.exit_status, 0) << png.output;
    QImage rendered(QString::fromStdString(home.root() + "/page.png"));
    ASSERT_FALSE(rendered.isNull());
    EXPECT_LT(qGray(rendered.pixel(798, 498)), 60);
    EXPECT_GT(qGray(rendered.pixel(803, 503)), 200);
    EXPECT_GT(qGray(rendered.pixel(790, 490)), 200);
}

} // namespace
