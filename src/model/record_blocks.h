// Whole-document reading by blocks: where each record ends and how many fields it has, found
// 64 bytes at a time without stepping through the fields.
//
// The scan keeps, for each block, bit masks of the delimiters, CRs, LFs and quotes, and the
// mask of the bytes inside quotes, taken as the running parity of the quotes so far. That
// parity is exactly the reading of scanFields as long as every quote that opens a quoted
// stretch stands at the start of a field (after a delimiter or line break outside quotes, or
// at the start of the record) or right after another quote (a doubled quote inside a quoted
// field). Any other opening quote is a quote inside an unquoted field, or after a closing
// quote, where scanFields reads it as an ordinary byte and the parity would not: the record
// that holds it is read again with scanFields from its start, and the block reading resumes
// after it. Every byte is therefore read by blocks at most once and by fields at most once.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "model/record_scan.h"
#include "model/row_scan_sink.h"

namespace record_scan {

// Bit k of each mask is set when byte k of the block is one of those bytes.
struct ByteMasks {
    uint64_t stops = 0;   // the delimiter, CR and LF
    uint64_t breaks = 0;  // CR and LF
    uint64_t crs = 0;
    uint64_t quotes = 0;
};

// Byte by byte, for the short block at the end of the text.
inline void classifyBytes(const unsigned char* bytes, uint64_t count, unsigned char delimiter,
                          unsigned char quote, ByteMasks& masks) {
    masks = ByteMasks();
    for (uint64_t i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        const uint64_t bit = uint64_t(1) << i;
        if (c == '\r' || c == '\n') masks.breaks |= bit;
        if (c == '\r') masks.crs |= bit;
        if (c == delimiter || c == '\r' || c == '\n') masks.stops |= bit;
        if (c == quote) masks.quotes |= bit;
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
            const uint64_t crs = equalBytes(word, '\r');
            const uint64_t breaks = crs | equalBytes(word, '\n');
            masks.crs |= packHighBits(crs) << i;
            masks.breaks |= packHighBits(breaks) << i;
            masks.stops |= packHighBits(breaks | equalBytes(word, delimiter_)) << i;
            masks.quotes |= packHighBits(equalBytes(word, quote_)) << i;
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
        masks.stops = masks.breaks = masks.crs = masks.quotes = 0;
        classify16(block, 0, masks);
        classify16(block, 16, masks);
        classify16(block, 32, masks);
        classify16(block, 48, masks);
    }

private:
    void classify16(const unsigned char* block, int at, ByteMasks& masks) const {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        const __m128i crs = _mm_cmpeq_epi8(bytes, cr_);
        const __m128i lineBreaks = _mm_or_si128(crs, _mm_cmpeq_epi8(bytes, lf_));
        const __m128i stops = _mm_or_si128(lineBreaks, _mm_cmpeq_epi8(bytes, delimiter_));
        masks.stops |= bits(stops) << at;
        masks.breaks |= bits(lineBreaks) << at;
        masks.crs |= bits(crs) << at;
        masks.quotes |= bits(_mm_cmpeq_epi8(bytes, quote_)) << at;
    }
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

// Reads the records of text[0, length) from from, which must be the start of a record, and
// reports each to sink.record(end, eolLength, fieldCount), with end the offset of its CR or
// LF (or length) as scanFields gives it. Stops after the first record that ends at or past
// until and returns where the next record starts (length at the end of the text), so a scan
// may be done in steps. The delimiter and the quote must differ from each other and from CR
// and LF.
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
    uint16_t ends[BATCH_BLOCKS * 64];             // offsets in the batch

    uint64_t recordStart = from;
    uint64_t fieldsBefore = 1;  // of the current record, counted before the batch
    uint64_t inside = 0;        // all ones when the next block starts inside quotes
    uint64_t opensAfter = 1;    // bit 0: a quote at the next block's first byte may open a field
    uint64_t crBefore = 0;      // bit 0: the byte before the next block is a CR outside quotes
    uint64_t batch = from;
    while (batch < length) {
        uint64_t endCount = 0;
        uint64_t blocks = 0;
        bool stray = false;
        delimitersBefore[0] = 0;
        for (; blocks < BATCH_BLOCKS; ++blocks) {
            const uint64_t b = batch + 64 * blocks;
            if (b >= length) break;
            ByteMasks m;
            const uint64_t count = length - b < 64 ? length - b : 64;
            if (count == 64)
                classifier.classify(bytes + b, m);
            else
                classifyBytes(bytes + b, count, static_cast<unsigned char>(delimiter), static_cast<unsigned char>(quote),
                              m);
            const uint64_t in = runningParity(m.quotes) ^ inside;
            const uint64_t stopsOut = m.stops & ~in;
            const uint64_t crsOut = m.crs & ~in;
            // With the running parity an opening quote is a quote counted as inside.
            const uint64_t mayOpenAfter = stopsOut | m.quotes;
            const uint64_t strays = m.quotes & in & ~((mayOpenAfter << 1) | opensAfter);
            const uint64_t trusted = strays ? (strays & (0 - strays)) - 1 : ~uint64_t(0);
            // The LF of a CR LF does not end a record of its own.
            uint64_t blockEnds = m.breaks & stopsOut & ~(((crsOut << 1) | crBefore) & ~m.crs) & trusted;
            delimiterMasks[blocks] = stopsOut & ~m.breaks & trusted;
            delimitersBefore[blocks + 1] = delimitersBefore[blocks] + bitCount(delimiterMasks[blocks]);

            const uint64_t blockEndCount = bitCount(blockEnds);
            uint16_t* out = ends + endCount;
            const auto base = static_cast<uint16_t>(64 * blocks);
            // Four are written whether or not there are as many; the count says which hold.
            // (The top bit keeps the count of trailing zeros from asking whether it is zero.)
            for (int i = 0; i < 4; ++i) {
                out[i] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds | TOP_BIT)));
                blockEnds &= blockEnds - 1;
            }
            for (uint64_t i = 4; i < blockEndCount; ++i) {
                out[i] = static_cast<uint16_t>(base + static_cast<unsigned>(std::countr_zero(blockEnds)));
                blockEnds &= blockEnds - 1;
            }
            endCount += blockEndCount;
            if (strays != 0) {
                stray = true;
                ++blocks;
                break;
            }
            inside = (in >> 63) != 0 ? ~uint64_t(0) : 0;
            opensAfter = mayOpenAfter >> 63;
            crBefore = crsOut >> 63;
        }

        uint64_t countedBefore = 0;  // delimiters in the batch before the current record
        for (uint64_t i = 0; i < endCount; ++i) {
            const uint64_t k = ends[i];
            const uint64_t block = k >> 6;
            const uint64_t below = (uint64_t(1) << (k & 63)) - 1;
            const uint64_t counted = delimitersBefore[block] + bitCount(delimiterMasks[block] & below);
            const uint64_t end = batch + k;
            const uint64_t eolLength = lineEndingAt(document, end).size();
            sink.record(end, eolLength, fieldsBefore + counted - countedBefore);
            fieldsBefore = 1;
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
            sink.record(end, eolLength, counter.fields);
            recordStart = end + eolLength;
            if (end >= until || recordStart >= length) return recordStart;
            fieldsBefore = 1;
            inside = 0;
            opensAfter = 1;
            crBefore = 0;
            batch = recordStart;
            continue;
        }
        fieldsBefore += delimitersBefore[blocks] - countedBefore;
        batch += 64 * blocks;
    }
    if (recordStart < length) {
        sink.record(length, 0, fieldsBefore);
        recordStart = length;
    }
    return recordStart;
}

}  // namespace record_scan
