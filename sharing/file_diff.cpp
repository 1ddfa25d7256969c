#include "sharing/file_diff.h"

#include "core/dbg_log.h"

#include <nettle/md4.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Signature {
    uint32_t value = 0;
    int32_t length = 0;
    uint32_t weak = 0;
    Md4Digest md4 {};
};

uint32_t read_u32(const uint8_t* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24)); }

void put_u32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

int32_t as_signed(uint8_t byte) { return static_cast<int8_t>(byte); }

// The signatures of the server's file, chained by weak checksum, later ones in front.
class SignatureTable {
public:
    void read(std::FILE* file)
    {
        heads_.assign(diff_chain_count, -1);
        uint8_t record[diff_signature_record_len];
        int read_count = 0;
        bool skipped_logged = false;
        while (read_count < diff_signature_limit) {
            size_t got = std::fread(record, 1, sizeof record, file);
            if (got == 0)
                return;
            if (got < sizeof record) {
                dbg_log("s_create_diff_file: the signature file ends inside a record of %d bytes.\n", static_cast<int>(got));
                return;
            }
            ++read_count;
            Signature s;
            s.value = read_u32(record);
            s.length = static_cast<int32_t>(read_u32(record + 4));
            s.weak = read_u32(record + 8);
            std::memcpy(s.md4.data(), record + 12, s.md4.size());
            // A copy drops the block's length from a window of 1000 bytes whose match began as late as byte 499.
            if (s.length < 1 || s.length > diff_block_len) {
                if (!skipped_logged)
                    dbg_log("s_create_diff_file: a signature of block length %d is left out.\n", s.length);
                skipped_logged = true;
                continue;
            }
            int index = static_cast<int>(signatures_.size());
            signatures_.push_back(s);
            size_t chain = diff_chain_of(s.weak);
            next_.push_back(heads_[chain]);
            heads_[chain] = index;
        }
        if (std::fgetc(file) != EOF)
            dbg_log("s_create_diff_file: more than %d signatures: the rest is left out.\n", diff_signature_limit);
    }

    // The first signature of the weak checksum's chain with that checksum and
    // the window's MD4 (computed once, and only when a checksum equals).
    const Signature* find(uint32_t weak, const uint8_t* window) const
    {
        bool have_md4 = false;
        Md4Digest md4 {};
        for (int s = heads_[diff_chain_of(weak)]; s >= 0; s = next_[static_cast<size_t>(s)]) {
            const Signature& sig = signatures_[static_cast<size_t>(s)];
            if (sig.weak != weak)
                continue;
            if (!have_md4) {
                md4 = diff_md4(window, diff_block_len);
                have_md4 = true;
            }
            if (sig.md4 == md4)
                return &sig;
        }
        return nullptr;
    }

private:
    std::vector<Signature> signatures_;
    std::vector<int> next_;
    std::vector<int> heads_;
};

class DiffWriter {
public:
    explicit DiffWriter(std::FILE* file) : file_(file) {}
    void literal(uint32_t position, const uint8_t* bytes, size_t count)
    {
        head(position, diff_kind_literal, static_cast<uint32_t>(count));
        std::fwrite(bytes, 1, count, file_);
    }
    void copy(uint32_t position, uint32_t value) { head(position, diff_kind_copy, value); }

private:
    void head(uint32_t position, int32_t kind, uint32_t value)
    {
        uint8_t record[diff_record_len];
        put_u32(record, position);
        put_u32(record + 4, static_cast<uint32_t>(kind));
        put_u32(record + 8, value);
        std::fwrite(record, 1, sizeof record, file_);
    }
    std::FILE* file_;
};

} // namespace

uint32_t diff_weak_checksum(const uint8_t* bytes, size_t n)
{
    uint32_t a = 0, b = 0;
    for (size_t i = 0; i < n; ++i) {
        uint32_t x = static_cast<uint32_t>(as_signed(bytes[i]));
        a += x;
        b += static_cast<uint32_t>(n - i) * x;
    }
    return (a & 0xFFFF) + (b << 16);
}

uint32_t diff_roll_checksum(uint32_t checksum, uint8_t old_first, uint8_t new_last)
{
    uint32_t x = static_cast<uint32_t>(as_signed(old_first));
    uint32_t y = static_cast<uint32_t>(as_signed(new_last));
    uint32_t a = (checksum & 0xFFFF) + y - x;
    uint32_t b = (checksum >> 16) - static_cast<uint32_t>(diff_block_len) * x + a;
    return (b << 16) | (a & 0xFFFF);
}

Md4Digest diff_md4(const uint8_t* bytes, size_t n)
{
    md4_ctx ctx;
    md4_init(&ctx);
    md4_update(&ctx, n, bytes);
    Md4Digest out {};
    md4_digest(&ctx, out.size(), out.data());
    return out;
}

int s_create_diff_file(const std::string& new_path, const std::string& diff_path, const std::string& signature_path)
{
    File diff(std::fopen(diff_path.c_str(), "wb"));
    File in(std::fopen(new_path.c_str(), "rb"));
    if (!in)
        in.reset(std::fopen(new_path.c_str(), "rb"));
    File signatures(std::fopen(signature_path.c_str(), "rb"));
    if (!diff || !in || !signatures) {
        dbg_log("can not open one file in s_create_diff_file\n");
        return -1;
    }
    SignatureTable table;
    table.read(signatures.get());
    signatures.reset();

    std::vector<char> out_buffer(256 * 1024);
    std::setvbuf(diff.get(), out_buffer.data(), _IOFBF, out_buffer.size());
    DiffWriter writer(diff.get());
    uint8_t window[diff_window_len];
    size_t valid = 0;
    uint32_t position = 0;  // bytes of the new file already described
    constexpr size_t block = diff_block_len;
    for (;;) {
        valid += std::fread(window + valid, 1, sizeof window - valid, in.get());
        if (valid < block) {
            // The file has ended: what is left goes as it is.
            if (valid > 0)
                writer.literal(position, window, valid);
            break;
        }
        size_t offsets = std::min(block, valid - block + 1);
        uint32_t weak = diff_weak_checksum(window, block);
        size_t dropped = 0;
        for (size_t k = 0; k < offsets && dropped == 0; ++k) {
            if (k > 0)
                weak = diff_roll_checksum(weak, window[k - 1], window[k + block - 1]);
            const Signature* match = table.find(weak, window + k);
            if (!match)
                continue;
            if (k > 0)
                writer.literal(position, window, k);
            position += static_cast<uint32_t>(k);
            writer.copy(position, match->value);
            position += static_cast<uint32_t>(match->length);
            dropped = k + static_cast<size_t>(match->length);
        }
        if (dropped == 0) {
            // Offsets past those tried would need bytes the file no longer has: none of them can match.
            writer.literal(position, window, block);
            position += static_cast<uint32_t>(block);
            dropped = block;
        }
        std::memmove(window, window + dropped, valid - dropped);
        valid -= dropped;
    }
    bool failed = std::ferror(in.get()) != 0;
    in.reset();
    failed = std::fflush(diff.get()) != 0 || std::ferror(diff.get()) != 0 || failed;
    diff.reset();
    if (failed) {
        dbg_log("read or write failed in s_create_diff_file\n");
        return -1;
    }
    return 0;
}

std::string make_diff_signatures(std::string_view file)
{
    std::string out;
    out.reserve((file.size() / diff_block_len + 1) * diff_signature_record_len);
    uint32_t index = 0;
    for (size_t at = 0; at < file.size(); at += diff_block_len, ++index) {
        size_t len = std::min<size_t>(diff_block_len, file.size() - at);
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(file.data() + at);
        uint8_t record[diff_signature_record_len];
        put_u32(record, index);
        put_u32(record + 4, static_cast<uint32_t>(len));
        put_u32(record + 8, diff_weak_checksum(bytes, len));
        Md4Digest md4 = diff_md4(bytes, len);
        std::memcpy(record + 12, md4.data(), md4.size());
        out.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    return out;
}

const char* diff_apply_result_text(DiffApplyResult result)
{
    switch (result) {
    case DiffApplyResult::ok: return "ok";
    case DiffApplyResult::cut_record: return "a record cut off";
    case DiffApplyResult::bad_kind: return "a record of no known kind";
    case DiffApplyResult::position_gap: return "a gap in the positions";
    case DiffApplyResult::unknown_block: return "a copy of an unknown block";
    case DiffApplyResult::literal_past_end: return "a literal past its data";
    case DiffApplyResult::too_large: return "over its size limit";
    }
    return "?";
}

DiffApplyResult apply_desk_diff(std::string_view base, std::string_view diff, std::string& out, size_t limit)
{
    out.clear();
    if (diff.size() > limit)
        return DiffApplyResult::too_large;
    const size_t block_count = (base.size() + diff_block_len - 1) / diff_block_len;
    size_t at = 0;
    DiffApplyResult result = DiffApplyResult::ok;
    while (at < diff.size() && result == DiffApplyResult::ok) {
        if (diff.size() - at < diff_record_len) {
            result = DiffApplyResult::cut_record;
            break;
        }
        const uint8_t* record = reinterpret_cast<const uint8_t*>(diff.data() + at);
        uint32_t position = read_u32(record);
        int32_t kind = static_cast<int32_t>(read_u32(record + 4));
        uint32_t value = read_u32(record + 8);
        at += diff_record_len;
        if (position != out.size()) {
            result = DiffApplyResult::position_gap;
        } else if (kind == diff_kind_copy) {
            if (value >= block_count) {
                result = DiffApplyResult::unknown_block;
            } else {
                size_t from = static_cast<size_t>(value) * diff_block_len;
                out.append(base.substr(from, diff_block_len));
            }
        } else if (kind == diff_kind_literal) {
            if (value > diff.size() - at) {
                result = DiffApplyResult::literal_past_end;
            } else {
                out.append(diff.substr(at, value));
                at += value;
            }
        } else {
            result = DiffApplyResult::bad_kind;
        }
        if (result == DiffApplyResult::ok && out.size() > limit)
            result = DiffApplyResult::too_large;
    }
    if (result != DiffApplyResult::ok)
        out.clear();
    return result;
}
