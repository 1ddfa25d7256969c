#include "skin/ui/my_frame_wnd.h"

#include "core/dbg_log.h"
#include "core/company_logo.h"
#include "core/global_state.h"
#include "skin/ui/picture.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QUrl>

std::function<void(const QString&)> CMyFrameWnd::open_link = [](const QString& link) {
    QDesktopServices::openUrl(QUrl::fromUserInput(link));
};

CMyFrameWnd::CMyFrameWnd(QWidget* parent) : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setContentsMargins(4, drawn_caption_height_px + 1, 4, 4);
    caption_ = new CaptionController(this, CaptionController::Buttons { true, 4, 21, false }, [this](HitArea hit) {
        if (hit == HitArea::close) {
            g_closing = 1;
            close();
        } else if (hit == HitArea::maximise) {
            isMaximized() ? showNormal() : showMaximized();
        } else if (hit == HitArea::minimise) {
            showMinimized();
        }
    });
    // Installed after the caption's filter, so it sees a press first.
    installEventFilter(this);
}

CMyFrameWnd::~CMyFrameWnd() = default;

void CMyFrameWnd::set_caption_text(const QString& text)
{
    setWindowTitle(text);
    repaint(QRect(0, 0, width(), drawn_caption_height_px));
}

intptr_t CMyFrameWnd::LogoTarget::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (msg == WM_MY_MSG_LOGO_READY)
        return frame_.OnMyMsgLogoReady(wparam, lparam);
    return 0;
}

intptr_t CMyFrameWnd::OnMyMsgLogoReady(uintptr_t, intptr_t)
{
    // The download keeps the logo in the user folder.
    std::string path = company_logo_file_path();
    if (path.empty() || !g_company_logo.Load(QString::fromStdString(path)))
        dbg_log("OnMyMsgLogoReady can not load %s.\n", path.c_str());
    update(QRect(0, 0, width(), drawn_caption_height_px));
    return 0;
}

void CMyFrameWnd::on_logo_click(QPoint window_pos)
{
    bool over_logo = window_pos.x() >= 16 && window_pos.x() < 31 && window_pos.y() >= 4 && window_pos.y() < 19;
    std::string link = g_server_text_792.get();
    if (over_logo && link.size() >= 6 && open_link)
        open_link(QString::fromStdString(link));
}

bool CMyFrameWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton && caption_->hit_test(e->position().toPoint()) == HitArea::caption)
            on_logo_click(e->position().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMyFrameWnd::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    setMask(rounded_top_region(width(), height()));
}

void CMyFrameWnd::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::WindowStateChange
        || event->type() == QEvent::ActivationChange)
        update();
}

void CMyFrameWnd::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        paint_frame_wnd_caption(dc, width(), height(), windowTitle(), caption_->states, isMaximized());
    } catch (...) {
        dbg_log("exception in CMyFrameWnd::paintEvent.\n");
    }
}
