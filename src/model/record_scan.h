// The record state machine shared by every reader of delimited text.
//
// scanRecord (values as strings, absolute spans) and the row filler behind scanDocument and
// CsvRow::assignText (compact row storage) differ only in where a field goes; both drive this
// one template with their own sink, so the two paths cannot read a byte differently.
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

namespace record_scan {

// Finds the bytes that end an unquoted field: the delimiter, CR and LF.
//
// The text is classified 64 bytes at a time into a bit mask of stop bytes, and the mask of the
// current block is kept, so that consecutive fields are found by shifting and counting bits
// rather than by a loop that branches on every byte. Each byte is classified once as long as
// the scan moves forward through the text, which it always does.
class FieldStops {
public:
    FieldStops(const char* text, uint64_t length, char delimiter)
        : text_(reinterpret_cast<const unsigned char*>(text)), length_(length),
          delimiter_(static_cast<unsigned char>(delimiter)) {}

    // The offset of the first stop byte at or after from, or the text length.
    uint64_t find(uint64_t from) {
        while (from < length_) {
            if (from - blockStart_ >= BLOCK) loadBlock(from);
            uint64_t bits = blockMask_ >> (from - blockStart_);
            if (bits) return from + static_cast<uint64_t>(std::countr_zero(bits));
            from = blockStart_ + BLOCK;
        }
        return length_;
    }

private:
    static constexpr uint64_t BLOCK = 64;

    // Classifies the 64 bytes from start (fewer at the end of the text).
    void loadBlock(uint64_t start) {
        blockStart_ = start;
        uint64_t mask = 0;
        uint64_t i = 0;
        if constexpr (std::endian::native == std::endian::little) {
            if (length_ - start >= BLOCK) {
                for (; i < BLOCK; i += 8) {
                    uint64_t word;
                    std::memcpy(&word, text_ + start + i, 8);
                    mask |= packHighBits(equalBytes(word, delimiter_) | equalBytes(word, '\r') |
                                         equalBytes(word, '\n'))
                            << i;
                }
                blockMask_ = mask;
                return;
            }
        }
        for (; i < BLOCK && start + i < length_; ++i) {
            unsigned char c = text_[start + i];
            if (c == delimiter_ || c == '\r' || c == '\n') mask |= uint64_t(1) << i;
        }
        blockMask_ = mask;
    }

    // The high bit of each byte of word that equals b, exactly (no borrow between bytes).
    static uint64_t equalBytes(uint64_t word, unsigned char b) {
        const uint64_t lows = 0x7F7F7F7F7F7F7F7Full;
        uint64_t y = word ^ (0x0101010101010101ull * b);
        return ~(((y & lows) + lows) | y | lows);
    }

    // Gathers the high bits of the eight bytes into the low eight bits, byte k to bit k.
    static uint64_t packHighBits(uint64_t highs) { return ((highs >> 7) * 0x0102040810204080ull) >> 56; }

    const unsigned char* text_;
    uint64_t length_;
    unsigned char delimiter_;
    uint64_t blockStart_ = ~uint64_t(0) - BLOCK;  // no block loaded yet
    uint64_t blockMask_ = 0;
};

// The offset of the first quote byte in [from, to), or to.
inline uint64_t findQuote(const char* text, uint64_t from, uint64_t to, char quote) {
    if (from >= to) return to;
    const void* hit = std::memchr(text + from, static_cast<unsigned char>(quote), to - from);
    return hit ? static_cast<uint64_t>(static_cast<const char*>(hit) - text) : to;
}

// Reads one record of text[0, length) beginning at p and reports its fields to sink, in order:
//   sink.plainField(s, e)     an unquoted field whose value is text[s, e)
//   sink.beginQuoted(s)       a quoted field begins at s; its value follows in pieces
//   sink.appendValue(a, b)    text[a, b) is the next piece of the quoted field's value
//   sink.appendByte(a)        the byte text[a] is the next piece (a doubled quote gives one)
//   sink.endQuoted(s, e)      the quoted field spans text[s, e)
// Returns the offset of the CR or LF that ends the record, or length.
template <class Sink>
uint64_t scanFields(const char* text, uint64_t length, uint64_t p, char delimiter, char quote,
                    FieldStops& stops, Sink& sink) {
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
                uint64_t q = findQuote(text, i, length, quote);
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
