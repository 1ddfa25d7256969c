#include "skin/ui/my_status_bar.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/sound_levels.h"
#include "core/window_messages.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/wnd_my_slider_mic.h"
#include "skin/ui/wnd_my_slider_speaker.h"
#include "skin/ui/wnd_sound_level.h"
#include "skin/ui/wnd_status_button.h"
#include "skin/ui/wnd_status_indicator.h"

#include <QEvent>
#include <QFontMetrics>

#include <algorithm>

CMyStatusBar* g_status_bar = nullptr;

namespace {

constexpr int minimum_bar_height = 22;
constexpr int erase_source_row = 100;
// Text sits in (left + 4, top + 2, right - 2, bottom).
constexpr int pane_text_left_px = 4;
constexpr int pane_text_right_px = 2;

// The tool tips say what each command does.
const char* command_tip(int command_id)
{
    switch (command_id) {
    case 0x8042: return "Take over Microphone";
    case 0x8025: return "Volume Control...";
    case 0x8087: return "Raise Hand";
    case 0x80b2: return "Net Speed Test";
    default: return "";
    }
}

} // namespace

// ---- CMyStatusBarCtrl -------------------------------------------------------

void CMyStatusBarCtrl::set_parts(int count)
{
    count = std::max(1, count);
    widths_.resize(static_cast<size_t>(count), 0);
    texts_.resize(static_cast<size_t>(count));
}

void CMyStatusBarCtrl::set_width(int index, int width_px)
{
    if (index >= 0 && index < part_count())
        widths_[static_cast<size_t>(index)] = std::max(0, width_px);
}

int CMyStatusBarCtrl::width(int index) const
{
    return index >= 0 && index < part_count() ? widths_[static_cast<size_t>(index)] : 0;
}

void CMyStatusBarCtrl::set_text(int index, const QString& text)
{
    if (index >= 0 && index < part_count())
        texts_[static_cast<size_t>(index)] = text;
}

QString CMyStatusBarCtrl::text(int index) const
{
    return index >= 0 && index < part_count() ? texts_[static_cast<size_t>(index)] : QString();
}

std::vector<PaneRect> CMyStatusBarCtrl::rects(int bar_width, int bar_height) const
{
    return status_pane_rects(widths_, bar_width, bar_height);
}

void CMyStatusBarCtrl::erase(GdiPainter& dc, int w, int h) const
{
    QPixmap band = skin_word_bitmap(skin_word::background_short);
    int rows = std::max(1, std::min(h, band.height() - erase_source_row));
    dc.stretch_blt(0, 0, w, h, band, 0, erase_source_row, 1, rows);
}

// ---- CMyStatusBar -------------------------------------------------------------

CMyStatusBar::CMyStatusBar(QWidget* parent) : QStatusBar(parent)
{
    set_control_id(this, status_bar_id);
    setSizeGripEnabled(false);
    m_ctrl.set_parts(1);

    m_slider_mic = new CWndMySliderMic(this);
    set_control_id(m_slider_mic, mic_slider_id);
    m_slider_speaker = new CWndMySliderSpeaker(this);
    set_control_id(m_slider_speaker, speaker_slider_id);
    const int strip = static_cast<int>(skin_word_value(skin_word::status_buttons) & 0xffff);
    for (size_t i = 0; i < status_buttons.size(); ++i) {
        const StatusButtonInfo& info = status_buttons[i];
        CWndStatusButton* button = nullptr;
        if (info.child == StatusChild::light) {
            m_indicator = new CWndStatusIndicator(this);
            button = m_indicator;
        } else {
            button = new CWndStatusButton(this);
            m_buttons[i] = button;
        }
        button->set_bitmap(strip);
        button->set_image_pos(info.image_x, info.image_y);
        button->set_command_id(info.command_id);
        button->setToolTip(tr_ui(command_tip(info.command_id)));
        set_control_id(button, info.command_id);
    }
    m_sound_level[0] = new CWndSoundLevel(this);
    set_control_id(m_sound_level[0], mic_graph_id);
    m_sound_level[1] = new CWndSoundLevel(this);
    set_control_id(m_sound_level[1], speaker_graph_id);

    update_height();
    connect(this, &QStatusBar::messageChanged, this, [this] { update(); });

    g_status_bar = this;
    // Levels left from before the bar existed are old news.
    g_mic_sound_levels.skip_waiting();
    g_speaker_sound_levels.skip_waiting();
    g_status_bar_exists = 1;
    connect(&m_level_timer, &QTimer::timeout, this, &CMyStatusBar::take_levels);
    m_level_timer.start(status_bar_timer_ms);
}

CMyStatusBar::~CMyStatusBar()
{
    if (g_status_bar == this) {
        g_status_bar_exists = 0;
        g_status_bar = nullptr;
    }
}

void CMyStatusBar::set_indicators(int count)
{
    m_ctrl.set_parts(count);
    layout_children();
    update();
}

void CMyStatusBar::set_pane_width(int index, int width_px)
{
    m_ctrl.set_width(index, width_px);
    layout_children();
    update();
}

void CMyStatusBar::set_pane_text(int index, const QString& text)
{
    QString before = m_ctrl.text(index);
    m_ctrl.set_text(index, text);
    if (index > 0 && QFontMetrics(font()).horizontalAdvance(before) != QFontMetrics(font()).horizontalAdvance(text))
        layout_children();
    update();
}

QString CMyStatusBar::pane_text(int index) const { return m_ctrl.text(index); }

std::vector<int> CMyStatusBar::pane_widths() const
{
    QFontMetrics fm(font());
    std::vector<int> widths;
    for (int i = 0; i < m_ctrl.part_count(); ++i) {
        int needed = fm.horizontalAdvance(m_ctrl.text(i)) + pane_text_left_px + pane_text_right_px + 2;
        widths.push_back(i == 0 ? 0 : std::max(m_ctrl.width(i), needed));
    }
    return widths;
}

PaneRect CMyStatusBar::pane_rect(int index) const
{
    std::vector<PaneRect> rects = status_pane_rects(pane_widths(), width(), height());
    return index >= 0 && index < static_cast<int>(rects.size()) ? rects[static_cast<size_t>(index)] : PaneRect {};
}

void CMyStatusBar::update_height()
{
    QFontMetrics fm(font());
    setFixedHeight(std::max(minimum_bar_height, status_bar_top_border_px + 2 + fm.height() + 3));
}

void CMyStatusBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        update_height();
        layout_children();
    }
    QStatusBar::changeEvent(event);
}

void CMyStatusBar::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    layout_children();
}

void CMyStatusBar::layout_children()
{
    const int x0 = status_x0(pane_rect(0).right);
    auto place = [x0](QWidget* w, StatusChild child) {
        ChildRect r = status_child_rect(child, x0);
        w->setGeometry(r.x, r.y, r.width, r.height);
        w->update();
    };
    place(m_slider_mic, StatusChild::mic_slider);
    place(m_sound_level[0], StatusChild::mic_graph);
    place(m_slider_speaker, StatusChild::speaker_slider);
    place(m_sound_level[1], StatusChild::speaker_graph);
    for (size_t i = 0; i < status_buttons.size(); ++i) {
        CWndStatusButton* button = status_buttons[i].child == StatusChild::light ? m_indicator : m_buttons[i];
        place(button, status_buttons[i].child);
        if (window_exists(WindowSlot::main_frame))
            button->set_target(WindowSlot::main_frame);
    }
}

void CMyStatusBar::take_levels()
{
    if (g_closing == 1)
        return;
    std::array<int16_t, SoundLevelRing::capacity> levels {};
    const std::array<SoundLevelRing*, 2> rings = { &g_mic_sound_levels, &g_speaker_sound_levels };
    for (size_t g = 0; g < rings.size(); ++g) {
        size_t n = rings[g]->take(levels.data(), levels.size());
        for (size_t i = 0; i < n; ++i)
            m_sound_level[g]->add_level(levels[i]);
    }
    m_indicator->refresh_light();
}

void CMyStatusBar::paintEvent(QPaintEvent*)
{
    try {
        // A new scheme reaches the small windows here.
        const int strip = static_cast<int>(skin_word_value(skin_word::status_buttons) & 0xffff);
        for (CWndStatusButton* button : m_buttons)
            button->set_bitmap(strip);
        m_indicator->set_bitmap(strip);

        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        m_ctrl.erase(dc, w, h);
        QPixmap band = skin_word_bitmap(skin_word::list_header_face);
        int rows = std::min(h, band.height());
        dc.stretch_blt(0, 0, w, rows, band, 0, 0, 1, rows);

        const COLORREF text_colour = skin_word_value(skin_word::text);
        const COLORREF outline = skin_word_value(skin_word::outline);
        const COLORREF inner = skin_word_value(skin_word::inner_border);
        std::vector<PaneRect> rects = status_pane_rects(pane_widths(), w, h);
        QFontMetrics fm(font());
        for (size_t i = 0; i < rects.size() && i < 3; ++i) {
            const PaneRect& r = rects[i];
            dc.select_pen(outline);
            dc.move_to(r.left + 1, r.top);
            dc.line_to(r.right, r.top);
            dc.select_pen(inner);
            dc.line_to(r.right, r.bottom);
            dc.select_pen(outline);
            dc.move_to(r.left + 1, r.bottom);
            dc.line_to(r.left + 1, r.top);

            QString text = i == 0 && !currentMessage().isEmpty() ? currentMessage() : m_ctrl.text(static_cast<int>(i));
            int right = r.right - pane_text_right_px;
            // Pane 0's text ends before the small windows, so its ellipsis shows.
            if (i == 0)
                right = std::min(right, status_children_left(status_x0(r.right)) - pane_text_right_px);
            QRect box(r.left + pane_text_left_px, r.top + 2, std::max(0, right - (r.left + pane_text_left_px)),
                      std::max(0, r.bottom - (r.top + 2)));
            text.replace('\n', ' ');
            dc.draw_text(fm.elidedText(text, Qt::ElideRight, box.width()), box,
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_colour);
        }
    } catch (...) {
        dbg_log("exception in CMyStatusBar::OnPaint.\n");
    }
}
