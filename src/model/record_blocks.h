// Whole-document reading by blocks: where each record ends and how many fields it has, found
// 64 bytes at a time without stepping through the fields.
//
// The scan keeps, for each block, bit masks of the delimiters, line breaks and quotes, and the
// mask of the bytes inside quotes, taken as the running parity of the quotes so far. That
// parity is exactly the reading of scanFields as long as every quote that opens a quoted
// stretch stands at the start of a field (after a delimiter or line break outside quotes, or
// at the start of the record) or right after another quote (a doubled quote inside a quoted
// field). Any other opening quote is a quote inside an unquoted field, or after a closing
// quote, where scanFields reads it as an ordinary byte and the parity would not: the record
// that holds it is read again with scanFields from its start, and the block reading resumes
// after it. Every byte is therefore read by blocks at most once and by fields at most once.
//
// The same pass notes, for the problem finder, what it need not read again (RowList::RowNote):
// a record read again by its fields, or one that ends inside quotes at the end of the text, has
// quotes to look at; so has one with a closing quote followed by anything but a delimiter, a
// line break or another quote, which the parity reads as scanFields does but which is read by
// fields all the same, for the note. A record whose bytes are not all ASCII or well-formed
// two-byte UTF-8 characters (C2..DF followed by one of 80..BF) is noted for its bytes; that
// covers every byte that is not UTF-8, and the finder tells the others apart.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/record_scan.h"
#include "model/row_list.h"
#include "model/row_scan_sink.h"

namespace record_scan {

// Bit k of each mask is set when byte k of the block is one of those bytes.
struct ByteMasks {
    uint64_t stops = 0;   // the delimiter, CR and LF
    uint64_t breaks = 0;  // CR and LF
    uint64_t quotes = 0;
    uint64_t high = 0;           // 80..FF
    uint64_t continuations = 0;  // 80..BF, only when high is not 0
    uint64_t leads2 = 0;         // C2..DF, only when high is not 0
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
        if (masks.high == 0) return;
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

    void classify(const unsigned char* block, ByteMasks& masks) const {
        uint64_t breaks = 0, delimiters = 0, quotes = 0, high = 0;
        for (int at = 0; at < 64; at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
            breaks |= bits(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr_), _mm_cmpeq_epi8(bytes, lf_))) << at;
            delimiters |= bits(_mm_cmpeq_epi8(bytes, delimiter_)) << at;
            quotes |= bits(_mm_cmpeq_epi8(bytes, quote_)) << at;
            high |= bits(bytes) << at;
        }
        masks.breaks = breaks;
        masks.stops = breaks | delimiters;
        masks.quotes = quotes;
        masks.high = high;
        if (high == 0) return;
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

private:
    static uint64_t bits(__m128i hits) { return static_cast<uint32_t>(_mm_movemask_epi8(hits)); }

    __m128i delimiter_;
    __m128i quote_;
    __m128i cr_;
    __m128i lf_;
};
using BlockClassifier = Sse2Classifier;
#else
using BlockClassifier = PortableClassifier;
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

#if TABULON_SSE2
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

// Whether scanRecordBlocks can read with this delimiter and quote.
inline bool readsByBlocks(char delimiter, char quote) {
    return delimiter != quote && delimiter != '\r' && delimiter != '\n' && quote != '\r' && quote != '\n';
}

// Reads the records of text[0, length) from from, which must be the start of a record, and
// reports each to sink.record(end, eolLength, fieldCount, notes), with end the offset of its
// CR or LF (or length) as scanFields gives it and notes what it saw of the record's bytes
// (RowList::RowNote). Stops after the first record that ends at or past until and returns
// where the next record starts (length at the end of the text), so a scan may be done in
// steps. The delimiter and the quote must be ones it reads with.
template <class Sink>
uint64_t scanRecordBlocks(const char* text, uint64_t length, uint64_t from, uint64_t until, char delimiter,
                          char quote, Sink& sink) {
    // The blocks are read a batch at a time in two passes: the first classifies the blocks and
    // writes down where records end, the second hands the records on. A record end is then a
    // step of a loop rather than a branch in every block, which the processor would mostly
    // guess wrong.
    constexpr uint64_t BATCH_BLOCKS = 32;
    constexpr uint64_t TOP_BIT = uint64_t(1) << 63;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::string_view document(text, length);
    const BlockClassifier classifier(delimiter, quote);
    uint64_t delimiterMasks[BATCH_BLOCKS];
    uint64_t delimitersBefore[BATCH_BLOCKS + 1];  // counted from the batch's start
    uint64_t oddBytes[BATCH_BLOCKS];              // bytes that make a record noted for its bytes
    uint16_t ends[BATCH_BLOCKS * 64];             // offsets in the batch

    uint64_t recordStart = from;
    uint64_t fieldsBefore = 1;  // of the current record, counted before the batch
    uint64_t inside = 0;        // all ones when the next block starts inside quotes
    uint64_t opensAfter = 1;    // bit 0: a quote at the next block's first byte may open a field
    uint64_t closedAfter = 0;   // bit 0: the last block ended with a closing quote
    uint64_t leadAfter = 0;     // bit 0: the last block ended with a two-byte character's lead
    uint8_t carried = 0;        // notes of the current record from batches before
    uint64_t batch = from;
    while (batch < length) {
        uint64_t endCount = 0;
        uint64_t blocks = 0;
        bool stray = false;
        uint64_t oddAny = 0;  // all of oddBytes together
        delimitersBefore[0] = 0;
        uint64_t delimiterTotal = 0;
        const uint64_t batchBlocks = length - batch >= 64 * BATCH_BLOCKS ? BATCH_BLOCKS : (length - batch + 63) / 64;
        for (; blocks < batchBlocks; ++blocks) {
            const uint64_t b = batch + 64 * blocks;
            ByteMasks m;
            if (length - b >= 64)
                classifier.classify(bytes + b, m);
            else
                classifyBytes(bytes + b, length - b, static_cast<unsigned char>(delimiter), static_cast<unsigned char>(quote),
                              m);
            const uint64_t in = runningParity(m.quotes) ^ inside;
            const uint64_t stopsOut = m.stops & ~in;
            // With the running parity an opening quote is a quote counted as inside, a closing
            // one a quote counted as outside; a closing quote must be followed by a delimiter, a
            // line break or a quote (one doubled), the next block's first byte judging the last.
            const uint64_t mayOpenAfter = stopsOut | m.quotes;
            const uint64_t closes = m.quotes & ~in;
            uint64_t strays = (m.quotes & in & ~((mayOpenAfter << 1) | opensAfter)) |
                              (((closes << 1) | closedAfter) & ~(m.stops | m.quotes));
            // Every byte above 7F must be a lead C2..DF or the continuation right after one.
            uint64_t odd = (((m.leads2 << 1) | leadAfter) ^ m.continuations) | (m.high & ~m.continuations & ~m.leads2);
            if (length - b < 64) {
                // The text's last block, cut short: the end is a bound after a closing quote,
                // and cuts short a character whose lead is the last byte.
                const uint64_t n = length - b;
                const uint64_t last = uint64_t(1) << (n - 1);
                if ((odd >> n) != 0) odd |= last;
                odd &= last | (last - 1);
                strays &= last | (last - 1);
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
            delimiterMasks[blocks] = delimitersOut;
            oddBytes[blocks] = odd;
            oddAny |= odd;
            uint64_t delimiterCount, blockEndCount;
            bitCounts(delimitersOut, blockEnds, delimiterCount, blockEndCount);
            delimiterTotal += delimiterCount;
            delimitersBefore[blocks + 1] = delimiterTotal;

            uint16_t* out = ends + endCount;
            const auto base = static_cast<uint16_t>(64 * blocks);
            // Two are written whether or not there are as many; the count says which hold.
            // (The top bit keeps the count of trailing zeros from asking whether it is zero.)
            out[0] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds | TOP_BIT)));
            blockEnds &= blockEnds - 1;
            out[1] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds | TOP_BIT)));
            blockEnds &= blockEnds - 1;
            for (uint64_t i = 2; i < blockEndCount; ++i) {
                out[i] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds)));
                blockEnds &= blockEnds - 1;
            }
            endCount += blockEndCount;
            if (stray) {
                ++blocks;
                break;
            }
            inside = (in >> 63) != 0 ? ~uint64_t(0) : 0;
            opensAfter = mayOpenAfter >> 63;
            closedAfter = closes >> 63;
            leadAfter = m.leads2 >> 63;
        }

        // Whether any byte of the batch's offsets [a, b) is odd.
        const auto oddWithin = [&](uint64_t a, uint64_t b) {
            if (a >= b) return false;
            const uint64_t first = a >> 6;
            const uint64_t last = (b - 1) >> 6;
            for (uint64_t k = first; k <= last; ++k) {
                uint64_t mask = oddBytes[k];
                if (k == first) mask &= ~uint64_t(0) << (a & 63);
                if (k == last) mask &= ~uint64_t(0) >> (63 - ((b - 1) & 63));
                if (mask != 0) return true;
            }
            return false;
        };

        uint64_t countedBefore = 0;  // delimiters in the batch before the current record
        for (uint64_t i = 0; i < endCount; ++i) {
            const uint64_t k = ends[i];
            const uint64_t end = batch + k;
            // The LF of a CR LF, read already with the record that the CR ends.
            if (end < recordStart) continue;
            const uint64_t block = k >> 6;
            const uint64_t below = (uint64_t(1) << (k & 63)) - 1;
            const uint64_t counted = delimitersBefore[block] + bitCount(delimiterMasks[block] & below);
            const uint64_t eolLength = bytes[end] == '\r' && end + 1 < length && bytes[end + 1] == '\n' ? 2 : 1;
            // A byte that breaks the rules shows by the record's line break at the latest.
            uint8_t notes = RowList::NOTE_READ | carried;
            if (oddAny != 0 && oddWithin(recordStart > batch ? recordStart - batch : 0, k + 1)) {
                notes |= RowList::NOTE_BYTES;
            }
            sink.record(end, eolLength, fieldsBefore + counted - countedBefore, notes);
            fieldsBefore = 1;
            carried = 0;
            countedBefore = counted;
            recordStart = end + eolLength;
            if (end >= until) return recordStart;
        }

        if (stray) {
            // The record that holds the stray quote is read again by its fields.
            FieldStops stops(text, length, delimiter, quote);
            FieldCounter counter;
            const uint64_t end = scanFields(text, length, recordStart, delimiter, quote, stops, counter);
            const uint64_t eolLength = lineEndingAt(document, end).size();
            sink.record(end, eolLength, counter.fields, RowList::NOTE_READ | RowList::NOTE_QUOTES);
            recordStart = end + eolLength;
            if (end >= until || recordStart >= length) return recordStart;
            fieldsBefore = 1;
            inside = 0;
            opensAfter = 1;
            closedAfter = 0;
            leadAfter = 0;
            carried = 0;
            batch = recordStart;
            continue;
        }
        if (oddAny != 0 && oddWithin(recordStart > batch ? recordStart - batch : 0, 64 * blocks)) {
            carried |= RowList::NOTE_BYTES;
        }
        fieldsBefore += delimitersBefore[blocks] - countedBefore;
        batch += 64 * blocks;
    }
    if (recordStart < length) {
        // The last record, without a line break: a quote still open leaves it to the finder, so
        // does a lead that the end of the text cuts short.
        const uint8_t notes = RowList::NOTE_READ | carried | (inside != 0 ? RowList::NOTE_QUOTES : 0) |
                              (leadAfter != 0 ? RowList::NOTE_BYTES : 0);
        sink.record(length, 0, fieldsBefore, notes);
        recordStart = length;
    }
    return recordStart;
}

}  // namespace record_scan
