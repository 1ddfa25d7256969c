#include "core/ui/clipboard_file.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/ui/dib_image.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Formats from elsewhere that Qt has no type for travel under this name.
constexpr char numbered_format_prefix[] = "application/x-tamblo-clipboard-format-";

struct ClipRecord {
    uint32_t format = 0;
    QByteArray data;
};

void put_u32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(v >> (8 * i)));
}

uint32_t get_u32(const char* p)
{
    auto b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

std::vector<ClipRecord> records_of(const QMimeData& mime)
{
    std::vector<ClipRecord> records;
    if (mime.hasText()) {
        QString text = mime.text();
        QByteArray wide(reinterpret_cast<const char*>(text.utf16()), static_cast<qsizetype>(text.size()) * 2);
        wide.append(2, '\0');
        records.push_back({ CF_UNICODETEXT, wide });
        QByteArray narrow = text.toUtf8();
        narrow.append('\0');
        records.push_back({ CF_TEXT, narrow });
    }
    if (mime.hasImage()) {
        auto dib = qimage_to_dib(qvariant_cast<QImage>(mime.imageData()));
        if (dib)
            records.push_back({ CF_DIB, QByteArray(reinterpret_cast<const char*>(dib->bytes.data()), static_cast<qsizetype>(dib->bytes.size())) });
        else
            dbg_log("failed to lock memory in get clipboard data.\n");
    }
    uint32_t next_private = clipboard_private_first;
    for (const QString& format : mime.formats()) {
        if (format == "text/plain" || format == "application/x-qt-image")
            continue;
        QByteArray data = mime.data(format);
        if (format.startsWith(numbered_format_prefix)) {
            bool ok = false;
            uint32_t number = format.mid(static_cast<qsizetype>(std::strlen(numbered_format_prefix))).toUInt(&ok);
            if (ok) {
                records.push_back({ number, data });
                continue;
            }
        }
        QByteArray named = format.toUtf8();
        named.append('\0');
        named.append(data);
        records.push_back({ next_private++, named });
    }
    return records;
}

// Turns the records into what the clipboard will hold.
void mime_of(const std::vector<ClipRecord>& records, QMimeData& mime)
{
    QString narrow_text;
    bool have_wide = false, have_narrow = false;
    for (const ClipRecord& r : records) {
        if (r.format == CF_UNICODETEXT) {
            qsizetype chars = r.data.size() / 2;
            QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.data.constData()), chars);
            qsizetype end = text.indexOf(QChar(0));
            mime.setText(end < 0 ? text : text.left(end));
            have_wide = true;
        } else if (r.format == CF_TEXT) {
            narrow_text = QString::fromUtf8(r.data.constData(), qstrnlen(r.data.constData(), static_cast<uint>(r.data.size())));
            have_narrow = true;
        } else if (r.format == CF_DIB) {
            PackedDib dib;
            dib.bytes.assign(r.data.begin(), r.data.end());
            QImage image = dib.valid() ? dib_to_qimage(dib) : QImage();
            if (image.isNull())
                mime.setData(numbered_format_prefix + QString::number(r.format), r.data);
            else
                mime.setImageData(image);
        } else {
            qsizetype zero = r.data.indexOf('\0');
            QString name = zero > 0 && zero < 256 ? QString::fromUtf8(r.data.left(zero)) : QString();
            if (r.format >= clipboard_private_first && name.contains('/') && !name.contains(' '))
                mime.setData(name, r.data.mid(zero + 1));
            else
                mime.setData(numbered_format_prefix + QString::number(r.format), r.data);
        }
    }
    if (have_narrow && !have_wide)
        mime.setText(narrow_text);
}

} // namespace

int clipboard_save_to_file(const std::string& path)
{
    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) {
        dbg_log("failed to open clipboard in clipboard_save_to_file.\n");
        return -1;
    }
    const QMimeData* mime = clipboard->mimeData();
    if (!mime || mime->formats().isEmpty()) {
        message_box_printf("Clipboard is empty.");
        return 0;
    }
    std::vector<ClipRecord> records = records_of(*mime);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        dbg_log("failed to open %s in clipboard_save_to_file.\n", path.c_str());
        return -1;
    }
    QByteArray out(static_cast<qsizetype>(clipboard_file_head_len), '\0');
    std::memcpy(out.data(), clipboard_file_head, std::strlen(clipboard_file_head));
    for (const ClipRecord& r : records) {
        put_u32(out, r.format);
        put_u32(out, static_cast<uint32_t>(r.data.size()));
        out.append(r.data);
    }
    bool ok = std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), file) == static_cast<size_t>(out.size());
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        dbg_log("failed to write %s in clipboard_save_to_file.\n", path.c_str());
        return -1;
    }
    return 0;
}

int clipboard_load_from_file(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        dbg_log("failed to open %s in clipboard_load_from_file.\n", path.c_str());
        return -1;
    }
    QByteArray bytes;
    std::array<char, 65536> piece {};
    size_t got = 0;
    while ((got = std::fread(piece.data(), 1, piece.size(), file)) > 0)
        bytes.append(piece.data(), static_cast<qsizetype>(got));
    std::fclose(file);

    QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) {
        dbg_log("failed to open clipboard in clipboard_load_from_file.\n");
        message_box_printf("failed to open clipboard in clipboard_loading.");
        return -1;
    }
    // The whole file is checked before the clipboard is touched, so a bad
    // file leaves what the user had.
    const size_t head_text_len = std::strlen(clipboard_file_head);
    if (static_cast<size_t>(bytes.size()) < clipboard_file_head_len
        || std::memcmp(bytes.constData(), clipboard_file_head, head_text_len) != 0 || bytes[static_cast<qsizetype>(head_text_len)] != '\0') {
        dbg_log("file format error in clipboard_load_from_file.\n");
        message_box_printf("file format error");
        return -1;
    }
    std::vector<ClipRecord> records;
    size_t at = clipboard_file_head_len;
    const size_t total = static_cast<size_t>(bytes.size());
    while (at < total) {
        if (total - at < 8) {
            dbg_log("truncated record in clipboard_load_from_file.\n");
            message_box_printf("file format error");
            return -1;
        }
        uint32_t format = get_u32(bytes.constData() + at);
        uint32_t size = get_u32(bytes.constData() + at + 4);
        at += 8;
        if (size > total - at) {
            dbg_log("truncated record in clipboard_load_from_file.\n");
            message_box_printf("file format error");
            return -1;
        }
        records.push_back({ format, bytes.mid(static_cast<qsizetype>(at), static_cast<qsizetype>(size)) });
        at += size;
    }
    auto mime = std::make_unique<QMimeData>();
    mime_of(records, *mime);
    clipboard->setMimeData(mime.release());
    return 0;
}
