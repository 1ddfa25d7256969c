// The address book's windows offscreen, as a user works them: the contact
// page of the Options sheet (opened from the main window), the add and edit
// dialogs, the group dialog and its name dialogs. What they do lands in
// "contact.txt" and "group.txt" of a private user folder byte for byte and
// shows again in a sheet made afresh. Their pictures in every scheme and
// both languages.

#include "core/message_box.h"
#include "core/ui_text.h"
#include "dialogs/contacts.h"
#include "dialogs/ui/dlg_contact.h"
#include "dialogs/ui/dlg_group_name.h"
#include "dialogs/ui/dlg_groups.h"
#include "dialogs/ui/options_sheet.h"
#include "dialogs/ui/prop_contact.h"
#include "media/ui/dlg_show_me.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_header_ctrl.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_property_sheet.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/modal_script.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using Lines = std::vector<std::string>;

bool wait_for(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }

void write_text(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

QString u8(const char* text) { return QString::fromUtf8(text); }

// n times the three bytes of one Chinese character.
std::string zhang(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "\xe5\xbc\xa0";
    return text;
}

// What a user does to put text in a field: select what is there and paste over it.
void paste_into(QLineEdit* edit, const QString& text)
{
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

void click(QWidget* dialog, int id) { dialog->findChild<CMyButton*>(QString("ctl_%1").arg(id))->click(); }

std::vector<QString> list_texts(CMyListCtrl* list, int column = 0)
{
    std::vector<QString> texts;
    for (int row = 0; row < list->item_count(); ++row)
        texts.push_back(list->item_text(row, column));
    return texts;
}

std::vector<QString> combo_texts(QComboBox* combo)
{
    std::vector<QString> texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.push_back(combo->itemText(i));
    return texts;
}

// A click on the row that shows text in its first column (twice: a double click).
void click_row(CMyListCtrl* list, const QString& text, bool twice = false)
{
    int row = 0;
    while (row < list->item_count() && list->item_text(row, 0) != text)
        ++row;
    ASSERT_LT(row, list->item_count()) << text.toStdString();
    QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void choose_group(QComboBox* combo, const QString& name)
{
    int index = combo->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    combo->setCurrentIndex(index);
}

struct ContactWindows : ::testing::Test {
    TempHome home;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<CMyPropertySheet> sheet;

    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        forget_tables();
    }
    void TearDown() override
    {
        sheet.reset();
        set_message_box_presenter(nullptr);
    }
    // What a fresh program holds before it reads the files.
    static void forget_tables()
    {
        contact_info.fill({});
        contact_group.fill({});
        contact_file_rest.clear();
        group_file_rest.clear();
    }
    // The Options sheet as the frame makes it, made afresh from the files.
    CPropContact* open()
    {
        sheet.reset();
        forget_tables();
        sheet.reset(make_options_sheet(nullptr, {}));
        sheet->show();
        QApplication::processEvents();
        return qobject_cast<CPropContact*>(sheet->GetPage(0));
    }
    std::string contacts() const { return read_file(contact_file_path()); }
    std::string groups() const { return read_file(group_file_path()); }
};

struct Typed {
    const char* email;
    const char* first;
    const char* last;
    const char* comment;
};

void type_contact(CDlgContact& d, const Typed& t)
{
    paste_into(d.email_edit(), u8(t.email));
    paste_into(d.first_name_edit(), u8(t.first));
    paste_into(d.last_name_edit(), u8(t.last));
    paste_into(d.comment_edit(), u8(t.comment));
}

} // namespace

// The way a user gets there: the main window's Options... shows the sheet on
// the contact page; a group and a contact made there are in the files, stay
// through the sheet's Cancel and show again when Options... is chosen anew.
TEST_F(ContactWindows, TheMainWindowsOptionsShowTheContactPageFirstAndWhatItAddsStays)
{
    CMainFrame frame;
    frame.resize(1000, 690);
    frame.show();
    ASSERT_TRUE(wait_for([&] { return frame.isVisible(); }));
    show_me_cancel();
    auto open_from_frame = [&]() -> CPropContact* {
        forget_tables();
        EXPECT_TRUE(frame.commands().trigger(cmd::options));
        CMyPropertySheet* shown = nullptr;
        EXPECT_TRUE(wait_for([&] {
            shown = frame.findChild<CMyPropertySheet*>();
            return shown && shown->isVisible();
        }));
        return shown ? qobject_cast<CPropContact*>(shown->GetActivePage()) : nullptr;
    };
    CPropContact* page = open_from_frame();
    ASSERT_NE(page, nullptr);
    CMyPropertySheet* shown = frame.findChild<CMyPropertySheet*>();
    EXPECT_EQ(shown->GetActiveIndex(), 0);
    EXPECT_EQ(page->caption().toStdString(), "Contact");
    EXPECT_EQ(page->template_id(), 107);
    EXPECT_EQ(page->contact_list()->header_ctrl()->count(), 3);
    EXPECT_EQ(combo_texts(page->group_combo()), std::vector<QString> { "All" });

    {
        ModalScript script({
            ModalScript::on<CDlgGroups>([](CDlgGroups& d) {
                d.add_button()->click();
                d.close_button()->click();
            }),
            ModalScript::on<CDlgGroupName>([](CDlgGroupName& d) {
                EXPECT_EQ(d.windowTitle().toStdString(), "Add Group");
                paste_into(d.name_edit(), u8("家人"));
                click(&d, IDOK);
            }),
        });
        page->edit_group_button()->click();
    }
    EXPECT_EQ(groups(), "1|家人\n");
    EXPECT_EQ(combo_texts(page->group_combo()), (std::vector<QString> { "All", u8("家人") }));

    {
        ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
            EXPECT_EQ(d.windowTitle().toStdString(), "Add Contact");
            EXPECT_EQ(d.group_combo()->currentText(), u8("家人"));
            type_contact(d, { "an@example.cn", "安", "李", "likes | bars" });
            click(&d, IDOK);
        }) });
        page->add_button()->click();
    }
    const std::string kept = "1|an@example.cn|安|李|likes | bars\n";
    EXPECT_EQ(contacts(), kept);
    EXPECT_EQ(list_texts(page->contact_list()), std::vector<QString> { u8("安 李") });

    shown->m_cancel->click();
    ASSERT_TRUE(wait_for([&] { return frame.findChild<CMyPropertySheet*>() == nullptr; }));
    EXPECT_EQ(contacts(), kept);
    EXPECT_EQ(groups(), "1|家人\n");

    page = open_from_frame();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(list_texts(page->contact_list(), 0), std::vector<QString> { u8("安 李") });
    EXPECT_EQ(list_texts(page->contact_list(), 1), std::vector<QString> { "an@example.cn" });
    EXPECT_EQ(list_texts(page->contact_list(), 2), std::vector<QString> { "likes | bars" });
    EXPECT_EQ(combo_texts(page->group_combo()), (std::vector<QString> { "All", u8("家人") }));
    frame.findChild<CMyPropertySheet*>()->m_ok->click();
    EXPECT_EQ(contacts(), kept);
    EXPECT_TRUE(boxes.texts().empty());
}

// What the add dialog stores of what was typed, and what it refuses: the
// refused dialog stays open with the text, and its Cancel writes nothing.
TEST_F(ContactWindows, AddedContactsLandInTheFileAsTypedOrAreRefused)
{
    const std::string before = "1|bo@x|Bo|Wu|\n";
    const std::string bar_or_break =
        "Email, first name and last name may not contain '|', and no field may contain a line break.";
    const std::string long_name = zhang(20);
    struct Case {
        const char* what;
        Typed typed;
        const char* group;  // chosen in the dialog; nullptr leaves the first
        std::string added;  // the line the file gains; empty: refused
    } cases[] = {
        { "UTF-8 names, '|' in the comment", { "an@example.cn", "安", "李", "likes | bars" }, "家人",
          "2|an@example.cn|安|李|likes | bars\n" },
        { "the first group unless another is chosen", { "cy@x", "Cy", "Ng", "" }, nullptr, "1|cy@x|Cy|Ng|\n" },
        { "nothing but an e-mail", { "only@x", "", "", "" }, "Work", "1|only@x|||\n" },
        // Pasted whole, the field keeps the characters that fit its 49 bytes.
        { "a first name past its limit", { "z@x", long_name.c_str(), "Z", "" }, nullptr,
          "1|z@x|" + zhang(16) + "|Z|\n" },
        { "'|' in the e-mail", { "a|b@x", "Ann", "Lee", "" }, nullptr, "" },
        { "'|' in the first name", { "a@x", "A|nn", "Lee", "" }, nullptr, "" },
        { "'|' in the last name", { "a@x", "Ann", "L|ee", "" }, nullptr, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome case_home;
        write_text(group_file_path(), "1|Work\n2|家人\n");
        write_text(contact_file_path(), before);
        const bool refused = c.added.empty();
        CPropContact* page = open();
        boxes.clear();
        {
            ModalScript script({ ModalScript::on<CDlgContact>([&](CDlgContact& d) {
                type_contact(d, c.typed);
                if (c.group)
                    choose_group(d.group_combo(), u8(c.group));
                click(&d, IDOK);
                if (d.isVisible()) {
                    EXPECT_EQ(d.first_name_edit()->text(), u8(c.typed.first));
                    click(&d, IDCANCEL);
                }
            }) });
            page->add_button()->click();
        }
        if (refused) {
            EXPECT_EQ(boxes.texts(), Lines { bar_or_break });
            EXPECT_EQ(contacts(), before);
        } else {
            EXPECT_TRUE(boxes.texts().empty());
            EXPECT_EQ(contacts(), before + c.added);
        }
        // A sheet made afresh shows what the file holds.
        page = open();
        EXPECT_EQ(page->contact_list()->item_count(), refused ? 1 : 2);
    }
}

// A line break cannot be typed into a field, but a paste brings one; the
// file would take it as the start of another contact, so it is refused.
TEST_F(ContactWindows, ALineBreakInAFieldIsRefusedAndCancelWritesNothing)
{
    write_text(contact_file_path(), "-1|bo@x|Bo|Wu|\n");
    CPropContact* page = open();
    ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
        type_contact(d, { "a@x", "Ann", "Lee", "" });
        paste_into(d.comment_edit(), "two\nlines");
        click(&d, IDOK);
        EXPECT_TRUE(d.isVisible());
        paste_into(d.comment_edit(), "one line");
        paste_into(d.last_name_edit(), "L\r");
        click(&d, IDOK);
        EXPECT_TRUE(d.isVisible());
        click(&d, IDCANCEL);
    }) });
    page->add_button()->click();
    const std::string refusal =
        "Email, first name and last name may not contain '|', and no field may contain a line break.";
    EXPECT_EQ(boxes.texts(), (Lines { refusal, refusal }));
    EXPECT_EQ(contacts(), "-1|bo@x|Bo|Wu|\n");
}

// The refusal in the user's language.
TEST_F(ContactWindows, TheRefusalIsShownInChinese)
{
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    QCoreApplication::installTranslator(&chinese);
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    CPropContact* page = open();
    {
        ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
            type_contact(d, { "a|b@x", "Ann", "Lee", "" });
            click(&d, IDOK);
            click(&d, IDCANCEL);
        }) });
        page->add_button()->click();
    }
    {
        ModalScript script({
            ModalScript::on<CDlgGroups>([](CDlgGroups& d) {
                d.add_button()->click();
                d.close_button()->click();
            }),
            ModalScript::on<CDlgGroupName>([](CDlgGroupName& d) {
                paste_into(d.name_edit(), "a\nb");
                click(&d, IDOK);
                click(&d, IDCANCEL);
            }),
        });
        page->edit_group_button()->click();
    }
    set_text_translator(nullptr);
    QCoreApplication::removeTranslator(&chinese);
    EXPECT_EQ(boxes.texts(), (Lines { "电子邮件、名和姓不能包含 '|'，任何一项都不能包含换行。", "分组名称不能包含换行。" }));
    EXPECT_FALSE(std::filesystem::exists(contact_file_path()));
    EXPECT_FALSE(std::filesystem::exists(group_file_path()));
}

// The group list shows one group or everyone; Edit fills the dialog from the
// contact and stores it back, Delete asks first; without a chosen row both say so.
TEST_F(ContactWindows, ContactsAreListedByGroupEditedAndDeletedInPlace)
{
    write_text(group_file_path(), "1|Work\n2|家人\n");
    write_text(contact_file_path(), "1|a@x|Ann|Lee|\n2|b@x|宝|王|\n-1|c@x|Cy|Orphan|no group\n");
    CPropContact* page = open();
    CMyListCtrl* list = page->contact_list();
    EXPECT_EQ(combo_texts(page->group_combo()), (std::vector<QString> { "All", "Work", u8("家人") }));
    struct Filter {
        const char* group;
        std::vector<QString> rows;
    } filters[] = {
        { "Work", { "Ann Lee" } },
        { "家人", { u8("宝 王") } },
        { "All", { "Ann Lee", u8("宝 王"), "Cy Orphan" } },
    };
    for (const Filter& f : filters) {
        choose_group(page->group_combo(), u8(f.group));
        EXPECT_EQ(list_texts(list), f.rows) << f.group;
    }

    page->edit_button()->click();
    page->delete_button()->click();
    EXPECT_EQ(boxes.texts(), (Lines { "Please select a contact to edit.", "Please select a contact to delete." }));

    {
        // A double click edits as Edit does.
        ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
            EXPECT_EQ(d.windowTitle().toStdString(), "Edit Contact");
            EXPECT_EQ(d.email_edit()->text(), "b@x");
            EXPECT_EQ(d.first_name_edit()->text(), u8("宝"));
            EXPECT_EQ(d.last_name_edit()->text(), u8("王"));
            EXPECT_EQ(d.group_combo()->currentText(), u8("家人"));
            choose_group(d.group_combo(), "Work");
            paste_into(d.comment_edit(), "moved");
            click(&d, IDOK);
        }) });
        click_row(list, u8("宝 王"), true);
    }
    EXPECT_EQ(contacts(), "1|a@x|Ann|Lee|\n1|b@x|宝|王|moved\n-1|c@x|Cy|Orphan|no group\n");
    choose_group(page->group_combo(), "Work");
    EXPECT_EQ(list_texts(list), (std::vector<QString> { "Ann Lee", u8("宝 王") }));

    {
        // A contact without a group keeps it: the dialog chooses none.
        choose_group(page->group_combo(), "All");
        ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
            EXPECT_EQ(d.group_combo()->currentIndex(), -1);
            paste_into(d.last_name_edit(), "Ng");
            click(&d, IDOK);
        }) });
        click_row(list, "Cy Orphan");
        page->edit_button()->click();
    }
    EXPECT_EQ(contacts(), "1|a@x|Ann|Lee|\n1|b@x|宝|王|moved\n-1|c@x|Cy|Ng|no group\n");

    {
        // Cancel in the edit dialog changes nothing.
        ModalScript script({ ModalScript::on<CDlgContact>([](CDlgContact& d) {
            paste_into(d.email_edit(), "changed@x");
            click(&d, IDCANCEL);
        }) });
        click_row(list, "Ann Lee");
        page->edit_button()->click();
    }
    boxes.clear();
    boxes.answer_with(MessageBoxButton::no);
    page->delete_button()->click();
    EXPECT_EQ(contacts(), "1|a@x|Ann|Lee|\n1|b@x|宝|王|moved\n-1|c@x|Cy|Ng|no group\n");
    boxes.answer_with(MessageBoxButton::yes);
    click_row(list, "Ann Lee");
    page->delete_button()->click();
    EXPECT_EQ(boxes.texts(), (Lines { "Are you sure to delete Ann Lee?", "Are you sure to delete Ann Lee?" }));
    EXPECT_EQ(contacts(), "1|b@x|宝|王|moved\n-1|c@x|Cy|Ng|no group\n");
    EXPECT_EQ(list_texts(list), (std::vector<QString> { u8("宝 王"), "Cy Ng" }));

    page = open();
    EXPECT_EQ(list_texts(page->contact_list()), (std::vector<QString> { u8("宝 王"), "Cy Ng" }));
}

// The table holds 200 contacts: the 200th is added, the 201st refused with
// its message after its dialog, and the file keeps the 200.
TEST_F(ContactWindows, TheTwoHundredthContactIsAddedAndTheNextRefused)
{
    std::string file;
    for (int i = 1; i < contact_count; ++i)
        file += "-1|p" + std::to_string(i) + "@x|P|" + std::to_string(i) + "|\n";
    write_text(contact_file_path(), file);
    CPropContact* page = open();
    ASSERT_EQ(page->contact_list()->item_count(), contact_count - 1);
    for (const char* name : { "Last", "Beyond" }) {
        ModalScript script({ ModalScript::on<CDlgContact>([name](CDlgContact& d) {
            EXPECT_EQ(d.group_combo()->count(), 0);
            type_contact(d, { "q@x", "Q", name, "" });
            click(&d, IDOK);
        }) });
        page->add_button()->click();
    }
    EXPECT_EQ(boxes.texts(), Lines { "Max contacts reached, can not add more." });
    EXPECT_EQ(contacts(), file + "-1|q@x|Q|Last|\n");
    EXPECT_EQ(page->contact_list()->item_count(), contact_count);
    EXPECT_EQ(open()->contact_list()->item_count(), contact_count);
}

// The group dialog: ids grow past the largest, 50 groups and no more, a
// rename, a group with members kept until its last member is deleted on the
// page, a line break refused; the page's list follows when it closes.
TEST_F(ContactWindows, GroupsAreAddedRenamedAndDeletedThroughTheGroupDialog)
{
    std::string file;
    for (int id = 1; id < group_count; ++id)
        file += std::to_string(id) + "|g" + std::to_string(id) + "\n";
    write_text(group_file_path(), file);
    write_text(contact_file_path(), "3|m@x|Mia|Member|\n");
    CPropContact* page = open();
    choose_group(page->group_combo(), "g3");
    auto add = [](const char* name) {
        return ModalScript::on<CDlgGroupName>([name](CDlgGroupName& d) {
            paste_into(d.name_edit(), u8(name));
            click(&d, IDOK);
        });
    };
    std::vector<ModalScript::Step> steps { ModalScript::on<CDlgGroups>([](CDlgGroups& d) {
        EXPECT_EQ(d.list()->item_count(), group_count - 1);
        d.edit_button()->click();
        d.delete_button()->click();
        d.add_button()->click();  // the 50th
        d.add_button()->click();  // the 51st
        d.add_button()->click();  // a line break
        click_row(d.list(), "g3");
        d.edit_button()->click();  // renamed
        d.delete_button()->click();  // has a member
        d.close_button()->click();
    }) };
    for (const char* name : { "fifty", "more" })
        steps.push_back(add(name));
    steps.push_back(ModalScript::on<CDlgGroupName>([](CDlgGroupName& d) {
        paste_into(d.name_edit(), "two\nlines");
        click(&d, IDOK);
        EXPECT_TRUE(d.isVisible());
        click(&d, IDCANCEL);
    }));
    steps.push_back(ModalScript::on<CDlgGroupName>([](CDlgGroupName& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Edit Group");
        EXPECT_EQ(d.name_edit()->text(), "g3");
        paste_into(d.name_edit(), u8("三组"));
        click(&d, IDOK);
    }));
    {
        ModalScript script(steps);
        page->edit_group_button()->click();
    }
    EXPECT_EQ(boxes.texts(), (Lines { "Please select a group to edit.", "Please select a group to delete.",
                                      "Max groups reached, can not add more.", "A group name may not contain a line break.",
                                      "There are members in 三组, please delete those members first." }));
    std::string renamed = file;
    renamed.replace(renamed.find("3|g3\n"), 5, "3|三组\n");
    EXPECT_EQ(groups(), renamed + "50|fifty\n");
    // The page kept the chosen group under its new name.
    EXPECT_EQ(page->group_combo()->currentText(), u8("三组"));
    EXPECT_EQ(page->group_combo()->count(), group_count + 1);
    EXPECT_EQ(list_texts(page->contact_list()), std::vector<QString> { "Mia Member" });

    // Its member deleted, the group goes; the page falls back to "All".
    boxes.clear();
    boxes.answer_with(MessageBoxButton::yes);
    boxes.answer_with(MessageBoxButton::yes);
    click_row(page->contact_list(), "Mia Member");
    page->delete_button()->click();
    EXPECT_EQ(contacts(), "");
    // Its group stays as it was.
    EXPECT_EQ(groups(), renamed + "50|fifty\n");
    {
        ModalScript script({ ModalScript::on<CDlgGroups>([](CDlgGroups& d) {
            click_row(d.list(), u8("三组"));
            d.delete_button()->click();
            EXPECT_EQ(d.list()->item_count(), group_count - 1);
            d.close_button()->click();
        }) });
        page->edit_group_button()->click();
    }
    EXPECT_EQ(boxes.texts(), (Lines { "Are you sure to delete Mia Member?", "Are you sure to delete 三组 ?" }));
    auto with_third = [&](const std::string& line) {
        std::string text = renamed;
        text.replace(text.find("3|三组\n"), std::string("3|三组\n").size(), line);
        return text + "50|fifty\n";
    };
    EXPECT_EQ(groups(), with_third(""));
    EXPECT_EQ(page->group_combo()->currentText(), "All");

    // A new group takes the freed place, with an id past the largest in use.
    {
        ModalScript script({
            ModalScript::on<CDlgGroups>([](CDlgGroups& d) {
                d.add_button()->click();
                d.close_button()->click();
            }),
            add("new"),
        });
        page->edit_group_button()->click();
    }
    EXPECT_EQ(groups(), with_third("51|new\n"));
    page = open();
    EXPECT_EQ(page->group_combo()->count(), group_count + 1);
    EXPECT_EQ(page->group_combo()->itemText(3).toStdString(), "new");
}

// Not compared: the page and every dialog in every scheme and both
// languages, for people to look at.
TEST_F(ContactWindows, Screenshots)
{
    write_text(group_file_path(), "1|Work\n2|家人\n");
    write_text(contact_file_path(),
               "1|ann.lee@example.com|Ann|Lee|Project lead, Friday meetings\n2|bao@example.cn|宝|王|表哥\n"
               "-1|cy@example.org|Cy|Ng|\n");
    const QString dir = screenshot_dir();
    auto save = [&](QWidget& w, const char* name, const QString& language, int scheme) {
        w.show();
        QApplication::processEvents();
        EXPECT_TRUE(render(w).save(QString("%1/%2_%3_scheme_%4.png").arg(dir, name, language).arg(scheme)));
    };
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CPropContact* page = open();
        click_row(page->contact_list(), u8("宝 王"));
        save(*sheet, "options_contact_page", language, scheme);
        sheet.reset();

        CDlgContact add;
        save(add, "contact_add_dlg", language, scheme);
        CDlgContact edit(contact_fields(0), nullptr);
        save(edit, "contact_edit_dlg", language, scheme);
        CDlgGroups groups_dlg;
        groups_dlg.show();
        click_row(groups_dlg.list(), "Work");
        save(groups_dlg, "groups_dlg", language, scheme);
        CDlgGroupName add_group_dlg;
        save(add_group_dlg, "group_add_dlg", language, scheme);
        CDlgGroupName edit_group_dlg("家人", nullptr);
        save(edit_group_dlg, "group_edit_dlg", language, scheme);
    }));
}
