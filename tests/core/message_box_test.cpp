#include "core/message_box.h"
#include "core/string_table.h"
#include "core/ui_text.h"

#include <gtest/gtest.h>
#include <thread>

TEST(MessageBox, ResultsFollowStyleAndHowTheBoxWasClosed)
{
    using B = MessageBoxButton;
    struct Case {
        int style;
        B pressed;
        int want;
    } cases[] = {
        { MB_STYLE_OK, B::first, IDOK },          { MB_STYLE_OK, B::escape, IDOK },
        { MB_STYLE_OK, B::caption_close, IDOK },  { MB_STYLE_OK_CANCEL, B::enter, IDOK },
        { MB_STYLE_OK_CANCEL, B::second, IDCANCEL }, { MB_STYLE_OK_CANCEL, B::escape, IDCANCEL },
        { MB_STYLE_YES_NO, B::first, IDYES },     { MB_STYLE_YES_NO, B::second, IDNO },
        { MB_STYLE_YES_NO, B::caption_close, IDNO },
    };
    for (const Case& c : cases)
        EXPECT_EQ(message_box_result(c.style, c.pressed), c.want) << c.style << " " << static_cast<int>(c.pressed);
    EXPECT_EQ(message_box_yes_no_cancel_result(B::yes), IDYES);
    EXPECT_EQ(message_box_yes_no_cancel_result(B::no), IDNO);
    EXPECT_EQ(message_box_yes_no_cancel_result(B::cancel), IDCANCEL);
    EXPECT_EQ(message_box_yes_no_cancel_result(B::caption_close), 0);
}

TEST(MessageBox, FunctionsShowTheirTextsWithTheirStyles)
{
    ScriptedMessageBoxes boxes;
    boxes.answer_with(MessageBoxButton::first);
    EXPECT_EQ(message_box_printf_yes_no("Delete %s?", "x"), IDYES);
    EXPECT_EQ(message_box_printf("%d files", 3), IDOK);
    EXPECT_EQ(message_box_id_style(33925, MB_STYLE_YES_NO), IDNO);
    EXPECT_EQ(message_box_id(1), IDOK);
    boxes.answer_with(MessageBoxButton::no);
    EXPECT_EQ(message_box_yes_no_cancel_id(33945), IDNO);

    auto shown = boxes.shown();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].text, "Delete x?");
    EXPECT_EQ(shown[0].style, MB_STYLE_YES_NO);
    EXPECT_EQ(shown[1].text, "3 files");
    EXPECT_EQ(shown[2].text, "Are you sure to delete this bitmap? This action can not be undo.");
    EXPECT_EQ(shown[3].text, "") << "an unknown id shows an empty box";
    EXPECT_EQ(shown[4].kind, MessageBoxKind::yes_no_cancel_box);
}

TEST(MessageBox, TextIsCutAt4095Characters)
{
    ScriptedMessageBoxes boxes;
    message_box_printf("%s", std::string(5000, 'a').c_str());
    EXPECT_EQ(boxes.texts().at(0).size(), 4095u);
}

TEST(MessageBox, FormatIsTranslatedBeforeFormatting)
{
    ScriptedMessageBoxes boxes;
    set_text_translator([](const char* s) { return std::string(s) == "%s left" ? std::string("%s 已离开") : std::string(s); });
    message_box_printf("%s left", "Ann");
    set_text_translator(nullptr);
    EXPECT_EQ(boxes.texts().at(0), "Ann 已离开");
}

TEST(MessageBox, WorkerThreadWaitsForItsAnswer)
{
    ScriptedMessageBoxes boxes;
    boxes.answer_with(MessageBoxButton::first);
    int result = 0;
    std::thread worker([&] { result = message_box_printf_yes_no("Reload?"); });
    worker.join();
    EXPECT_EQ(result, IDYES);
}

TEST(StringTable, HoldsTheProgramTexts)
{
    EXPECT_STREQ(string_table_text(34025), "WhiteBoard");
    EXPECT_EQ(string_table_text(12345), nullptr);
}
