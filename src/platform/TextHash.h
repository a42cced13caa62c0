#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

// The hash of the page walk's and the crawl's tables of addresses: eight
// bytes at a time (an address costs a handful of multiplications where a
// general byte hash costs a hundred instructions), every bit of the result
// depending on every byte. The seed differs from process to process, so a
// page cannot be made to pile its addresses onto one slot.
class TTextHash {
public:
    static uint64_t Of(std::string_view text) {
        constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
        const char* p = text.data();
        size_t n = text.size();
        uint64_t h = Seed() ^ (n * kMul);
        auto mix = [&h](uint64_t word) {
            h = (h ^ word) * kMul;
            h ^= h >> 29;
        };
        if (n >= 8) {
            for (; n > 8; p += 8, n -= 8) mix(Load(p));
            mix(Load(p + n - 8)); // the last eight, overlapping what went before
        } else {
            uint64_t word = 0;
            for (size_t i = 0; i < n; ++i) word |= static_cast<uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
            mix(word);
        }
        // The finish of MurmurHash3: every bit of h reaches every bit.
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 33;
        return h;
    }

private:
    static uint64_t Load(const char* p) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        return word;
    }
    static uint64_t Seed() {
        static const uint64_t seed = MakeSeed();
        return seed;
    }
    static uint64_t MakeSeed();
};
