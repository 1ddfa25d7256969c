#pragma once
// The main frame's skinned base: drawn caption with the company logo and three
// buttons, a width-2 frame in fixed colours, rounded top corners.

#include "core/window_messages.h"
#include "skin/ui/skinned_caption.h"

#include <QMainWindow>

#include <functional>

class CMyFrameWnd : public QMainWindow {
    Q_OBJECT
public:
    explicit CMyFrameWnd(QWidget* parent = nullptr);
    ~CMyFrameWnd() override;

    // Sets the window text and redraws the caption at once.
    void set_caption_text(const QString& text);
    intptr_t OnMyMsgLogoReady(uintptr_t wparam, intptr_t lparam);

    const CaptionButtonStates& button_states() const { return caption_->states; }
    CaptionController& caption() { return *caption_; }

    // Opens the company link; tests put their own here.
    static std::function<void(const QString&)> open_link;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class LogoTarget : public WindowTarget {
    public:
        explicit LogoTarget(CMyFrameWnd& frame) : frame_(frame) {}
        intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    private:
        CMyFrameWnd& frame_;
    };
    void on_logo_click(QPoint window_pos);

    CaptionController* caption_ = nullptr;
    LogoTarget logo_target_ { *this };
    WindowSlotBinding logo_slot_ { WindowSlot::logo_frame, &logo_target_ };
};
