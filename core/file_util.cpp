#include "core/file_util.h"

#include "core/dbg_log.h"
#include "core/message_box.h"

#include <zlib.h>

#include <array>
#include <sys/stat.h>

long long file_get_size(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        message_box_printf("get file size failed in file_get_size");
        return -1;
    }
    return static_cast<long long>(info.st_size);
}

int file_append_one_z_bmp_to_file(std::FILE* out, const std::string& path, long long size)
{
    if (size < 1)
        return -1;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        message_box_printf("file open failed in file_append_one_z_bmp_to_file");
        return -1;
    }
    std::array<char, 4096> piece {};
    long long left = size;
    int result = 0;
    while (left > 0) {
        size_t want = static_cast<size_t>(std::min<long long>(left, static_cast<long long>(piece.size())));
        size_t got = std::fread(piece.data(), 1, want, in);
        if (got == 0) {
            result = -3;
            break;
        }
        if (!out || std::fwrite(piece.data(), 1, got, out) != got) {
            result = -4;
            break;
        }
        left -= static_cast<long long>(got);
    }
    if (result == 0 && std::fgetc(in) != EOF)
        result = -2;
    std::fclose(in);
    return result;
}

int z_compress_file(const std::string& in_path, const std::string& out_path)
{
    if (in_path.size() > z_file_name_limit) {
        dbg_log("in_file_name too long in z_compress_file.\n");
        return -1;
    }
    if (out_path.size() > z_file_name_limit) {
        dbg_log("out_file_name too long in z_compress_file.\n");
        return -1;
    }
    std::FILE* in = std::fopen(in_path.c_str(), "rb");
    if (!in) {
        dbg_log("failed to open in_file %s in z_compress_fle\n", in_path.c_str());
        return -1;
    }
    gzFile out = gzopen(out_path.c_str(), "wb9");
    if (!out) {
        dbg_log("failed to open out_file %s in z_compress_fle\n", out_path.c_str());
        std::fclose(in);
        return -1;
    }
    std::array<char, 10000> piece {};
    int result = 0;
    size_t got = 0;
    while ((got = std::fread(piece.data(), 1, piece.size(), in)) > 0) {
        if (gzwrite(out, piece.data(), static_cast<unsigned>(got)) != static_cast<int>(got)) {
            dbg_log("write failed in z_compress_file.\n");
            result = -1;
            break;
        }
    }
    if (std::ferror(in))
        result = -1;
    std::fclose(in);
    if (gzclose(out) != Z_OK)
        result = -1;
    return result;
}

int z_uncompress_file(const std::string& in_path, const std::string& out_path, long long out_limit)
{
    if (in_path.size() > z_file_name_limit) {
        dbg_log("in_file_name too long in z_uncompress_file.\n");
        return -1;
    }
    if (out_path.size() > z_file_name_limit) {
        dbg_log("out_file_name too long in z_uncompress_file.\n");
        return -1;
    }
    gzFile in = gzopen(in_path.c_str(), "rb");
    if (!in) {
        message_box_printf("failed to open in_file in z_uncompress_file: %s", in_path.c_str());
        return -1;
    }
    std::FILE* out = std::fopen(out_path.c_str(), "wb");
    if (!out) {
        gzclose(in);
        message_box_printf("failed to open out_file in z_uncompress_file: %s", out_path.c_str());
        return -1;
    }
    std::array<char, 10000> piece {};
    int result = 0;
    int got = 0;
    long long written = 0;
    while ((got = gzread(in, piece.data(), static_cast<unsigned>(piece.size()))) > 0) {
        written += got;
        if (out_limit >= 0 && written > out_limit) {
            dbg_log("z_uncompress_file: %s uncompresses to more than %lld bytes\n", in_path.c_str(), out_limit);
            result = -1;
            break;
        }
        if (std::fwrite(piece.data(), 1, static_cast<size_t>(got), out) != static_cast<size_t>(got)) {
            result = -1;
            break;
        }
    }
    // A damaged or cut gzip file is a failure, not a short success.
    int gz_error = Z_OK;
    gzerror(in, &gz_error);
    if (got < 0 || (gz_error != Z_OK && gz_error != Z_STREAM_END)) {
        dbg_log("bad gzip data in z_uncompress_file: %s\n", in_path.c_str());
        result = -1;
    }
    gzclose(in);
    if (std::fclose(out) != 0)
        result = -1;
    if (result != 0 && out_limit >= 0)
        std::remove(out_path.c_str());
    return result;
}
