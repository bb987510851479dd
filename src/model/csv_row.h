// One record of the document as the grid reads it: its place, its bytes and its cells.
//
// The scanner gives meaning to exactly four byte values: the delimiter, the quote, CR and LF.
// Every other byte (NUL, bytes of multi-byte characters, spaces, tabs, a byte-order mark) is
// field content. Every byte string scans to a table; nothing is rejected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The grid shows at most this many data columns; rows keep every cell regardless.
inline constexpr uint64_t MAX_GRID_COLUMNS = 512;

// One record: a line, or several lines when a quoted field holds line breaks.
//
// The table does not keep its rows in this form: it keeps the record's bytes and decodes a
// CsvRow from them when one is asked for (RowList). A row is a value that owns its bytes: copying a row copies everything, and nothing points
// into the document or into another row. Its storage is one buffer of 32-bit words:
//
//   [ cell table: 3 words per cell ][ raw bytes ][ values that are not slices of raw ]
//
// A cell entry holds the end of its span in raw (its start is the previous end + 1, the
// delimiter lying between, or 0) and where its unquoted value lies. Most values are slices
// of raw and are not stored twice: an unquoted cell's value is its whole span, a quoted cell
// without doubled quotes or bytes after the closing quote is its span without the quotes.
// Only the other quoted cells have their value in the values area.
//
// Offsets inside a row are 32-bit, with the top bit of a value offset telling the two areas
// apart; so a row's raw bytes and its values area are each limited to 2 GiB. Documents
// larger than that are never scanned (the size limit of the settings stops at 2048 MiB), so
// no scanned row reaches it; a row that would exceed it throws std::length_error, like any
// other allocation failure.
class CsvRow {
public:
    // Byte offset of the row's first byte in the document.
    uint64_t start = 0;
    // Byte offset just past the row's last content byte: the offset of its line ending, or
    // the document length for a last row without one.
    uint64_t end = 0;

    CsvRow() = default;
    // Copies are deep; a moved-from row is empty.
    CsvRow(const CsvRow& other);
    CsvRow(CsvRow&& other) noexcept;
    CsvRow& operator=(const CsvRow& other);
    CsvRow& operator=(CsvRow&& other) noexcept;
    ~CsvRow() = default;

    // The line-ending bytes after the row exactly as found: "", "\r", "\n" or "\r\n".
    std::string_view eol() const { return std::string_view(eol_, eolLength_); }
    uint64_t eolLength() const { return eolLength_; }
    // Sets the line ending; it must be at most two bytes (std::length_error otherwise).
    void setEol(std::string_view eol);

    // A copy of the document bytes from start to end, line ending excluded.
    std::string_view raw() const { return std::string_view(textArea(), rawLength_); }

    uint64_t cellCount() const { return cellCount_; }
    // Cell i's value after unquoting, in the document's encoding. Requires i < cellCount().
    std::string_view cell(uint64_t i) const;
    // Offset of cell i's first byte in raw (its opening quote for a quoted cell).
    // Requires i < cellCount(), like cellEnd.
    uint64_t cellStart(uint64_t i) const { return i == 0 ? 0 : uint64_t(entry(i - 1)[END]) + 1; }
    // Offset just past cell i's last byte in raw: the delimiter, line break or end of raw.
    uint64_t cellEnd(uint64_t i) const { return entry(i)[END]; }

    // All cell values, copied.
    std::vector<std::string> cells() const;
    // Replaces the cell values. raw and the cell spans are left stale until rebuildRowText
    // regenerates them from the new values.
    void setCells(const std::vector<std::string>& values);

    // Replaces raw by text and scans it as one record with the given delimiter and quote,
    // so that cells and spans match it. Line breaks outside quotes end the record: the row
    // takes only the first record of text. start, end and the line ending are left alone.
    void assignText(std::string_view text, char delimiter, char quote);

    // The longest raw text a row holds, and the limit of its values area (exclusive).
    static constexpr uint64_t MAX_AREA_BYTES = uint64_t(1) << 31;

private:
    // The scanner fills rows through storeRecord.
    friend class RowScanSink;

    // One cell entry as the scanner produces it. valueOffset is an offset into raw, or
    // IN_VALUES plus an offset into the values area.
    struct CellSlot {
        uint32_t end;
        uint32_t valueOffset;
        uint32_t valueLength;
    };
    static constexpr uint32_t IN_VALUES = 0x80000000u;
    enum : uint32_t { END = 0, VALUE_OFFSET = 1, VALUE_LENGTH = 2, WORDS_PER_CELL = 3 };

    // Stores a scanned record: raw bytes, one slot per cell, and the concatenated values that
    // are not slices of raw. Reuses the buffer when it is large enough.
    void storeRecord(std::string_view rawBytes, const CellSlot* slots, uint64_t slotCount,
                     std::string_view values);

    const uint32_t* entry(uint64_t i) const { return words_.get() + i * WORDS_PER_CELL; }
    const char* textArea() const;
    char* textArea();
    // Makes room for the given cell count and text bytes; the old contents are not kept.
    void reserveLayout(uint64_t cellCount, uint64_t textBytes);
    uint64_t usedWords() const;

    std::unique_ptr<uint32_t[]> words_;
    uint64_t capacityWords_ = 0;
    uint32_t rawLength_ = 0;
    uint32_t valuesLength_ = 0;
    uint32_t cellCount_ = 0;
    uint8_t eolLength_ = 0;
    char eol_[2] = {0, 0};
};
