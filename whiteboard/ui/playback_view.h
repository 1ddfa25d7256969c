#pragma once
// The playback view: the fourth upper view, which shows the attendees'
// pictures of a recording played back, three to a row from (10, 10) at
// their own sizes over the views' background, 1600 x 1000 to scroll. The
// playback thread fills the picture slots and posts the repaint.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

#include <QImage>

#include <string>
#include <string_view>

class CMyStatic;
class CPlaybackCanvas;

inline constexpr int playback_view_width = 1600;
inline constexpr int playback_view_height = 1000;
inline constexpr int playback_caption_string = 34028;

class CFormRightUpper4 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper4(QWidget* parent = nullptr);

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // The picture slots (see PlaybackPictures).
    void clear_pictures();
    int add_picture(std::string_view name);
    int find_picture(std::string_view name) const;
    int picture_count() const;

    // The whole content as it paints: background and pictures, 1600 x 1000.
    QImage paint_buffer() const;
    CMyStatic* caption() const { return caption_; }

private:
    CPlaybackCanvas* canvas_ = nullptr;
    CMyStatic* caption_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::playback_view, this };
};
