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

#include "model/record_batch.h"
#include "model/record_scan.h"
#include "model/row_list.h"
#include "model/row_scan_sink.h"

namespace record_scan {

// Whether scanRecordBlocks can read with this delimiter and quote.
inline bool readsByBlocks(char delimiter, char quote) {
    return delimiter != quote && delimiter != '\r' && delimiter != '\n' && quote != '\r' && quote != '\n';
}

// Reads the records of text[0, length) from from, which must be the start of a record, and
// reports each to sink.record(end, eolLength, fieldCount, notes), with end the offset of its
// CR or LF (or length) as scanFields gives it and notes what it saw of the record's bytes
// (RowList::RowNote; none when noting is false, which leaves every record to the finder). Stops after the first record that ends at or past until and returns
// where the next record starts (length at the end of the text), so a scan may be done in
// steps. The delimiter and the quote must be ones it reads with.
template <class Sink>
uint64_t scanRecordBlocks(const char* text, uint64_t length, uint64_t from, uint64_t until, char delimiter,
                          char quote, Sink& sink, bool noting = true) {
    // The blocks are read a batch at a time in two passes: the first classifies the blocks and
    // writes down where records end, the second hands the records on. A record end is then a
    // step of a loop rather than a branch in every block, which the processor would mostly
    // guess wrong.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::string_view document(text, length);
    const BlockClassifier classifier(delimiter, quote);
    static const bool avx2 = avx2Batches();
    Batch out;
    const uint64_t* const delimiterMasks = out.delimiterMasks;
    const uint64_t* const delimitersBefore = out.delimitersBefore;
    const uint16_t* const ends = out.ends;

    uint64_t recordStart = from;
    uint64_t fieldsBefore = 1;  // of the current record, counted before the batch
    uint8_t carried = 0;        // notes of the current record from batches before
    const uint8_t kept = noting ? 0xFF : 0;  // the notes handed on
    BlockState state;
    uint64_t batch = from;
    while (batch < length) {
        if (avx2)
            classifyBatchAvx2(bytes, length, batch, delimiter, quote, noting, state, out);
        else if (noting)
            classifyBatch<true>(bytes, length, batch, delimiter, quote, classifier, state, out);
        else
            classifyBatch<false>(bytes, length, batch, delimiter, quote, classifier, state, out);
        const uint64_t blocks = out.blocks;
        const uint64_t endCount = out.endCount;
        const bool stray = out.stray;
        const uint64_t oddAny = out.oddAny;

        // Whether any byte of the batch's offsets [a, b) is odd.
        const auto oddWithin = [&](uint64_t a, uint64_t b) {
            if (a >= b) return false;
            const uint64_t first = a >> 6;
            const uint64_t last = (b - 1) >> 6;
            for (uint64_t k = first; k <= last; ++k) {
                uint64_t mask = out.odd[k];
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
            sink.record(end, eolLength, fieldsBefore + counted - countedBefore, notes & kept);
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
            sink.record(end, eolLength, counter.fields, (RowList::NOTE_READ | RowList::NOTE_QUOTES) & kept);
            recordStart = end + eolLength;
            if (end >= until || recordStart >= length) return recordStart;
            fieldsBefore = 1;
            state = BlockState();
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
        const uint8_t notes = RowList::NOTE_READ | carried | (state.inside != 0 ? RowList::NOTE_QUOTES : 0) |
                              (leadBefore(bytes, length) != 0 ? RowList::NOTE_BYTES : 0);
        sink.record(length, 0, fieldsBefore, notes & kept);
        recordStart = length;
    }
    return recordStart;
}

}  // namespace record_scan
