#pragma once
// Seeded random bytes for tests and benchmarks: the same seed, the same bytes.

#include <random>
#include <string>

inline std::string random_bytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(gen() & 0xff);
    return out;
}
