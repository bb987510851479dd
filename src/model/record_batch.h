// The first pass of the block reading (record_blocks.h) over a batch of 64-byte blocks: the
// classes of the bytes as bit masks, and what they tell of record ends, field counts, quotes
// and bytes.
//
// The pass is compiled once for the processors the build targets and, in a file of its own,
// once more for processors with AVX2, chosen when a reading begins. So that the two copies
// never stand in for each other at link time, everything here but the two plain structures
// lies in a namespace of its own in each copy: the AVX2 file defines TABULON_BATCH_AVX2 before
// it includes this header.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

#include "model/record_scan.h"

#if TABULON_BATCH_AVX2
#include <immintrin.h>
#endif

namespace record_scan {

// What the first pass over a batch carries from block to block, as at a record start by
// default.
struct BlockState {
    uint64_t inside = 0;       // all ones when the next block starts inside quotes
    uint64_t opensAfter = 1;   // bit 0: a quote at the next block's first byte may open a field
    uint64_t closedAfter = 0;  // bit 0: the last block ended with a closing quote
    bool quotedLast = false;   // the last block had a quote, so the next batch likely has some
};

// What the first pass writes down of a batch for the second: where records end, the
// delimiters outside quotes, the bytes that note a record for its bytes.
struct Batch {
    static constexpr uint64_t BLOCKS = 32;
    uint64_t blocks = 0;    // classified; a stray quote ends the batch at its block
    uint64_t endCount = 0;
    bool stray = false;
    uint64_t oddAny = 0;    // all of odd together
    uint64_t delimiterMasks[BLOCKS];
    uint64_t delimitersBefore[BLOCKS + 1];  // counted from the batch's start
    uint64_t odd[BLOCKS];
    uint16_t ends[BLOCKS * 64];             // offsets in the batch
};

#if TABULON_BATCH_AVX2
namespace avx2 {
#else
inline namespace targeted {
#endif

// Bit k of each mask is set when byte k of the block is one of those bytes.
struct ByteMasks {
    uint64_t stops = 0;   // the delimiter, CR and LF
    uint64_t breaks = 0;  // CR and LF
    uint64_t quotes = 0;
    // Only when notes are asked for, and the last two only when high is not 0:
    uint64_t high = 0;           // 80..FF
    uint64_t continuations = 0;  // 80..BF
    uint64_t leads2 = 0;         // C2..DF
};

// Byte by byte, for the short block at the end of the text.
inline void classifyBytes(const unsigned char* bytes, uint64_t count, unsigned char delimiter,
                          unsigned char quote, ByteMasks& masks) {
    masks = ByteMasks();
    for (uint64_t i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        const uint64_t bit = uint64_t(1) << i;
        if (c == '\r' || c == '\n') masks.breaks |= bit;
        if (c == delimiter || c == '\r' || c == '\n') masks.stops |= bit;
        if (c == quote) masks.quotes |= bit;
        if (c >= 0x80) masks.high |= bit;
        if (c >= 0x80 && c <= 0xBF) masks.continuations |= bit;
        if (c >= 0xC2 && c <= 0xDF) masks.leads2 |= bit;
    }
}

// Eight bytes at a time in a 64-bit word, for targets without SSE2 (the 32-bit build).
class PortableClassifier {
public:
    PortableClassifier(char delimiter, char quote)
        : delimiter_(static_cast<unsigned char>(delimiter)), quote_(static_cast<unsigned char>(quote)) {}

    // Without notes, the classes of the bytes above 7F are left out.
    template <bool NOTES>
    void classify(const unsigned char* block, ByteMasks& masks) const {
        masks = ByteMasks();
        for (int i = 0; i < 64; i += 8) {
            uint64_t word = 0;
            for (int k = 0; k < 8; ++k) word |= uint64_t(block[i + k]) << (8 * k);
            const uint64_t breaks = equalBytes(word, '\r') | equalBytes(word, '\n');
            masks.breaks |= packHighBits(breaks) << i;
            masks.stops |= packHighBits(breaks | equalBytes(word, delimiter_)) << i;
            masks.quotes |= packHighBits(equalBytes(word, quote_)) << i;
            masks.high |= packHighBits(word & 0x8080808080808080ull) << i;
        }
        if (!NOTES || masks.high == 0) return;
        for (int k = 0; k < 64; ++k) {
            const unsigned char c = block[k];
            if (c >= 0x80 && c <= 0xBF) masks.continuations |= uint64_t(1) << k;
            if (c >= 0xC2 && c <= 0xDF) masks.leads2 |= uint64_t(1) << k;
        }
    }

private:
    unsigned char delimiter_;
    unsigned char quote_;
};

#if TABULON_SSE2
// Sixteen bytes at a time; nothing past SSE2.
class Sse2Classifier {
public:
    Sse2Classifier(char delimiter, char quote)
        : delimiter_(_mm_set1_epi8(delimiter)), quote_(_mm_set1_epi8(quote)), cr_(_mm_set1_epi8('\r')),
          lf_(_mm_set1_epi8('\n')) {}

    template <bool NOTES>
    void classify(const unsigned char* block, ByteMasks& masks) const {
        OddSet unseen = noOdd();
        classifyInto<NOTES, false>(block, masks, unseen);
    }

    // Looks for odd bytes in the block without telling where, as the AVX2 classifier does.
    static constexpr bool TELLS_ODD = true;
    using OddSet = __m128i;
    static OddSet noOdd() { return _mm_setzero_si128(); }
    void noteOdd(const unsigned char* block, OddSet& odd) const {
        const __m128i c0 = _mm_set1_epi8(static_cast<char>(0xC0));
        const __m128i be = _mm_set1_epi8(static_cast<char>(0xBE));
        const __m128i x9e = _mm_set1_epi8(static_cast<char>(0x9E));
        for (int at = 0; at < 64; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at - 1));
            const __m128i continuations = _mm_cmplt_epi8(bytes, c0);
            const __m128i leads = _mm_cmplt_epi8(_mm_add_epi8(bytes, be), x9e);
            const __m128i afterLeads = _mm_cmplt_epi8(_mm_add_epi8(before, be), x9e);
            const __m128i others = _mm_andnot_si128(_mm_or_si128(continuations, leads), bytes);
            odd = _mm_or_si128(odd, _mm_or_si128(_mm_xor_si128(afterLeads, continuations), others));
        }
    }
    static bool anyOdd(OddSet odd) { return _mm_movemask_epi8(odd) != 0; }
    // Classifies the block without notes, and adds its bytes to seen, in which anyOdd then
    // tells whether any byte seen is above 7F.
    void classifySeeing(const unsigned char* block, ByteMasks& masks, OddSet& seen) const {
        classifyInto<false, true>(block, masks, seen);
    }
    // Whether the block and the byte before it are all ASCII, so that it has no odd byte.
    static bool plain(const unsigned char* block) {
        __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block - 1));
        for (int at = 0; at < 64; at += 16) {
            all = _mm_or_si128(all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at)));
        }
        return _mm_movemask_epi8(all) == 0;
    }

private:
    static uint64_t bits(__m128i hits) { return static_cast<uint32_t>(_mm_movemask_epi8(hits)); }

    template <bool NOTES, bool SEEING>
    void classifyInto(const unsigned char* block, ByteMasks& masks, OddSet& seen) const {
        uint64_t breaks = 0, delimiters = 0, quotes = 0, high = 0;
        for (int at = 0; at < 64; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
            breaks |= bits(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr_), _mm_cmpeq_epi8(bytes, lf_))) << at;
            delimiters |= bits(_mm_cmpeq_epi8(bytes, delimiter_)) << at;
            quotes |= bits(_mm_cmpeq_epi8(bytes, quote_)) << at;
            high |= bits(bytes) << at;
            if (SEEING) seen = _mm_or_si128(seen, bytes);
        }
        masks.breaks = breaks;
        masks.stops = breaks | delimiters;
        masks.quotes = quotes;
        masks.high = high;
        if (!NOTES || high == 0) return;
        // Bytes compared as signed: 80..BF lie below C0; C2..DF, moved up by BE, are 80..9D.
        uint64_t continuations = 0, leads2 = 0;
        for (int at = 0; at < 64; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
            continuations |= bits(_mm_cmplt_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xC0)))) << at;
            leads2 |= bits(_mm_cmplt_epi8(_mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xBE))),
                                          _mm_set1_epi8(static_cast<char>(0x9E)))) << at;
        }
        masks.continuations = continuations;
        masks.leads2 = leads2;
    }

    __m128i delimiter_;
    __m128i quote_;
    __m128i cr_;
    __m128i lf_;
};
#endif

#if TABULON_BATCH_AVX2
// Thirty-two bytes at a time, for processors with AVX2 (chosen when the reading begins).
class Avx2Classifier {
public:
    Avx2Classifier(char delimiter, char quote)
        : delimiter_(_mm256_set1_epi8(delimiter)), quote_(_mm256_set1_epi8(quote)), cr_(_mm256_set1_epi8('\r')),
          lf_(_mm256_set1_epi8('\n')), c0_(_mm256_set1_epi8(static_cast<char>(0xC0))),
          be_(_mm256_set1_epi8(static_cast<char>(0xBE))), x9e_(_mm256_set1_epi8(static_cast<char>(0x9E))) {}

    template <bool NOTES>
    void classify(const unsigned char* block, ByteMasks& masks) const {
        OddSet unseen = noOdd();
        classifyInto<NOTES, false>(block, masks, unseen);
    }

    // Looks for odd bytes in the block without telling where: a continuation without a lead
    // just before, the byte after a lead and no continuation, a byte above 7F and neither.
    // The byte before the block is read too, so there must be one. takeOdd tells whether any
    // block since the last call had one.
    static constexpr bool TELLS_ODD = true;
    using OddSet = __m256i;
    static OddSet noOdd() { return _mm256_setzero_si256(); }
    void noteOdd(const unsigned char* block, OddSet& odd) const {
        for (int at = 0; at < 64; at += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + at));
            const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + at - 1));
            const __m256i continuations = _mm256_cmpgt_epi8(c0_, bytes);
            const __m256i leads = _mm256_cmpgt_epi8(x9e_, _mm256_add_epi8(bytes, be_));
            const __m256i afterLeads = _mm256_cmpgt_epi8(x9e_, _mm256_add_epi8(before, be_));
            const __m256i others = _mm256_andnot_si256(_mm256_or_si256(continuations, leads), bytes);
            odd = _mm256_or_si256(odd, _mm256_or_si256(_mm256_xor_si256(afterLeads, continuations), others));
        }
    }
    static bool anyOdd(OddSet odd) { return _mm256_movemask_epi8(odd) != 0; }
    // Classifies the block without notes, and adds its bytes to seen, in which anyOdd then
    // tells whether any byte seen is above 7F.
    void classifySeeing(const unsigned char* block, ByteMasks& masks, OddSet& seen) const {
        classifyInto<false, true>(block, masks, seen);
    }
    // Whether the block and the byte before it are all ASCII, so that it has no odd byte.
    static bool plain(const unsigned char* block) {
        const __m256i all = _mm256_or_si256(
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block)),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32))),
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block - 1)));
        return _mm256_testz_si256(all, _mm256_set1_epi8(-128)) != 0;
    }

private:
    static uint64_t bits(__m256i hits) { return static_cast<uint32_t>(_mm256_movemask_epi8(hits)); }

    template <bool NOTES, bool SEEING>
    void classifyInto(const unsigned char* block, ByteMasks& masks, OddSet& seen) const {
        uint64_t breaks = 0, delimiters = 0, quotes = 0, high = 0, continuations = 0, leads2 = 0;
        for (int at = 0; at < 64; at += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + at));
            breaks |= bits(_mm256_or_si256(_mm256_cmpeq_epi8(bytes, cr_), _mm256_cmpeq_epi8(bytes, lf_))) << at;
            delimiters |= bits(_mm256_cmpeq_epi8(bytes, delimiter_)) << at;
            quotes |= bits(_mm256_cmpeq_epi8(bytes, quote_)) << at;
            if (SEEING) seen = _mm256_or_si256(seen, bytes);
            if (!NOTES) continue;
            high |= bits(bytes) << at;
            // As signed bytes: 80..BF lie below C0; C2..DF, moved up by BE, are 80..9D.
            continuations |= bits(_mm256_cmpgt_epi8(c0_, bytes)) << at;
            leads2 |= bits(_mm256_cmpgt_epi8(x9e_, _mm256_add_epi8(bytes, be_))) << at;
        }
        masks.breaks = breaks;
        masks.stops = breaks | delimiters;
        masks.quotes = quotes;
        masks.high = high;
        masks.continuations = continuations;
        masks.leads2 = leads2;
    }

    __m256i delimiter_;
    __m256i quote_;
    __m256i cr_;
    __m256i lf_;
    __m256i c0_;
    __m256i be_;
    __m256i x9e_;
};
#endif

// Bit k of the result is the parity of bits 0 to k of x.
inline uint64_t runningParity(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// The number of set bits, without the population-count instruction, which SSE2 targets do not
// have (the library's fallback is a call).
inline uint64_t bitCount(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return (x * 0x0101010101010101ull) >> 56;
}

#if TABULON_BATCH_AVX2 && (defined(__GNUC__) || defined(__clang__))
// The processors with AVX2 count bits in one instruction.
inline void bitCounts(uint64_t a, uint64_t b, uint64_t& countA, uint64_t& countB) {
    countA = static_cast<uint64_t>(__builtin_popcountll(a));
    countB = static_cast<uint64_t>(__builtin_popcountll(b));
}
#elif TABULON_SSE2
// The set bits of a and of b, both at once in one register.
inline void bitCounts(uint64_t a, uint64_t b, uint64_t& countA, uint64_t& countB) {
    __m128i x = _mm_set_epi64x(static_cast<long long>(b), static_cast<long long>(a));
    const __m128i m1 = _mm_set1_epi8(0x55), m2 = _mm_set1_epi8(0x33), m4 = _mm_set1_epi8(0x0F);
    x = _mm_sub_epi8(x, _mm_and_si128(_mm_srli_epi64(x, 1), m1));
    x = _mm_add_epi8(_mm_and_si128(x, m2), _mm_and_si128(_mm_srli_epi64(x, 2), m2));
    x = _mm_and_si128(_mm_add_epi8(x, _mm_srli_epi64(x, 4)), m4);
    x = _mm_sad_epu8(x, _mm_setzero_si128());
    // Each count is in the low bits of its half; they fit the low 32.
    countA = static_cast<uint32_t>(_mm_cvtsi128_si32(x));
    countB = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(x, x)));
}
#else
inline void bitCounts(uint64_t a, uint64_t b, uint64_t& countA, uint64_t& countB) {
    countA = bitCount(a);
    countB = bitCount(b);
}
#endif

#if TABULON_BATCH_AVX2
using BlockClassifier = Avx2Classifier;
#elif TABULON_SSE2
using BlockClassifier = Sse2Classifier;
#else
using BlockClassifier = PortableClassifier;
#endif

// Whether a classifier looks for odd bytes a batch at a time (noOdd, noteOdd, anyOdd), and
// what it keeps meanwhile.
template <class Classifier, class = void>
struct TellsOdd {
    static constexpr bool value = false;
    struct OddSet {};
};
template <class Classifier>
struct TellsOdd<Classifier, decltype(void(Classifier::TELLS_ODD))> {
    static constexpr bool value = Classifier::TELLS_ODD;
    using OddSet = typename Classifier::OddSet;
};

// Whether the byte before offset b is a lead C2..DF.
inline uint64_t leadBefore(const unsigned char* bytes, uint64_t b) {
    return b > 0 && bytes[b - 1] >= 0xC2 && bytes[b - 1] <= 0xDF ? 1 : 0;
}

// Every byte above 7F must be a lead C2..DF or the continuation right after one: the bytes of
// a block of n that are not, with a character the end of the text cuts short told at the last.
inline uint64_t oddBytes(const ByteMasks& m, uint64_t lead, uint64_t n) {
    uint64_t odd = (((m.leads2 << 1) | lead) ^ m.continuations) | (m.high & ~m.continuations & ~m.leads2);
    if (n < 64) {
        const uint64_t last = uint64_t(1) << (n - 1);
        if ((odd >> n) != 0) odd |= last;
        odd &= last | (last - 1);
    }
    return odd;
}

// The pass stays a function of its own: inlined into the loop of its caller it has fewer
// registers for its state, and reads with notes measurably slower.
#if defined(_MSC_VER) && !defined(__clang__)
#define TABULON_BATCH_CALL __declspec(noinline)
#else
#define TABULON_BATCH_CALL __attribute__((noinline))
#endif

// The first pass over the batch of up to Batch::BLOCKS blocks from batch: classifies them and
// writes down where records end as long as the quotes follow the rules; state goes on from
// the block before and, unless a stray quote ends the batch, on to the next batch.
template <bool NOTES, class Classifier>
TABULON_BATCH_CALL void classifyBatch(const unsigned char* bytes, uint64_t length, uint64_t batch, char delimiter,
                                      char quote, const Classifier& shared, BlockState& state, Batch& out) {
    // A copy of its own, whose constants no store to out can change, keeps them in registers.
    const Classifier classifier = shared;
    constexpr uint64_t TOP_BIT = uint64_t(1) << 63;
    uint64_t endCount = 0;
    uint64_t blocks = 0;
    bool stray = false;
    uint64_t oddAny = 0;
    uint64_t inside = state.inside;
    uint64_t opensAfter = state.opensAfter;
    uint64_t closedAfter = state.closedAfter;
    // A classifier that looks for odd bytes by the batch tells only whether there are any; the
    // batch is then classified again for where they are.
    constexpr bool BY_BATCH = NOTES && TellsOdd<Classifier>::value;
    [[maybe_unused]] typename TellsOdd<Classifier>::OddSet oddSet{};
    // A batch that begins with a block of ASCII is taken for one of a document mostly of
    // ASCII, whose blocks are asked first whether they are plain.
    [[maybe_unused]] bool plainFirst = false;
    if constexpr (BY_BATCH) {
        oddSet = Classifier::noOdd();
        plainFirst = batch > 0 && length - batch >= 64 && Classifier::plain(bytes + batch);
    }
    uint64_t* const delimiterMasks = out.delimiterMasks;
    uint64_t* const delimitersBefore = out.delimitersBefore;
    uint16_t* const ends = out.ends;
    delimitersBefore[0] = 0;
    uint64_t delimiterTotal = 0;
    const uint64_t batchBlocks = length - batch >= 64 * Batch::BLOCKS ? Batch::BLOCKS : (length - batch + 63) / 64;
    // A whole block: its masks, and its odd bytes unless they are looked for by the batch.
    const auto classifyWhole = [&](uint64_t b, ByteMasks& m) -> uint64_t {
        if constexpr (BY_BATCH) {
            if (b == 0) {
                classifier.template classify<true>(bytes, m);
                return oddBytes(m, 0, 64);
            }
            classifier.template classify<false>(bytes + b, m);
            if (!plainFirst || !Classifier::plain(bytes + b)) classifier.noteOdd(bytes + b, oddSet);
            return 0;
        } else {
            classifier.template classify<NOTES>(bytes + b, m);
            return NOTES ? oddBytes(m, leadBefore(bytes, b), 64) : 0;
        }
    };
    // Writes down the record ends and delimiters outside quotes of the next block.
    const auto writeDown = [&](uint64_t delimitersOut, uint64_t blockEnds, uint64_t odd) {
        delimiterMasks[blocks] = delimitersOut;
        if (NOTES) {
            out.odd[blocks] = odd;
            oddAny |= odd;
        }
        uint64_t delimiterCount, blockEndCount;
        bitCounts(delimitersOut, blockEnds, delimiterCount, blockEndCount);
        delimiterTotal += delimiterCount;
        delimitersBefore[blocks + 1] = delimiterTotal;

        uint16_t* at = ends + endCount;
        const auto base = static_cast<uint16_t>(64 * blocks);
        // Two are written whether or not there are as many; the count says which hold.
        // (The top bit keeps the count of trailing zeros from asking whether it is zero.)
        at[0] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds | TOP_BIT)));
        blockEnds &= blockEnds - 1;
        at[1] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds | TOP_BIT)));
        blockEnds &= blockEnds - 1;
        for (uint64_t i = 2; i < blockEndCount; ++i) {
            at[i] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds)));
            blockEnds &= blockEnds - 1;
        }
        endCount += blockEndCount;
    };

    // Most documents have long stretches without a quote. While the blocks have none, and no
    // quote just closed, every byte is inside quotes or every byte outside, and no quote can
    // be stray: the blocks are read without the parity. The first block with a quote is read
    // again by the loop after, which reads every block. Seeing, in a batch that begins with
    // ASCII, the bytes of the stretch are only gathered, and looked at for odd ones after it
    // when any is above 7F.
    const auto readWithoutQuotes = [&](auto seeing) {
        [[maybe_unused]] typename TellsOdd<Classifier>::OddSet seen{};
        if constexpr (seeing) seen = Classifier::noOdd();
        for (; blocks < batchBlocks; ++blocks) {
            const uint64_t b = batch + 64 * blocks;
            if (length - b < 64) break;
            ByteMasks m;
            uint64_t odd = 0;
            if constexpr (seeing)
                classifier.classifySeeing(bytes + b, m, seen);
            else
                odd = classifyWhole(b, m);
            if (m.quotes != 0) break;
            const uint64_t stopsOut = m.stops & ~inside;
            opensAfter = stopsOut >> 63;
            writeDown(stopsOut & ~m.breaks, m.breaks & stopsOut, odd);
        }
        if constexpr (seeing) {
            if (Classifier::anyOdd(seen)) {
                for (uint64_t k = 0; k < blocks; ++k) classifier.noteOdd(bytes + batch + 64 * k, oddSet);
            }
        }
    };
    // A batch after a block with a quote is likely to begin with another, and goes to the loop
    // after at once.
    if (!state.quotedLast && closedAfter == 0) {
        if (BY_BATCH && plainFirst)
            readWithoutQuotes(std::bool_constant<BY_BATCH>());
        else
            readWithoutQuotes(std::false_type());
    }
    uint64_t lastQuotes = 0;
    for (; blocks < batchBlocks; ++blocks) {
        const uint64_t b = batch + 64 * blocks;
        ByteMasks m;
        uint64_t odd = 0;
        if (length - b >= 64)
            odd = classifyWhole(b, m);
        else
            classifyBytes(bytes + b, length - b, static_cast<unsigned char>(delimiter), static_cast<unsigned char>(quote),
                          m);
        lastQuotes = m.quotes;
        const uint64_t in = runningParity(m.quotes) ^ inside;
        const uint64_t stopsOut = m.stops & ~in;
        // With the running parity an opening quote is a quote counted as inside, a closing
        // one a quote counted as outside; a closing quote must be followed by a delimiter, a
        // line break or a quote (one doubled), the next block's first byte judging the last.
        // The byte after a closing quote is outside quotes unless it is one.
        const uint64_t mayOpenAfter = stopsOut | m.quotes;
        const uint64_t closes = m.quotes & ~in;
        uint64_t strays = m.quotes & in & ~((mayOpenAfter << 1) | opensAfter);
        if (NOTES) strays |= ((closes << 1) | closedAfter) & ~mayOpenAfter;
        if (length - b < 64) {
            if (NOTES) odd = oddBytes(m, leadBefore(bytes, b), length - b);
            // The text's last block, cut short: the end is a bound after a closing quote.
            strays &= (uint64_t(2) << (length - b - 1)) - 1;
        }
        // Both bytes of a CR LF are written down; the second pass passes over the LF.
        uint64_t blockEnds = m.breaks & stopsOut;
        uint64_t delimitersOut = stopsOut & ~m.breaks;
        if (strays != 0) {
            const uint64_t trusted = (strays & (0 - strays)) - 1;
            blockEnds &= trusted;
            delimitersOut &= trusted;
            stray = true;
        }
        writeDown(delimitersOut, blockEnds, odd);
        if (stray) {
            ++blocks;
            break;
        }
        inside = (in >> 63) != 0 ? ~uint64_t(0) : 0;
        opensAfter = mayOpenAfter >> 63;
        closedAfter = closes >> 63;
    }
    out.blocks = blocks;
    out.endCount = endCount;
    out.stray = stray;
    out.oddAny = oddAny;
    if constexpr (BY_BATCH) {
        if (Classifier::anyOdd(oddSet)) {
            for (uint64_t k = 0; k < blocks; ++k) {
                const uint64_t b = batch + 64 * k;
                if (length - b < 64) break;  // told already
                ByteMasks m;
                classifier.template classify<true>(bytes + b, m);
                out.odd[k] = oddBytes(m, leadBefore(bytes, b), 64);
                oddAny |= out.odd[k];
            }
            out.oddAny = oddAny;
        }
    }
    state = BlockState{inside, opensAfter, closedAfter, lastQuotes != 0};

}

}  // namespace

// Whether the processor runs the AVX2 copy of the pass, and that copy (record_batch_avx2.cpp).
bool avx2Batches();
void classifyBatchAvx2(const unsigned char* bytes, uint64_t length, uint64_t batch, char delimiter, char quote,
                       bool notes, BlockState& state, Batch& out);

}  // namespace record_scan
