// The record state machine shared by every reader of delimited text.
//
// scanRecord (values as strings, absolute spans), the row filler behind CsvRow::assignText
// (compact row storage) and the field counters of the scans differ only in where a field goes;
// all drive this one template with their own sink, so they cannot read a byte differently.
// The whole-document reading by blocks (record_blocks.h) finds the same record ends and field
// counts by other means, falls back to this one wherever its means do not hold, and is held
// to it by the tests.
//
// Reading rules, departures from RFC 4180 included:
// - A field is quoted only when its very first byte is the quote; a field that begins with a
//   space is unquoted, and a quote anywhere inside an unquoted field is an ordinary byte.
// - Inside quotes, a doubled quote stands for one quote, and CR and LF are content.
// - After the closing quote, every byte up to the next delimiter, CR or LF is appended to the
//   value unchanged: quoted ab followed by cd reads as abcd. Nothing is trimmed.
// - A quote as the last byte of the text after an opening quote closes the field; an opening
//   quote that is never closed makes its field take the rest of the text.
// - A delimiter just before a line break or the end of the text gives a final empty field.
// Every step moves forward, and each byte is looked at a bounded number of times, so a scan is
// linear in the text whatever it holds.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// SSE2 is part of every x86-64 target and of 32-bit x86 targets built for it.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TABULON_SSE2 1
#include <emmintrin.h>
#else
#define TABULON_SSE2 0
#endif

namespace record_scan {

// Finds the bytes that end an unquoted field (the delimiter, CR and LF) and, inside a quoted
// field, the next quote.
//
// The text is classified 64 bytes at a time into bit masks, and the masks of the current block
// are kept, so that consecutive fields are found by shifting and counting bits rather than by a
// loop that branches on every byte. Each byte is classified once as long as the scan moves
// forward through the text, which it always does.
//
// Blocks classifies one whole block of 64 bytes: bit k of stops is set when byte k is the
// delimiter, CR or LF, bit k of quotes when it is the quote. A block at the end of the text
// that is shorter is classified byte by byte here.
template <class Blocks>
class BlockStops {
public:
    BlockStops(const char* text, uint64_t length, char delimiter, char quote)
        : text_(reinterpret_cast<const unsigned char*>(text)), length_(length),
          delimiter_(static_cast<unsigned char>(delimiter)), quote_(static_cast<unsigned char>(quote)),
          blocks_(delimiter_, quote_) {}

    // The offset of the first stop byte at or after from, or the text length.
    uint64_t find(uint64_t from) { return next(from, stopMask_); }
    // The offset of the first quote at or after from, or the text length.
    uint64_t findQuote(uint64_t from) {
        if constexpr (Blocks::CLASSIFIES_QUOTES) {
            return next(from, quoteMask_);
        } else {
            if (from >= length_) return length_;
            const void* hit = std::memchr(text_ + from, quote_, static_cast<size_t>(length_ - from));
            return hit ? static_cast<uint64_t>(static_cast<const unsigned char*>(hit) - text_) : length_;
        }
    }

private:
    static constexpr uint64_t BLOCK = 64;

    uint64_t next(uint64_t from, const uint64_t& mask) {
        while (from < length_) {
            if (from - blockStart_ >= BLOCK) loadBlock(from);
            uint64_t bits = mask >> (from - blockStart_);
            if (bits) return from + static_cast<uint64_t>(std::countr_zero(bits));
            from = blockStart_ + BLOCK;
        }
        return length_;
    }

    // Classifies the 64 bytes from start (fewer at the end of the text).
    void loadBlock(uint64_t start) {
        blockStart_ = start;
        if (length_ - start >= BLOCK) {
            blocks_.classify(text_ + start, stopMask_, quoteMask_);
            return;
        }
        uint64_t stops = 0;
        uint64_t quotes = 0;
        for (uint64_t i = 0; start + i < length_; ++i) {
            const unsigned char c = text_[start + i];
            if (c == delimiter_ || c == '\r' || c == '\n') stops |= uint64_t(1) << i;
            if (c == quote_) quotes |= uint64_t(1) << i;
        }
        stopMask_ = stops;
        quoteMask_ = quotes;
    }

    const unsigned char* text_;
    uint64_t length_;
    unsigned char delimiter_;
    unsigned char quote_;
    Blocks blocks_;
    uint64_t blockStart_ = ~uint64_t(0) - BLOCK;  // no block loaded yet
    uint64_t stopMask_ = 0;
    uint64_t quoteMask_ = 0;
};

// The high bit of each byte of word that equals b, exactly (no borrow between bytes).
inline uint64_t equalBytes(uint64_t word, unsigned char b) {
    const uint64_t lows = 0x7F7F7F7F7F7F7F7Full;
    uint64_t y = word ^ (0x0101010101010101ull * b);
    return ~(((y & lows) + lows) | y | lows);
}

// Gathers the high bits of the eight bytes into the low eight bits, byte k to bit k.
inline uint64_t packHighBits(uint64_t highs) { return ((highs >> 7) * 0x0102040810204080ull) >> 56; }

// Eight bytes at a time in a 64-bit word; quotes are left to memchr. This is how the scanner
// read every document before SSE2, and it stays as the reference the faster one is held to.
class PortableBlocks {
public:
    static constexpr bool CLASSIFIES_QUOTES = false;

    PortableBlocks(unsigned char delimiter, unsigned char) : delimiter_(delimiter) {}

    void classify(const unsigned char* block, uint64_t& stops, uint64_t&) const {
        uint64_t mask = 0;
        for (uint64_t i = 0; i < 64; i += 8) {
            uint64_t word = 0;
            for (uint64_t k = 0; k < 8; ++k) word |= uint64_t(block[i + k]) << (8 * k);
            mask |= packHighBits(equalBytes(word, delimiter_) | equalBytes(word, '\r') | equalBytes(word, '\n'))
                    << i;
        }
        stops = mask;
    }

private:
    unsigned char delimiter_;
};

#if TABULON_SSE2
// Sixteen bytes at a time with SSE2, which every x86-64 processor and every processor the
// 32-bit build targets has; nothing newer is used. Quotes are classified in the same pass,
// since a quoted field's closing quote is mostly a few bytes away and a call of memchr for
// each would cost more than the field.
class Sse2Blocks {
public:
    static constexpr bool CLASSIFIES_QUOTES = true;

    Sse2Blocks(unsigned char delimiter, unsigned char quote)
        : delimiter_(_mm_set1_epi8(static_cast<char>(delimiter))), quote_(_mm_set1_epi8(static_cast<char>(quote))),
          cr_(_mm_set1_epi8('\r')), lf_(_mm_set1_epi8('\n')) {}

    void classify(const unsigned char* block, uint64_t& stops, uint64_t& quotes) const {
        uint64_t s = 0;
        uint64_t q = 0;
        for (int i = 0; i < 64; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i));
            const __m128i hits = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, delimiter_), _mm_cmpeq_epi8(bytes, cr_)),
                _mm_cmpeq_epi8(bytes, lf_));
            s |= uint64_t(static_cast<uint32_t>(_mm_movemask_epi8(hits))) << i;
            q |= uint64_t(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, quote_)))) << i;
        }
        stops = s;
        quotes = q;
    }

private:
    __m128i delimiter_;
    __m128i quote_;
    __m128i cr_;
    __m128i lf_;
};
#endif

using PortableFieldStops = BlockStops<PortableBlocks>;
#if TABULON_SSE2
using FieldStops = BlockStops<Sse2Blocks>;
#else
using FieldStops = PortableFieldStops;
#endif

// Reads one record of text[0, length) beginning at p and reports its fields to sink, in order:
//   sink.plainField(s, e)     an unquoted field whose value is text[s, e)
//   sink.beginQuoted(s)       a quoted field begins at s; its value follows in pieces
//   sink.appendValue(a, b)    text[a, b) is the next piece of the quoted field's value
//   sink.appendByte(a)        the byte text[a] is the next piece (a doubled quote gives one)
//   sink.endQuoted(s, e)      the quoted field spans text[s, e)
// Returns the offset of the CR or LF that ends the record, or length.
template <class Stops, class Sink>
uint64_t scanFields(const char* text, uint64_t length, uint64_t p, char delimiter, char quote,
                    Stops& stops, Sink& sink) {
    uint64_t s = p;
    for (;;) {
        uint64_t e;
        if (s >= length) {
            e = s;
            sink.plainField(s, e);
        } else if (text[s] == quote) {
            sink.beginQuoted(s);
            uint64_t i = s + 1;
            e = length;  // an opening quote never closed takes the rest of the text
            while (i < length) {
                uint64_t q = stops.findQuote(i);
                if (q > i) sink.appendValue(i, q);
                if (q >= length) break;
                if (q + 1 >= length) break;  // closing quote at the very end
                if (text[q + 1] == quote) {
                    sink.appendByte(q);
                    i = q + 2;
                    continue;
                }
                // Closing quote: the bytes after it, up to the next stop, join the value.
                uint64_t after = stops.find(q + 1);
                if (after > q + 1) sink.appendValue(q + 1, after);
                e = after;
                break;
            }
            sink.endQuoted(s, e);
        } else {
            e = stops.find(s);
            sink.plainField(s, e);
        }
        if (e < length && text[e] == delimiter) {
            s = e + 1;
            continue;
        }
        return e;
    }
}

}  // namespace record_scan
