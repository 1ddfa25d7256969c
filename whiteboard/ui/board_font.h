#pragma once
// Board fonts travel and are stored as the 60 bytes of a Windows LOGFONT
// (height, width, escapement, orientation, weight as 32-bit words; italic,
// underline, strike-out, charset and four precision bytes; a 32-byte face
// name). Only this layer turns them into fonts.

#include "whiteboard/board_action.h"

#include <QFont>

// The font a record names. A face the system lacks falls back to the
// nearest one the system has; a zero height keeps the default size.
QFont board_logfont_to_qfont(const board_logfont& logfont);
// The record of a font: its pixel height as a negative character height, its
// weight 100-900, the face name cut to 31 bytes of whole UTF-8 characters.
board_logfont board_qfont_to_logfont(const QFont& font);

// The font of a font-table entry; the default font for an unused or
// out-of-range index. Cached per entry while its bytes stay the same.
QFont board_font_for_index(int font_index);
