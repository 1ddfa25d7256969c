#pragma once
// Pictures a user recognises: glyphs of the freedesktop icon theme the
// program installs, drawn over the skin's own painted faces. Where the theme
// lacks a name, one of our own painted glyphs stands in, so a picture is
// always drawn. UI thread only.

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

inline constexpr const char* program_icon_theme = "breeze";

// Makes QIcon::fromTheme read the program's theme whatever the desktop is:
// sets the theme name and puts the icon folders of the XDG data folders on
// the search path (the offscreen and plain X11 platforms give none). The
// functions below call it themselves; later calls do nothing.
void install_theme_icons();

// True when the theme has exactly this name, not only a shorter one it
// would fall back to ("edit-undo" for "edit-undo-all").
bool theme_has_icon(const char* name);

// normal and hot are the theme's own colours; disabled is grey and faded,
// so the face behind it shows through.
enum class GlyphLook { normal, hot, disabled };

// The theme's glyph for name, as large as fits size and centred on a
// transparent image of that size; a null image when the theme lacks it.
QImage theme_glyph(const char* name, QSize size, GlyphLook look = GlyphLook::normal);

// Draws into rect, over what is already there, the theme's glyph for
// theme_name, or else our glyph number fallback_glyph in the skin's text
// colour. theme_name may be nullptr. True when the theme's glyph was drawn.
bool draw_theme_glyph(QPainter& p, const QRect& rect, const char* theme_name, int fallback_glyph,
                      GlyphLook look = GlyphLook::normal);

// The same by command id, from the command's entry in command_icons(); a
// command without one gets a plain painted square.
bool draw_command_picture(QPainter& p, const QRect& rect, int command_id, GlyphLook look = GlyphLook::normal);

// The command's picture on a transparent image of size (an image list's entry).
QImage command_picture(int command_id, QSize size, GlyphLook look = GlyphLook::normal);

// The command's picture composited, centred, over a painted face (a status
// button's slice of the skin bitmap, say); the result has the face's size.
QImage command_picture_on_face(const QImage& face, int command_id, GlyphLook look = GlyphLook::normal);
