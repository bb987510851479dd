// The rows of the table, kept as the document's own bytes.
//
// A row is not stored as a CsvRow: the list holds the bytes of every record, line endings
// included, in chunks of about CHUNK_BYTES, and for each record only where it ends in its
// chunk, its line ending's length, its cell count and what the first reading noted of it. A
// CsvRow with cells and spans is decoded from the bytes when one is asked for. So the model
// holds the document once plus a few bytes per record, and cells that nobody looks at are
// never decoded.
//
// Offsets are not stored per row either: a row's start is its chunk's start plus its place in
// the chunk. The chunks are held in groups of about GROUP_CHUNKS; a chunk's first row and
// start are kept counted from its group's, and a group's from the document's. A change
// rewrites the chunks it touches, renumbers the rest of their group and moves the later
// groups' starts, so an edit costs its own chunks, one step per chunk of its group and one per
// group: never a step per row, nor one per chunk of the document.
//
// The list's bytes always tile [0, textLength()): the lead, bytes in front of the first row that
// are no record (a sep line), then the rows; every change replaces whole rows with rows, and
// the lead stays as the scan found it.
#pragma once

#include <cstdint>
#include <optional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "model/csv_row.h"

class RowList {
    struct Chunk;
    struct Group;

public:
    // What the first reading noted of a row's bytes, for the problem finder: kept in the byte
    // that holds the row's line-ending length, so they cost no memory. A row the block reading
    // did not read (one an edit wrote, any row of a document read field by field) has no note,
    // not even NOTE_READ, and is examined in full.
    enum RowNote : uint8_t {
        NOTE_READ = 0x80,    // read by blocks: the other notes are all the reading saw
        NOTE_QUOTES = 0x40,  // a quote that breaks the rules the block reading follows, or one
                             // still open at the end of the text
        NOTE_BYTES = 0x20,   // a byte other than ASCII and well-formed two-byte characters
    };

    // The bytes of one record as a change hands them in, with the notes it keeps.
    struct RowBytes {
        std::string_view raw;
        std::string_view eol;
        uint64_t cellCount = 0;
        uint8_t notes = 0;
    };

    // A chunk is closed once it holds this many bytes; a change splits a chunk that grows to
    // twice as many.
    static constexpr uint64_t CHUNK_BYTES = uint64_t(64) << 10;
    // The chunks a full scan puts in a group. A change that adds or removes chunks makes their
    // groups anew with as many to twice as many each, and joins them to a neighbour when they
    // would hold fewer than half as many.
    static constexpr uint64_t GROUP_CHUNKS = 128;

    uint64_t size() const { return rowCount_; }
    // The bytes in front of the first row that are no record: the document's sep line, or none.
    // The first row starts at its end.
    std::string_view lead() const { return lead_; }
    bool empty() const { return rowCount_ == 0; }
    // The length of all rows with their line endings: the document's length when the list
    // describes it.
    uint64_t textLength() const;

    // Row r decoded, with its offsets in the document. Requires r < size().
    const CsvRow operator[](uint64_t r) const;
    const CsvRow front() const { return (*this)[0]; }
    const CsvRow back() const { return (*this)[rowCount_ - 1]; }
    // Decodes row r into row, reusing its storage.
    void read(uint64_t r, CsvRow& row) const;
    // Row r decoded, kept in a small cache of rows read lately, since the grid asks for the
    // cells of the rows on screen one by one. The reference holds until the next call of
    // cached or the next change.
    const CsvRow& cached(uint64_t r) const;

    // What a row is without decoding it. Each requires r < size().
    uint64_t start(uint64_t r) const;
    uint64_t end(uint64_t r) const { return start(r) + raw(r).size(); }
    std::string_view raw(uint64_t r) const;
    std::string_view eol(uint64_t r) const;
    uint64_t cellCount(uint64_t r) const;
    uint8_t notes(uint64_t r) const;

    // The rows one chunk holds, for readers that go through many rows in order without a
    // lookup per row: the chunk's bytes, line endings included, and where each row lies in
    // them. Valid until the next change of the list.
    class ChunkRows {
    public:
        uint64_t firstRow() const { return firstRow_; }
        uint64_t size() const { return chunk_->rows.size(); }
        // The document offset of the chunk's first byte.
        uint64_t start() const { return start_; }
        std::string_view text() const { return chunk_->text; }
        // Row i of the chunk (the list's row firstRow() + i): where it begins in text(), where
        // its raw bytes end, where its line ending ends, its cell count and its notes.
        uint64_t begin(uint64_t i) const { return i == 0 ? 0 : chunk_->rows[i - 1].end; }
        uint64_t rawEnd(uint64_t i) const { return chunk_->rows[i].end - (chunk_->tails[i] & EOL_BITS); }
        uint64_t end(uint64_t i) const { return chunk_->rows[i].end; }
        uint64_t cellCount(uint64_t i) const { return chunk_->rows[i].cellCount; }
        uint8_t notes(uint64_t i) const { return chunk_->tails[i] & ~EOL_BITS; }

        // What the rows [from, to) of the chunk have in common: the fewest and most cells, and
        // the notes of any row and of every row. Kept for the whole chunk as it is built.
        struct Summary {
            uint64_t fewestCells = 0;
            uint64_t mostCells = 0;
            uint8_t anyNotes = 0;
            uint8_t everyNote = 0;
        };
        Summary summary(uint64_t from, uint64_t to) const;

    private:
        friend class RowList;
        ChunkRows(const Chunk* chunk, uint64_t firstRow, uint64_t start)
            : chunk_(chunk), firstRow_(firstRow), start_(start) {}
        const Chunk* chunk_;
        uint64_t firstRow_;
        uint64_t start_;
    };
    // The chunk that holds row r. Requires r < size().
    ChunkRows chunkRows(uint64_t r) const;

    // Whether the list's bytes from offset from on (the lead's included) are text, byte for
    // byte: false for a text that runs past the list's end.
    bool holdsAt(uint64_t from, std::string_view text) const;

    // The last row that starts before position, or 0 (for a position in the lead too).
    uint64_t lastRowStartingBefore(uint64_t position) const;
    // The row starting exactly at position, or all ones.
    uint64_t rowStartingAt(uint64_t position) const;
    // The largest cell count of the rows [first, last), and of all rows.
    uint64_t widest(uint64_t first, uint64_t last) const;
    uint64_t widest() const;

    // The delimiter and quote rows are decoded with.
    void setReading(char delimiter, char quote);
    void clear();
    // Puts fresh in place of the rows [first, last); first <= last <= size(). Either the
    // change is made whole or, when memory runs out, the list is left as it was.
    void replace(uint64_t first, uint64_t last, const std::vector<RowBytes>& fresh);
    void set(uint64_t r, const CsvRow& row);
    void push_back(const CsvRow& row);

    // Builds the list in one pass: the rows of text are handed in order, each as its end,
    // line-ending length and cell count, and the bytes are copied a chunk at a time, into the
    // storage of the chunks the list held before as long as there are any.
    //
    // Two builders may build the two parts of a list side by side: the second one's list
    // starts at from, the first lends it spare storage and, once the second has finished,
    // joins its rows on after its own.
    class Builder {
    public:
        Builder(RowList& list, std::string_view text, uint64_t from = 0);
        // Keeps lead, the bytes of text from from on, as the list's lead: the first row comes
        // after it. Only before the first row is added.
        void keepLead(std::string_view lead);
        // Hands other the storage of spare chunks that held about bytes of text before.
        void lend(Builder& other, uint64_t bytes);
        // Puts the rows of tail from firstRow on, the first of them starting where the next row
        // here would, after the rows built so far, and goes on after them; tail is left empty.
        // Returns the largest cell count of the rows put in.
        uint64_t join(RowList& tail, uint64_t firstRow);
        // The document's text as it stands now: a scan done in steps may find it moved in
        // memory between steps, never changed.
        void setText(std::string_view text) { text_ = text; }
        // The next row: where its raw bytes end, its line ending's length (at most two), its
        // cell count and the notes the reading made of it.
        void add(uint64_t end, uint64_t eolLength, uint64_t cellCount, uint8_t notes = 0) {
            if (!open_) openChunk();
            Chunk& chunk = *chunk_;
            const uint64_t next = end + eolLength;
            if (next - chunkStart_ > 0xFFFFFFFFu || cellCount > 0xFFFFFFFFu) refuse(next, cellCount);
            chunk.rows.push_back({static_cast<uint32_t>(next - chunkStart_), static_cast<uint32_t>(cellCount)});
            chunk.tails.push_back(static_cast<uint8_t>(eolLength | (notes & ~EOL_BITS)));
            if (cellCount > chunk.widest) chunk.widest = cellCount;
            if (cellCount < chunk.fewest) chunk.fewest = cellCount;
            ++list_.rowCount_;
            rowStart_ = next;
            if (next - chunkStart_ >= CHUNK_BYTES) closeChunk();
        }
        void finish();

    private:
        void openChunk();
        // Throws for a row too long for a chunk or with more cells than a row entry counts.
        [[noreturn]] void refuse(uint64_t next, uint64_t cellCount) const;
        void closeChunk();
        RowList& list_;
        std::string_view text_;
        // The open chunk, the last of the list's last group.
        Chunk* chunk_ = nullptr;
        // The chunks the list held before, whose storage the new ones take over in turn: the
        // next is chunk spareChunk_ of group spareGroup_.
        std::vector<Group> spare_;
        uint64_t spareGroup_ = 0;
        uint64_t spareChunk_ = 0;
        uint64_t chunkStart_ = 0;
        uint64_t rowStart_ = 0;
        bool open_ = false;
    };

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CsvRow;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = const CsvRow;
        const_iterator(const RowList* list, uint64_t r) : list_(list), r_(r) {}
        const CsvRow operator*() const { return (*list_)[r_]; }
        const_iterator& operator++() {
            ++r_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return r_ == other.r_; }
        bool operator!=(const const_iterator& other) const { return r_ != other.r_; }

    private:
        const RowList* list_;
        uint64_t r_;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, rowCount_); }

private:
    struct RowEntry {
        uint32_t end;  // just past the row's line ending, in the chunk's text
        uint32_t cellCount;
    };
    // The bits of a row's tail byte that hold its line ending's length.
    static constexpr uint8_t EOL_BITS = 0x03;
    struct Chunk {
        std::string text;
        std::vector<RowEntry> rows;
        // Each row's line-ending length in the low bits (EOL_BITS), its notes above.
        std::vector<uint8_t> tails;
        uint64_t widest = 0;
        // The fewest cells of a row, and the notes of any row and of every row.
        uint64_t fewest = ~uint64_t(0);
        uint8_t anyNotes = 0;
        uint8_t everyNote = 0xFF;
    };
    // A run of chunks, never empty. firstRow and start hold each chunk's first row and first
    // byte counted from the group's; rows, bytes and widest are the group's totals.
    struct Group {
        std::vector<Chunk> chunks;
        std::vector<uint64_t> firstRow;
        std::vector<uint64_t> start;
        uint64_t rows = 0;
        uint64_t bytes = 0;
        uint64_t widest = 0;
    };
    // Where a chunk is: its group and its index in the group.
    struct Place {
        uint64_t group = 0;
        uint64_t chunk = 0;
        bool operator==(const Place&) const = default;
    };

    // The chunk holding row r; requires r < size().
    Place chunkOfRow(uint64_t r) const;
    // The last chunk starting at or before position; requires a row.
    Place chunkOfOffset(uint64_t position) const;
    const Chunk& chunkAt(Place p) const { return groups_[p.group].chunks[p.chunk]; }
    uint64_t chunkFirstRow(Place p) const { return groupFirstRow_[p.group] + groups_[p.group].firstRow[p.chunk]; }
    uint64_t chunkStart(Place p) const { return groupStart_[p.group] + groups_[p.group].start[p.chunk]; }
    // The chunk after p, or past the last group's end.
    Place following(Place p) const;
    uint64_t rowBegin(const Chunk& chunk, uint64_t i) const { return i == 0 ? 0 : chunk.rows[i - 1].end; }
    // Row i of chunk: its raw bytes and its line ending.
    RowBytes rowBytes(const Chunk& chunk, uint64_t i) const;
    // Recomputes the first row and start of the group's chunks from chunk c on, and its totals.
    static void renumberGroup(Group& group, uint64_t c);
    // Recomputes the first row and start of every group from group g on.
    void renumberGroupsFrom(uint64_t g);
    // Puts rebuilt in place of the chunks from a to b, both included (none for an empty list),
    // regrouping the groups they lie in, and a neighbour when those would be too few.
    void spliceChunks(Place a, Place b, std::vector<Chunk>& rebuilt, uint64_t rowCount);
    static void appendRow(Chunk& chunk, const RowBytes& row);

    static constexpr uint64_t CACHE_SLOTS = 512;
    // Longer rows are decoded on every call rather than kept.
    static constexpr uint64_t CACHED_ROW_BYTES = uint64_t(16) << 10;
    struct CacheSlot {
        uint64_t row = ~uint64_t(0);
        CsvRow decoded;
    };
    mutable std::vector<CacheSlot> cache_;
    mutable CsvRow uncached_;

    std::vector<Group> groups_;
    std::vector<uint64_t> groupFirstRow_;
    std::vector<uint64_t> groupStart_;
    uint64_t rowCount_ = 0;
    std::string lead_;
    char delimiter_ = ',';
    char quote_ = '"';
};

// The row and the cell that hold a document position: the row it falls in (its line ending
// counting as its last cell's) and the first cell whose span reaches it; the last row for the
// document's end. None when the list is empty or the position lies in its lead or past its
// text.
struct RowCell {
    uint64_t row = 0;
    uint64_t cell = 0;
    bool operator==(const RowCell&) const = default;
};
std::optional<RowCell> cellHolding(const RowList& rows, uint64_t position);
