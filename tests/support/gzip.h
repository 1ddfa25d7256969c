#pragma once
// gzip in memory, as the server packs pictures and the program unpacks them.
// Users link zlib.

#include <string>
#include <zlib.h>

inline std::string gzip_of(const std::string& plain)
{
    std::string out(compressBound(static_cast<uLong>(plain.size())) + 64, '\0');
    z_stream z {};
    deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// "<bad>" when the bytes are no whole gzip stream.
inline std::string gunzip_of(const std::string& packed)
{
    std::string out;
    z_stream z {};
    inflateInit2(&z, 31);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    char piece[65536];
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(piece);
        z.avail_out = sizeof piece;
        result = inflate(&z, Z_NO_FLUSH);
        out.append(piece, sizeof piece - z.avail_out);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END ? out : std::string("<bad>");
}
