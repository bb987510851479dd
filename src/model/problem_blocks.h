// The byte classes the problem finder reads a 64-byte block in: bit k of each mask is set when
// byte k of the block is of that class.
//
// Quotes and bytes above 0x7F are asked for first, since most blocks stop there; the field
// stops only where there are quotes, the UTF-8 classes only where there are high bytes, and
// those of three- and four-byte characters only where a byte begins one. SSE2 classifies
// sixteen bytes at a time; the portable classifier, byte by byte, is the reference it is held
// to and the reading of targets without SSE2.
#pragma once

#include <cstdint>

#include "model/record_scan.h"

namespace problem_blocks {

inline constexpr uint64_t BLOCK = 64;

// The classes of the bytes of three- and four-byte characters.
struct WideClasses {
    uint64_t lead3 = 0;    // E0..EF
    uint64_t lead4 = 0;    // F0..F4
    uint64_t e0 = 0;       // each of these four limits the byte after it
    uint64_t ed = 0;
    uint64_t f0 = 0;
    uint64_t f4 = 0;
    uint64_t below90 = 0;  // 80..8F
    uint64_t belowA0 = 0;  // 80..9F
    bool operator==(const WideClasses&) const = default;
};

class PortableClassifier {
public:
    // A block as the classifier reads it: here, where it lies.
    using Bytes = const unsigned char*;

    PortableClassifier(char delimiter, char quote)
        : delimiter_(static_cast<unsigned char>(delimiter)), quote_(static_cast<unsigned char>(quote)) {}

    Bytes load(const unsigned char* block) const { return block; }
    // Whether the block has no quote and no byte above 0x7F.
    bool plain(Bytes block) const {
        for (uint64_t k = 0; k < BLOCK; ++k) {
            if (block[k] == quote_ || block[k] >= 0x80) return false;
        }
        return true;
    }
    void quotesAndHigh(Bytes block, uint64_t& quotes, uint64_t& high) const {
        quotes = where(block, [&](unsigned char c) { return c == quote_; });
        high = where(block, [](unsigned char c) { return c >= 0x80; });
    }
    void stops(Bytes block, uint64_t& delimiters, uint64_t& breaks) const {
        delimiters = where(block, [&](unsigned char c) { return c == delimiter_; });
        breaks = where(block, [](unsigned char c) { return c == '\r' || c == '\n'; });
    }
    // Continuation bytes (80..BF) and the leads of two-byte characters (C2..DF).
    void narrow(Bytes block, uint64_t& continuations, uint64_t& lead2) const {
        continuations = where(block, [](unsigned char c) { return c >= 0x80 && c <= 0xBF; });
        lead2 = where(block, [](unsigned char c) { return c >= 0xC2 && c <= 0xDF; });
    }
    void wide(Bytes block, WideClasses& classes) const {
        classes.lead3 = where(block, [](unsigned char c) { return c >= 0xE0 && c <= 0xEF; });
        classes.lead4 = where(block, [](unsigned char c) { return c >= 0xF0 && c <= 0xF4; });
        classes.e0 = where(block, [](unsigned char c) { return c == 0xE0; });
        classes.ed = where(block, [](unsigned char c) { return c == 0xED; });
        classes.f0 = where(block, [](unsigned char c) { return c == 0xF0; });
        classes.f4 = where(block, [](unsigned char c) { return c == 0xF4; });
        classes.below90 = where(block, [](unsigned char c) { return c >= 0x80 && c <= 0x8F; });
        classes.belowA0 = where(block, [](unsigned char c) { return c >= 0x80 && c <= 0x9F; });
    }

private:
    template <class Test>
    static uint64_t where(Bytes block, Test test) {
        uint64_t mask = 0;
        for (uint64_t k = 0; k < BLOCK; ++k) {
            if (test(block[k])) mask |= uint64_t(1) << k;
        }
        return mask;
    }

    unsigned char delimiter_;
    unsigned char quote_;
};

#if TABULON_SSE2
// Bytes compared as signed: 80..FF are -128..-1, so a class of high bytes is a signed range.
class Sse2Classifier {
public:
    // The block's four sixteen-byte quarters, loaded once for every class asked for.
    struct Bytes {
        __m128i quarter[4];
    };

    Sse2Classifier(char delimiter, char quote) : delimiter_(_mm_set1_epi8(delimiter)), quote_(_mm_set1_epi8(quote)) {}

    Bytes load(const unsigned char* block) const {
        Bytes bytes;
        for (int q = 0; q < 4; ++q) {
            bytes.quarter[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * q));
        }
        return bytes;
    }
    bool plain(const Bytes& block) const {
        __m128i any = _mm_setzero_si128();
        for (const __m128i& quarter : block.quarter) {
            any = _mm_or_si128(any, _mm_or_si128(quarter, _mm_cmpeq_epi8(quarter, quote_)));
        }
        return _mm_movemask_epi8(any) == 0;
    }
    void quotesAndHigh(const Bytes& block, uint64_t& quotes, uint64_t& high) const {
        quotes = where(block, [&](__m128i x) { return _mm_cmpeq_epi8(x, quote_); });
        high = where(block, [](__m128i x) { return x; });
    }
    void stops(const Bytes& block, uint64_t& delimiters, uint64_t& breaks) const {
        delimiters = where(block, [&](__m128i x) { return _mm_cmpeq_epi8(x, delimiter_); });
        breaks = where(block, [](__m128i x) {
            return _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\n')));
        });
    }
    void narrow(const Bytes& block, uint64_t& continuations, uint64_t& lead2) const {
        continuations = where(block, [](__m128i x) { return below(x, 0xC0); });
        lead2 = where(block, [](__m128i x) { return between(x, 0xC2, 0xDF); });
    }
    void wide(const Bytes& block, WideClasses& classes) const {
        classes.lead3 = where(block, [](__m128i x) { return between(x, 0xE0, 0xEF); });
        classes.lead4 = where(block, [](__m128i x) { return between(x, 0xF0, 0xF4); });
        classes.e0 = where(block, [](__m128i x) { return _mm_cmpeq_epi8(x, byte(0xE0)); });
        classes.ed = where(block, [](__m128i x) { return _mm_cmpeq_epi8(x, byte(0xED)); });
        classes.f0 = where(block, [](__m128i x) { return _mm_cmpeq_epi8(x, byte(0xF0)); });
        classes.f4 = where(block, [](__m128i x) { return _mm_cmpeq_epi8(x, byte(0xF4)); });
        classes.below90 = where(block, [](__m128i x) { return below(x, 0x90); });
        classes.belowA0 = where(block, [](__m128i x) { return below(x, 0xA0); });
    }

private:
    // The mask of the bytes whose byte of test(quarter) has its top bit set.
    template <class Test>
    static uint64_t where(const Bytes& block, Test test) {
        return bits(test(block.quarter[0])) | bits(test(block.quarter[1])) << 16 | bits(test(block.quarter[2])) << 32 |
               bits(test(block.quarter[3])) << 48;
    }
    static uint64_t bits(__m128i hits) { return static_cast<uint32_t>(_mm_movemask_epi8(hits)); }
    static __m128i byte(unsigned value) { return _mm_set1_epi8(static_cast<char>(value)); }
    // The high bytes from 80 up to, not including, limit (a high byte).
    static __m128i below(__m128i bytes, unsigned limit) { return _mm_cmplt_epi8(bytes, byte(limit)); }
    // The high bytes from low to high, both included.
    static __m128i between(__m128i bytes, unsigned low, unsigned high) {
        return _mm_and_si128(_mm_cmpgt_epi8(bytes, byte(low - 1)), _mm_cmplt_epi8(bytes, byte(high + 1)));
    }

    __m128i delimiter_;
    __m128i quote_;
};
using BlockClassifier = Sse2Classifier;
#else
using BlockClassifier = PortableClassifier;
#endif

}  // namespace problem_blocks
