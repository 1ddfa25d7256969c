#pragma once
// The roster's 16 x 16 pictures, painted at first use and kept: an attendee,
// the presenter and the chairman. They are the same in every scheme.

#include <QPixmap>

#include <vector>

inline constexpr int roster_icon_presenter = 181;
inline constexpr int roster_icon_chairman = 182;
inline constexpr int roster_icon_member = 183;

// A null pixmap for any other number.
QPixmap roster_icon(int icon_id);
// The roster's image list in its order: image 0 = 183, 1 = 181, 2 = 182.
std::vector<QPixmap> roster_image_list();
