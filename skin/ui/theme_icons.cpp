#include "skin/ui/theme_icons.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/bar_rules.h"
#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QDir>
#include <QIcon>
#include <QPainter>
#include <QStringList>

#include <map>
#include <string>
#include <tuple>

namespace {

// A disabled glyph: its grey lightened this far, at this share of its opacity.
constexpr int disabled_lighten_k = 96;
constexpr int disabled_alpha_percent = 55;
constexpr int fallback_fill_lighten_k = 140;
constexpr int plain_glyph = 1;

QStringList xdg_icon_folders()
{
    QStringList folders;
    folders << QDir::homePath() + "/.icons";
    QString data_home = qEnvironmentVariable("XDG_DATA_HOME");
    folders << (data_home.isEmpty() ? QDir::homePath() + "/.local/share" : data_home) + "/icons";
    QString data_dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (data_dirs.isEmpty())
        data_dirs = "/usr/local/share:/usr/share";
    for (const QString& dir : data_dirs.split(':', Qt::SkipEmptyParts))
        folders << dir + "/icons";
    // Where Debian installs the theme, also when XDG_DATA_DIRS leaves it out.
    folders << "/usr/share/icons";
    return folders;
}

QImage apply_look(QImage image, GlyphLook look)
{
    if (look != GlyphLook::disabled)
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb px = row[x];
            int alpha = qAlpha(px) * disabled_alpha_percent / 100;
            int grey = qGray(px);
            COLORREF light = lighten_colour(make_colorref(grey, grey, grey), disabled_lighten_k);
            row[x] = qRgba(colorref_red(light), colorref_green(light), colorref_blue(light), alpha);
        }
    }
    return image;
}

QRect centred_square(const QRect& rect)
{
    int side = std::min(rect.width(), rect.height());
    return QRect(rect.left() + (rect.width() - side) / 2, rect.top() + (rect.height() - side) / 2, side, side);
}

QImage fallback_glyph(int glyph, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    COLORREF ink = skin_word_value(skin_word::text);
    paint_skin_glyph(p, glyph, QRectF(centred_square(image.rect())), colorref_color(ink),
                     colorref_color(lighten_colour(ink, fallback_fill_lighten_k)));
    return image;
}

// Pictures by command, size, look and scheme (our glyphs take the scheme's colour).
std::map<std::tuple<int, int, int, int, int>, QImage>& picture_cache()
{
    static std::map<std::tuple<int, int, int, int, int>, QImage> cache;
    return cache;
}

QImage render_theme_glyph(const char* name, QSize size, GlyphLook look)
{
    if (!theme_has_icon(name))
        return QImage();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QRect square = centred_square(image.rect());
    QPixmap glyph = QIcon::fromTheme(QString::fromLatin1(name)).pixmap(square.size(), 1.0);
    if (glyph.isNull())
        return QImage();
    QPainter p(&image);
    // The engine may hand back less than asked for; keep it centred.
    p.drawPixmap(square.left() + (square.width() - glyph.width()) / 2, square.top() + (square.height() - glyph.height()) / 2,
                 glyph);
    p.end();
    return apply_look(image, look);
}

} // namespace

void install_theme_icons()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder : xdg_icon_folders())
        if (!paths.contains(folder) && QDir(folder).exists())
            paths << folder;
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(program_icon_theme);
    if (!QIcon::hasThemeIcon("edit-undo"))
        dbg_log("install_theme_icons: the icon theme %s was not found.\n", program_icon_theme);
}

bool theme_has_icon(const char* name)
{
    install_theme_icons();
    return name != nullptr && *name != 0 && QIcon::hasThemeIcon(QString::fromLatin1(name));
}

QImage theme_glyph(const char* name, QSize size, GlyphLook look)
{
    if (name == nullptr || size.isEmpty())
        return QImage();
    // Drawing a glyph from its SVG costs more than a paint should; the theme
    // does not change while the program runs.
    static std::map<std::tuple<std::string, int, int, int>, QImage> cache;
    auto key = std::make_tuple(std::string(name), size.width(), size.height(), static_cast<int>(look));
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    QImage glyph = render_theme_glyph(name, size, look);
    cache[key] = glyph;
    return glyph;
}


bool draw_theme_glyph(QPainter& p, const QRect& rect, const char* theme_name, int fallback, GlyphLook look)
{
    try {
        QImage glyph = theme_glyph(theme_name, rect.size(), look);
        bool from_theme = !glyph.isNull();
        if (!from_theme)
            glyph = apply_look(fallback_glyph(fallback, rect.size()), look);
        p.drawImage(rect.topLeft(), glyph);
        return from_theme;
    } catch (...) {
        dbg_log("exception in draw_theme_glyph.\n");
        return false;
    }
}

bool draw_command_picture(QPainter& p, const QRect& rect, int command_id, GlyphLook look)
{
    const CommandIcon* icon = command_icon(command_id);
    return draw_theme_glyph(p, rect, icon ? icon->theme_name : nullptr, icon ? icon->fallback_glyph : plain_glyph, look);
}

QImage command_picture(int command_id, QSize size, GlyphLook look)
{
    auto key = std::make_tuple(command_id, size.width(), size.height(), static_cast<int>(look), skin_table().current_index);
    auto& cache = picture_cache();
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        draw_command_picture(p, image.rect(), command_id, look);
    }
    cache[key] = image;
    return image;
}

QImage command_picture_on_face(const QImage& face, int command_id, GlyphLook look)
{
    QImage out = face.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    draw_command_picture(p, out.rect(), command_id, look);
    return out;
}
