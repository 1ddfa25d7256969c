// The desktop picture's difference (s_create_diff_file) on a 10 MB file
// against the signatures of its old copy, beside librsync's delta with the
// same 500-byte blocks and MD4 on the same pairs: unchanged, 1% of the bytes
// changed at random, and all new. Both read their signatures and write their
// difference through files. Prints MB/s of each and the ratio; the target is
// at least half librsync's rate in each case.

#include "sharing/file_diff.h"
#include "tests/support/random_bytes.h"

#include <librsync.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>
#include <string>

namespace {

constexpr size_t file_len = 10 * 1000 * 1000;  // 20000 blocks: every one has its signature
constexpr int rounds = 3;

void write_file(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

template <class F>
double best_seconds(F run)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        run();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, s);
    }
    return best;
}

double ours(const std::string& dir)
{
    return best_seconds([&] {
        if (s_create_diff_file(dir + "/new", dir + "/diff", dir + "/sig") != 0) {
            std::fprintf(stderr, "s_create_diff_file failed\n");
            std::exit(1);
        }
    });
}

double librsync(const std::string& dir)
{
    return best_seconds([&] {
        std::FILE* sig = std::fopen((dir + "/rs_sig").c_str(), "rb");
        std::FILE* in = std::fopen((dir + "/new").c_str(), "rb");
        std::FILE* delta = std::fopen((dir + "/rs_delta").c_str(), "wb");
        rs_signature_t* sums = nullptr;
        if (!sig || !in || !delta || rs_loadsig_file(sig, &sums, nullptr) != RS_DONE || rs_build_hash_table(sums) != RS_DONE
            || rs_delta_file(sums, in, delta, nullptr) != RS_DONE) {
            std::fprintf(stderr, "librsync's delta failed\n");
            std::exit(1);
        }
        rs_free_sumset(sums);
        std::fclose(sig);
        std::fclose(in);
        std::fclose(delta);
    });
}

} // namespace

int main()
{
    rs_trace_set_level(RS_LOG_ERR);
    const std::string dir = std::filesystem::temp_directory_path().string() + "/tamblo_file_diff_bench_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    const std::string old_file = random_bytes(file_len, 1);
    write_file(dir + "/old", old_file);
    write_file(dir + "/sig", make_diff_signatures(old_file));
    {
        std::FILE* old_f = std::fopen((dir + "/old").c_str(), "rb");
        std::FILE* sig_f = std::fopen((dir + "/rs_sig").c_str(), "wb");
        if (!old_f || !sig_f || rs_sig_file(old_f, sig_f, diff_block_len, 16, RS_MD4_SIG_MAGIC, nullptr) != RS_DONE) {
            std::fprintf(stderr, "librsync's signature failed\n");
            return 1;
        }
        std::fclose(old_f);
        std::fclose(sig_f);
    }
    std::string changed = old_file;
    std::mt19937 gen(2);
    for (size_t i = 0; i < file_len / 100; ++i)
        changed[gen() % file_len] = static_cast<char>(gen());
    struct Pair {
        const char* name;
        std::string new_file;
    };
    const Pair pairs[] = { { "unchanged", old_file }, { "1% of bytes changed", changed }, { "all new", random_bytes(file_len, 3) } };
    std::printf("file difference of a %zu-byte file, 500-byte blocks, MD4; best of %d\n", file_len, rounds);
    std::printf("%-22s %12s %12s %8s %14s %14s\n", "pair", "ours MB/s", "librsync", "ratio", "ours bytes", "librsync bytes");
    bool all_met = true;
    for (const Pair& p : pairs) {
        write_file(dir + "/new", p.new_file);
        double a = ours(dir);
        double b = librsync(dir);
        double mb = static_cast<double>(file_len) / 1e6;
        double ratio = (mb / a) / (mb / b);
        all_met = all_met && ratio >= 0.5;
        std::printf("%-22s %12.1f %12.1f %8.2f %14ju %14ju\n", p.name, mb / a, mb / b, ratio,
                    static_cast<uintmax_t>(std::filesystem::file_size(dir + "/diff")),
                    static_cast<uintmax_t>(std::filesystem::file_size(dir + "/rs_delta")));
    }
    std::printf("target (at least half librsync's rate in each): %s\n", all_met ? "met" : "NOT met");
    std::filesystem::remove_all(dir);
    return 0;
}
