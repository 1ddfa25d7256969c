#include "whiteboard/ui/board_font.h"

#include "core/text_util.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace {

constexpr size_t height_at = 0;
constexpr size_t weight_at = 16;
constexpr size_t italic_at = 20;
constexpr size_t underline_at = 21;
constexpr size_t strike_out_at = 22;
constexpr size_t charset_at = 23;
constexpr size_t face_at = 28;
constexpr size_t face_size = 32;
constexpr int max_pixel_size = 2000;

int32_t word_at(const board_logfont& f, size_t offset)
{
    int32_t v = 0;
    std::memcpy(&v, f.data() + offset, sizeof v);
    return v;
}

void set_word(board_logfont& f, size_t offset, int32_t v) { std::memcpy(f.data() + offset, &v, sizeof v); }

} // namespace

QFont board_logfont_to_qfont(const board_logfont& logfont)
{
    QFont font = QApplication::font();
    const char* face = reinterpret_cast<const char*>(logfont.data() + face_at);
    const size_t face_len = ::strnlen(face, face_size);
    if (face_len > 0)
        font.setFamilies({ QString::fromUtf8(face, static_cast<qsizetype>(face_len)) });
    const int64_t height = word_at(logfont, height_at);
    if (height < 0) {
        // A character height: the em size.
        font.setPixelSize(static_cast<int>(std::min<int64_t>(-height, max_pixel_size)));
    } else if (height > 0) {
        // A cell height: the em size that gives that line height.
        const int cell = static_cast<int>(std::min<int64_t>(height, max_pixel_size));
        font.setPixelSize(cell);
        const int line = QFontMetrics(font).height();
        if (line > 0)
            font.setPixelSize(std::max(1, cell * cell / line));
    }
    const int32_t weight = word_at(logfont, weight_at);
    if (weight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setItalic(logfont[italic_at] != 0);
    font.setUnderline(logfont[underline_at] != 0);
    font.setStrikeOut(logfont[strike_out_at] != 0);
    return font;
}

board_logfont board_qfont_to_logfont(const QFont& font)
{
    board_logfont f {};
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = QFontInfo(font).pixelSize();
    set_word(f, height_at, -std::max(1, pixels));
    set_word(f, weight_at, std::clamp(static_cast<int>(font.weight()), 100, 900));
    f[italic_at] = font.italic() ? 1 : 0;
    f[underline_at] = font.underline() ? 1 : 0;
    f[strike_out_at] = font.strikeOut() ? 1 : 0;
    f[charset_at] = 1;  // the default character set
    const std::string face = cut_copy(font.family().toStdString(), face_size - 1);
    std::memcpy(f.data() + face_at, face.data(), face.size());
    return f;
}

QFont board_font_for_index(int font_index)
{
    struct Cached {
        board_logfont bytes {};
        bool valid = false;
        QFont font;
    };
    static std::array<Cached, board_font_count> cache;
    if (font_index < 0 || font_index >= board_font_count)
        return QApplication::font();
    const board_font_entry& entry = g_board_font[static_cast<size_t>(font_index)];
    if (entry.used != 1)
        return QApplication::font();
    Cached& c = cache[static_cast<size_t>(font_index)];
    if (!c.valid || c.bytes != entry.logfont) {
        c.bytes = entry.logfont;
        c.font = board_logfont_to_qfont(entry.logfont);
        c.valid = true;
    }
    return c.font;
}
