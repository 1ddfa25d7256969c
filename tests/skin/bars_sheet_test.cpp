// Not compared: the bars and menus in every scheme and both languages, for
// people to look at (build/screenshots/bars_sheet_scheme_<n>_<language>.png).
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_menu.h"
#include "skin/ui/my_property_page.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/my_rebar.h"
#include "skin/ui/my_splitter_wnd.h"
#include "skin/ui/my_static.h"
#include "skin/ui/my_tool_bar.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct BarSpec {
    int resource_id;
    std::vector<std::pair<int, const char*>> buttons;
};

// The main frame's three bars, and the full-screen bar's commands in one row.
const std::vector<BarSpec>& frame_bars()
{
    static const std::vector<BarSpec> bars = {
        { 161, { { 32834, "Take Over Microphone" }, { 32890, "Show me" } } },
        { 131, { { 32785, "Voice chat" }, { 32805, "Change speaker and microphone volume" }, { 32786, "Text chat" } } },
        { 144,
          { { 32810, "Connect to server" }, { 32812, "Connect to default server or reconnect" }, { 32811, "Disconnect from server" },
            { 32808, "Login" }, { 32809, "Logout" }, { 32806, "Meeting room" }, { 32820, "Enter rest room" },
            { 32817, "Start meeting" }, { 32818, "Stop meeting" } } },
    };
    return bars;
}

const std::vector<int>& full_screen_commands()
{
    static const std::vector<int> ids = { 32935, 32936, 32776, 32774, 32775, 32771, 32773, 32772, 32777, 32778, 32787,
                                          32788, 32789, 32790, 32791, 32796, 32797, 32800, 32801, 32802, 32804 };
    return ids;
}

CMyToolBar* make_bar(const BarSpec& spec)
{
    auto* bar = new CMyToolBar(spec.resource_id);
    std::vector<int> ids;
    for (auto [id, tip] : spec.buttons) {
        bar->add_button(id, static_cast<int>(ids.size()), tr_ui(tip));
        ids.push_back(id);
    }
    bar->set_image_lists(command_image_lists(ids));
    return bar;
}

QLabel* view(const char* text)
{
    auto* label = new QLabel(tr_ui(text));
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet("QLabel { background: white; color: #404040; }");
    return label;
}

void place(QPainter& p, QWidget& w, QPoint at)
{
    p.drawImage(at, render(w));
}

QImage bars_sheet()
{
    QImage sheet(720, 470, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&sheet);
    p.setPen(Qt::black);
    p.drawText(QPoint(8, 16), tr_ui(skin_scheme_name(skin_table().current_index)));

    // The rebar with hot, pressed, checked and disabled buttons.
    CMyRebar rebar(59392);
    std::vector<CMyToolBar*> bars;
    for (const BarSpec& spec : frame_bars())
        bars.push_back(make_bar(spec));
    for (CMyToolBar* bar : bars)
        rebar.add_band(bar);
    rebar.resize(700, rebar.sizeHint().height());
    rebar.show();
    for (int i = 0; i < 3; ++i)
        rebar.minimize_band(i);
    rebar.set_band_width(0, 60);
    bars[1]->set_checked(32785, true);
    bars[2]->set_enabled(32809, false);
    bars[2]->set_enabled(32818, false);
    QTest::mouseMove(bars[0], bars[0]->button_rect(32890).center());
    QTest::mousePress(bars[2], Qt::LeftButton, Qt::NoModifier, bars[2]->button_rect(32817).center());
    place(p, rebar, QPoint(10, 28));
    QTest::mouseRelease(bars[2], Qt::LeftButton, Qt::NoModifier, bars[2]->button_rect(32817).center());
    p.drawText(QPoint(10, 78), "hot: Show me; checked: Voice chat; pressed: Start meeting; disabled: Logout, Stop meeting");

    // A tool tip as it shows over a button.
    CMyToolBar* misc = bars[2];
    ToolTipRelay& tips = misc->tool_tips();
    QTest::mouseMove(misc, misc->button_rect(32812).center());
    if (QTest::qWaitFor([&] { return tips.tip_shown(); }, 3000))
        place(p, *tips.tip_window(), QPoint(10, 88));

    // Every picture of the full-screen bar's commands, normal and disabled.
    CMyToolBarCtrl all(1);
    for (size_t i = 0; i < full_screen_commands().size(); ++i)
        all.add_button(full_screen_commands()[i], static_cast<int>(i), "");
    all.set_image_lists(command_image_lists(full_screen_commands()));
    all.resize(all.sizeHint());
    all.show();
    place(p, all, QPoint(10, 122));
    for (int id : full_screen_commands())
        all.set_enabled(id, false);
    place(p, all, QPoint(10, 152));

    // The main frame's split: the left panel, and the shared view above the chat.
    CMySplitterWnd outer;
    outer.CreateStatic(1, 2);
    outer.CreateView(0, 0, view("Meeting room"), QSize(200, 100));
    auto* inner = new CMySplitterWnd;
    inner->CreateStatic(2, 1);
    inner->CreateView(0, 0, view("Show me"), QSize(100, 170));
    inner->CreateView(1, 0, view("Text chat"), QSize(100, 80));
    outer.CreateView(0, 1, inner, QSize(100, 100));
    outer.resize(700, 270);
    outer.show();
    place(p, outer, QPoint(10, 190));
    return sheet;
}

// A page like the skin options page, to show pages with controls on them.
CMyPropertyPage* skin_page()
{
    auto* page = new CMyPropertyPage(267, tr_ui("Choose Skin"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->addWidget(new CMyStatic(1187, tr_ui("Please choose a skin:")));
    auto* schemes = new CMyComboBox(1106);
    for (int i = 0; i < skin_filled_count; ++i)
        schemes->addItem(tr_ui(skin_scheme_name(i)));
    schemes->setCurrentIndex(skin_table().current_index);
    layout->addWidget(schemes);
    layout->addSpacing(16);
    layout->addWidget(new CMyStatic(1188, tr_ui("If your computer is slow, check this checkbox:")));
    auto* animation = new CMyCheckBox(1185, tr_ui("Do not show message animation"));
    animation->setChecked(true);
    layout->addWidget(animation);
    layout->addStretch(1);
    page->setMinimumSize(380, 220);
    return page;
}

QImage menus_sheet()
{
    QImage sheet(720, 420, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf4, 0xf4, 0xf4));
    QPainter p(&sheet);
    p.setPen(Qt::black);
    p.drawText(QPoint(8, 16), tr_ui(skin_scheme_name(skin_table().current_index)));

    CMyMenu bar;
    QMenu* board = bar.add_popup(tr_ui("WhiteBoard"));
    bar.add_popup(tr_ui("Edit"));
    bar.apply_background();
    QAction* connect = board->addAction(tr_ui("Connect to Server"));
    board->addAction(tr_ui("Reconnect to Server"));
    board->addAction(tr_ui("Disconnect from Server"))->setEnabled(false);
    board->addSeparator();
    QAction* offline = board->addAction(tr_ui("Work off line"));
    offline->setCheckable(true);
    offline->setChecked(true);
    auto* group = new QActionGroup(board);
    for (const char* text : { "Switch to Free Lance Mode", "Switch to Chairman control Mode" }) {
        QAction* a = board->addAction(tr_ui(text));
        a->setCheckable(true);
        group->addAction(a);
    }
    group->actions()[0]->setChecked(true);
    board->addSeparator();
    QMenu* view = board->addMenu(tr_ui("Toggle Full Screen"));
    view->addAction(tr_ui("Misc Bar"));
    board->addAction(tr_ui("Options..."));
    bar.resize(300, bar.sizeHint().height());
    bar.show();
    QPointF title = bar.actionGeometry(board->menuAction()).center();
    QMouseEvent hover(QEvent::MouseMove, title, bar.mapToGlobal(title), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &hover);
    place(p, bar, QPoint(10, 26));
    board->popup(QPoint(0, 0));
    board->setActiveAction(connect);
    place(p, *board, QPoint(10, 26 + bar.height()));
    board->hide();

    CMyPropertySheet options(tr_ui("Options..."), nullptr, 3);
    options.AddPage(new CMyPropertyPage(107, tr_ui("Contact")));
    options.AddPage(new CMyPropertyPage(170, tr_ui("Proxy Settings")));
    options.AddPage(new CMyPropertyPage(185, tr_ui("Video & audio")));
    CMyPropertyPage* page = skin_page();
    options.AddPage(page);
    options.show();
    page->SetModified();
    place(p, options, QPoint(sheet.width() - options.width() - 10, 26));
    options.done(0);
    return sheet;
}

} // namespace

TEST(BarsSheet, Screenshots)
{
    TempHome home;
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        for (int s = 0; s < skin_filled_count; ++s) {
            skin_table().select_skin(s);
            EXPECT_TRUE(bars_sheet().save(QString("%1/bars_sheet_scheme_%2_%3.png").arg(dir).arg(s).arg(language)));
            EXPECT_TRUE(menus_sheet().save(QString("%1/menus_sheet_scheme_%2_%3.png").arg(dir).arg(s).arg(language)));
        }
    }
    QCoreApplication::removeTranslator(&chinese);
    skin_table().select_skin(0);
}
