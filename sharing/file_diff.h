#pragma once
// The desktop picture's file difference, in the manner of rsync: the server
// sends block signatures of its copy (28-byte records: block value, block
// length, weak checksum, MD4), the client describes its own file against
// them as copy records (a block the server has) and literal records (bytes
// it lacks), and the server rebuilds the client's file from that. Every
// integer is 32-bit little-endian. No Qt and no sockets: the client and the
// server both link this.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int diff_block_len = 500;
inline constexpr size_t diff_window_len = 1000;
inline constexpr int diff_signature_limit = 20000;
inline constexpr size_t diff_chain_count = 65536;
inline constexpr size_t diff_signature_record_len = 28;
inline constexpr size_t diff_record_len = 12;
inline constexpr int32_t diff_kind_copy = 1;
inline constexpr int32_t diff_kind_literal = 2;

using Md4Digest = std::array<uint8_t, 16>;

// Weak checksum of n bytes taken as signed bytes: a = sum, b = sum of
// (n - i) * x(i); (a & 0xFFFF) + (b << 16).
uint32_t diff_weak_checksum(const uint8_t* bytes, size_t n);
// The checksum of a 500-byte window moved on by one byte: old_first leaves, new_last enters.
uint32_t diff_roll_checksum(uint32_t checksum, uint8_t old_first, uint8_t new_last);
// The hash chain a weak checksum lives in.
inline size_t diff_chain_of(uint32_t weak) { return ((weak >> 16) + weak) & 0xFFFF; }
Md4Digest diff_md4(const uint8_t* bytes, size_t n);

// Describes the file at new_path against the signatures at signature_path
// into diff_path. 0, or -1 when a file cannot be opened (the difference file
// is left empty when it could be created).
int s_create_diff_file(const std::string& new_path, const std::string& diff_path, const std::string& signature_path);

// The server's side: signatures of file in blocks of 500 bytes (the last one
// shorter), block value = block index.
std::string make_diff_signatures(std::string_view file);

enum class DiffApplyResult {
    ok,
    cut_record,       // a record or a literal's bytes cut off by the end
    bad_kind,         // neither copy nor literal
    position_gap,     // a record that does not begin where the bytes so far end
    unknown_block,    // a copy of a block the signatures did not have
    literal_past_end, // a literal longer than the bytes that follow it
    too_large,        // the difference or the file it rebuilds over the limit
};
inline constexpr size_t diff_apply_limit = 16u * 1024 * 1024;
const char* diff_apply_result_text(DiffApplyResult result);

// Rebuilds the client's file from its difference against base (the file the
// signatures were made of, block value = index) into out. Anything but ok
// leaves out empty.
DiffApplyResult apply_desk_diff(std::string_view base, std::string_view diff, std::string& out,
                                size_t limit = diff_apply_limit);
