// Not compared: a sheet of the skinned lists and controls in every scheme and
// both languages, written as PNG files for people to look at.
#include "core/global_state.h"
#include "media/voice_state.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/my_slider_ctrl.h"
#include "skin/ui/my_spin_button_ctrl.h"
#include "skin/ui/my_static.h"
#include "skin/ui/my_tab_ctrl.h"
#include "skin/ui/roster_icons.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A page with the skin's dialog background.
class SheetPage : public QWidget {
public:
    void paintEvent(QPaintEvent*) override
    {
        GdiPainter dc(this);
        QPixmap background = skin_word_bitmap(height() < 301 ? skin_word::background_short : skin_word::background_tall);
        dc.stretch_blt(0, 0, width(), height(), background, 0, 0, 1, std::min(height(), background.height()));
    }
};

struct Member {
    const char* name;
    int id;
    int32_t flags;
};

const Member members[] = {
    { "Alice Chen", 501, 1 | 8 }, { "Bob", 502, 2 }, { "Carlos", 503, 4 }, { "Dana", 504, 0 },
    { "王伟", 505, 4 | 8 },       { "Erik", 506, 0 }, { "Fatima", 507, 0 }, { "Gus", 508, 0 },
};

QWidget* labelled(const char* label, QWidget* control)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(new CMyStatic(-1, tr_ui(label)));
    layout->addWidget(control);
    return box;
}

CMyListCtrlOwnerDraw* make_roster()
{
    auto* roster = new CMyListCtrlOwnerDraw(1026);
    insert_roster_columns(*roster);
    roster->set_image_list(roster_image_list());
    customer_info.fill(customer_info_record {});
    customer_view.fill(customer_view_record {});
    int slot = 0;
    for (const Member& m : members) {
        int row = roster->insert_item(roster->item_count(), QString::fromUtf8(m.name), roster_row_image(m.flags));
        roster->set_item_data(row, m.id);
        roster->set_item_text(row, 1, m.flags & 4 ? tr_ui("Hand Raised") : QString());
        roster->set_item_text(row, 2, m.id == 503 ? tr_ui("Private Voice Chat To") : QString());
        roster->set_item_text(row, 3, m.flags & 8 ? tr_ui("Talking") : QString());
        roster->set_item_text(row, 4, m.id == 506 ? tr_ui("Not Show") : tr_ui("Show"));
        auto& record = customer_info[static_cast<size_t>(slot++)];
        record.in_use = 1;
        record.customer_id = m.id;
        record.flags = m.flags;
    }
    customer_view[0].in_use = 1;
    customer_view[0].customer_id = 506;
    customer_view[0].show_video = 0;
    g_zoomed_customer_id = 502;
    g_private_voice_partner_id = 503;
    roster->set_item_selected(3, true);
    roster->setMinimumSize(500, 180);
    return roster;
}

CMyListCtrl* make_file_list()
{
    auto* files = new CMyListCtrl(1034);
    files->insert_column(0, tr_ui("File Name"), 150);
    files->insert_column(1, tr_ui("File Size"), 100);
    files->insert_column(2, tr_ui("Applications"), 160);
    for (int i = 0; i < 30; ++i) {
        int row = files->insert_item(i, QString("meeting_notes_%1.txt").arg(i));
        files->set_item_text(row, 1, QString::number(1024 * (i + 1)));
    }
    files->set_item_selected(2, true);
    files->setMinimumSize(300, 180);
    return files;
}

CMyListBox* make_server_list()
{
    auto* servers = new CMyListBox(1039);
    for (const char* name : { "Local server", "Conference A", "Conference B", "Training room" })
        servers->add_string(name);
    servers->set_cur_sel(1);
    servers->setMinimumSize(200, 120);
    return servers;
}

std::unique_ptr<QWidget> make_sheet()
{
    auto sheet = std::make_unique<SheetPage>();
    auto* grid = new QGridLayout(sheet.get());
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    grid->addWidget(labelled("Meeting Room", make_roster()), 0, 0, 1, 2);
    grid->addWidget(labelled("File Share", make_file_list()), 1, 0);
    grid->addWidget(labelled("Please choose a server to connect:", make_server_list()), 1, 1);
    return sheet;
}

CMyComboBox* make_combo(int id, std::initializer_list<const char*> entries, int chosen)
{
    auto* combo = new CMyComboBox(id);
    for (const char* entry : entries)
        combo->addItem(tr_ui(entry));
    combo->setCurrentIndex(chosen);
    return combo;
}

CMyTabCtrl* make_tabs(int id, std::initializer_list<const char*> texts, int chosen, int width)
{
    auto* tabs = new CMyTabCtrl(id);
    for (const char* text : texts)
        tabs->insert_item(tabs->item_count(), tr_ui(text));
    tabs->set_cur_sel(chosen);
    tabs->setFixedSize(width, tabs->row_height_px() + 40);
    return tabs;
}

std::unique_ptr<QWidget> make_controls_sheet()
{
    auto sheet = std::make_unique<SheetPage>();
    auto* grid = new QGridLayout(sheet.get());
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    grid->addWidget(labelled("Video quality", make_combo(1097, { "50", "60", "70", "80", "90", "100" }, 1)), 0, 0);
    grid->addWidget(labelled("Audio Quality", make_combo(1106, { "High", "Medium", "Low" }, 0)), 0, 1);
    grid->addWidget(labelled("Please choose a skin:",
                             make_combo(1107, { "Default Blue", "Orange", "Green", "Gray", "Pink", "Purple", "Red" },
                                        skin_table().current_index)),
                    0, 2);

    auto* address = new CMyIPAddressCtrl(1080);
    address->set_address(0xc0a80114u);
    grid->addWidget(labelled("Proxy IP:", address), 1, 0);
    auto* port_row = new QWidget;
    auto* port_layout = new QHBoxLayout(port_row);
    port_layout->setContentsMargins(0, 0, 0, 0);
    port_layout->setSpacing(0);
    auto* port = new CMyEdit_no_scroll(1079);
    port->setFixedWidth(60);
    auto* spin = new CMySpinButtonCtrl(1081);
    spin->set_range(1, 65535);
    spin->set_buddy(port);
    spin->set_pos(1080);
    spin->setFixedSize(16, port->sizeHint().height());
    port_layout->addWidget(port);
    port_layout->addWidget(spin);
    port_layout->addStretch();
    grid->addWidget(labelled("Proxy Port:", port_row), 1, 1);
    auto* slider = new CMySliderCtrl(1099);
    slider->setRange(50, 100);
    slider->setValue(70);
    grid->addWidget(labelled("Desktop Share Quality", slider), 1, 2);

    grid->addWidget(labelled("Meeting Room", make_tabs(1001, { "Meeting Room", "File Share", "Video" }, 1, 300)), 2, 0, 1, 2);
    grid->addWidget(labelled("Meeting Room Options",
                             make_tabs(1159, { "Contact", "Proxy Settings", "Video & audio", "Choose Skin", "Meeting Room Options" }, 0, 240)),
                    2, 2);
    return sheet;
}

struct ControlSheet : ::testing::Test {
    TempHome home;
    void TearDown() override
    {
        skin_table().select_skin(0);
        customer_info.fill(customer_info_record {});
        customer_view.fill(customer_view_record {});
        g_zoomed_customer_id = -1;
        g_private_voice_partner_id = -1;
    }
};

} // namespace

TEST_F(ControlSheet, Screenshots)
{
    const QString dir = screenshot_dir();
    EXPECT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        auto shot = [&](QWidget& widget, const char* name) {
            EXPECT_TRUE(render(widget).save(QString("%1/%2_%3_scheme_%4.png").arg(dir, name, language).arg(scheme)));
        };
        std::unique_ptr<QWidget> sheet = make_sheet();
        sheet->adjustSize();
        sheet->show();
        QApplication::processEvents();
        shot(*sheet, "lists");
        std::unique_ptr<QWidget> controls = make_controls_sheet();
        controls->adjustSize();
        controls->show();
        QApplication::processEvents();
        shot(*controls, "controls");
        // A list dropped down, as its own window.
        auto* combo = controls->findChild<CMyComboBox*>("ctl_1107");
        ASSERT_NE(combo, nullptr);
        combo->showPopup();
        QApplication::processEvents();
        shot(*combo->view()->window(), "combo_list");
        combo->hidePopup();
    }));
}
