// The rows kept as chunks of document bytes: lookups, changes and the one-pass builder.
#include "model/row_list.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

// A chunk's offsets are 32-bit; one row never comes near, since a row is at most 2 GiB.
constexpr uint64_t MAX_CHUNK_TEXT = 0xFFFFFFFFu;

}  // namespace

uint64_t RowList::textLength() const {
    return chunks_.empty() ? 0 : chunkStart_.back() + chunks_.back().text.size();
}

const CsvRow RowList::operator[](uint64_t r) const {
    CsvRow row;
    read(r, row);
    return row;
}

void RowList::read(uint64_t r, CsvRow& row) const {
    const uint64_t k = chunkOfRow(r);
    const uint64_t i = r - chunkFirstRow_[k];
    const RowBytes bytes = rowBytes(chunks_[k], i);
    row.assignText(bytes.raw, delimiter_, quote_);
    row.setEol(bytes.eol);
    row.start = chunkStart_[k] + rowBegin(chunks_[k], i);
    row.end = row.start + bytes.raw.size();
}

const CsvRow& RowList::cached(uint64_t r) const {
    if (raw(r).size() > CACHED_ROW_BYTES) {
        read(r, uncached_);
        return uncached_;
    }
    if (cache_.empty()) cache_.resize(CACHE_SLOTS);
    CacheSlot& slot = cache_[r % CACHE_SLOTS];
    if (slot.row != r) {
        slot.row = ~uint64_t(0);  // a read that throws leaves no slot claiming the row
        read(r, slot.decoded);
        slot.row = r;
    }
    return slot.decoded;
}

uint64_t RowList::start(uint64_t r) const {
    const uint64_t k = chunkOfRow(r);
    return chunkStart_[k] + rowBegin(chunks_[k], r - chunkFirstRow_[k]);
}

std::string_view RowList::raw(uint64_t r) const {
    const uint64_t k = chunkOfRow(r);
    return rowBytes(chunks_[k], r - chunkFirstRow_[k]).raw;
}

std::string_view RowList::eol(uint64_t r) const {
    const uint64_t k = chunkOfRow(r);
    return rowBytes(chunks_[k], r - chunkFirstRow_[k]).eol;
}

uint64_t RowList::cellCount(uint64_t r) const {
    const uint64_t k = chunkOfRow(r);
    return chunks_[k].rows[r - chunkFirstRow_[k]].cellCount;
}

uint64_t RowList::lastRowStartingBefore(uint64_t position) const {
    if (rowCount_ == 0 || position == 0) return 0;
    // The chunk that holds the byte before position holds the row.
    const uint64_t k = chunkOfOffset(position - 1);
    const Chunk& chunk = chunks_[k];
    const uint64_t inChunk = position - chunkStart_[k];
    // Rows of the chunk whose end lies before inChunk end before position; the next one is
    // the row starting before it.
    auto after = std::upper_bound(chunk.rows.begin(), chunk.rows.end(), inChunk - 1,
                                  [](uint64_t p, const RowEntry& e) { return p < e.end; });
    const uint64_t i = static_cast<uint64_t>(after - chunk.rows.begin());
    return chunkFirstRow_[k] + std::min<uint64_t>(i, chunk.rows.size() - 1);
}

uint64_t RowList::rowStartingAt(uint64_t position) const {
    if (rowCount_ == 0) return ~uint64_t(0);
    if (position == 0) return 0;
    if (position >= textLength()) return ~uint64_t(0);
    const uint64_t k = chunkOfOffset(position);
    const Chunk& chunk = chunks_[k];
    const uint64_t inChunk = position - chunkStart_[k];
    if (inChunk == 0) return chunkFirstRow_[k];
    auto hit = std::lower_bound(chunk.rows.begin(), chunk.rows.end(), inChunk,
                                [](const RowEntry& e, uint64_t p) { return e.end < p; });
    if (hit == chunk.rows.end() || hit->end != inChunk) return ~uint64_t(0);
    return chunkFirstRow_[k] + static_cast<uint64_t>(hit - chunk.rows.begin()) + 1;
}

uint64_t RowList::widest(uint64_t first, uint64_t last) const {
    uint64_t cells = 0;
    for (uint64_t r = first; r < last; ++r) cells = std::max(cells, cellCount(r));
    return cells;
}

uint64_t RowList::widest() const {
    uint64_t cells = 0;
    for (const Chunk& chunk : chunks_) cells = std::max(cells, chunk.widest);
    return cells;
}

void RowList::setReading(char delimiter, char quote) {
    cache_.clear();
    delimiter_ = delimiter;
    quote_ = quote;
}

void RowList::clear() {
    cache_.clear();
    chunks_.clear();
    chunkFirstRow_.clear();
    chunkStart_.clear();
    rowCount_ = 0;
}

void RowList::replace(uint64_t first, uint64_t last, const std::vector<RowBytes>& fresh) {
    if (first > last || last > rowCount_) throw std::out_of_range("rows to replace");
    // The chunks from the one holding row first (or the last one, for an append) to the one
    // holding row last - 1 are rebuilt from their rows before first, the fresh rows and their
    // rows from last on.
    uint64_t ka = 0;
    uint64_t kb = 0;  // exclusive
    if (!chunks_.empty()) {
        ka = first < rowCount_ ? chunkOfRow(first) : chunks_.size() - 1;
        kb = (last > first ? chunkOfRow(last - 1) : ka) + 1;
    }
    std::vector<Chunk> rebuilt(1);
    const auto add = [&](std::string_view raw, std::string_view eol, uint64_t cellCount) {
        if (rebuilt.back().text.size() >= CHUNK_BYTES) rebuilt.emplace_back();
        appendRow(rebuilt.back(), raw, eol, cellCount);
    };
    bool placed = false;
    const auto place = [&] {
        for (const RowBytes& row : fresh) add(row.raw, row.eol, row.cellCount);
        placed = true;
    };
    for (uint64_t k = ka; k < kb; ++k) {
        const Chunk& chunk = chunks_[k];
        for (uint64_t i = 0; i < chunk.rows.size(); ++i) {
            const uint64_t r = chunkFirstRow_[k] + i;
            if (r == first && !placed) place();
            if (r >= first && r < last) continue;
            const RowBytes kept = rowBytes(chunk, i);
            add(kept.raw, kept.eol, kept.cellCount);
        }
    }
    if (!placed) place();
    if (rebuilt.back().rows.empty()) rebuilt.pop_back();

    const uint64_t rowCount = rowCount_ - (last - first) + fresh.size();
    cache_.clear();
    if (rebuilt.size() == kb - ka) {
        // The usual case, an edit inside one chunk: the chunk is replaced where it stands.
        for (uint64_t k = ka; k < kb; ++k) chunks_[k] = std::move(rebuilt[k - ka]);
        rowCount_ = rowCount;
        renumberFrom(ka);
        return;
    }
    const uint64_t count = chunks_.size() - (kb - ka) + rebuilt.size();
    std::vector<Chunk> updated;
    updated.reserve(count);
    std::vector<uint64_t> firstRows(count);
    std::vector<uint64_t> starts(count);
    // Everything that can fail has been done; the moves below cannot.
    for (uint64_t k = 0; k < ka; ++k) updated.push_back(std::move(chunks_[k]));
    for (Chunk& chunk : rebuilt) updated.push_back(std::move(chunk));
    for (uint64_t k = kb; k < chunks_.size(); ++k) updated.push_back(std::move(chunks_[k]));
    chunks_ = std::move(updated);
    chunkFirstRow_ = std::move(firstRows);
    chunkStart_ = std::move(starts);
    rowCount_ = rowCount;
    renumberFrom(0);
}

void RowList::set(uint64_t r, const CsvRow& row) {
    replace(r, r + 1, {RowBytes{row.raw(), row.eol(), row.cellCount()}});
}

void RowList::push_back(const CsvRow& row) {
    replace(rowCount_, rowCount_, {RowBytes{row.raw(), row.eol(), row.cellCount()}});
}

RowList::RowBytes RowList::rowBytes(const Chunk& chunk, uint64_t i) const {
    const uint64_t begin = rowBegin(chunk, i);
    const uint64_t eolLength = chunk.eolLengths[i];
    const uint64_t rawLength = chunk.rows[i].end - begin - eolLength;
    const char* bytes = chunk.text.data() + begin;
    return RowBytes{std::string_view(bytes, rawLength), std::string_view(bytes + rawLength, eolLength),
                    chunk.rows[i].cellCount};
}

uint64_t RowList::chunkOfRow(uint64_t r) const {
    if (r >= rowCount_) throw std::out_of_range("no such row");
    auto after = std::upper_bound(chunkFirstRow_.begin(), chunkFirstRow_.end(), r);
    return static_cast<uint64_t>(after - chunkFirstRow_.begin()) - 1;
}

uint64_t RowList::chunkOfOffset(uint64_t position) const {
    auto after = std::upper_bound(chunkStart_.begin(), chunkStart_.end(), position);
    return static_cast<uint64_t>(after - chunkStart_.begin()) - 1;
}

void RowList::renumberFrom(uint64_t k) {
    uint64_t row = k == 0 ? 0 : chunkFirstRow_[k - 1] + chunks_[k - 1].rows.size();
    uint64_t offset = k == 0 ? 0 : chunkStart_[k - 1] + chunks_[k - 1].text.size();
    for (; k < chunks_.size(); ++k) {
        chunkFirstRow_[k] = row;
        chunkStart_[k] = offset;
        row += chunks_[k].rows.size();
        offset += chunks_[k].text.size();
    }
}

void RowList::appendRow(Chunk& chunk, std::string_view raw, std::string_view eol, uint64_t cellCount) {
    if (chunk.text.size() + raw.size() + eol.size() > MAX_CHUNK_TEXT) throw std::length_error("row too long");
    if (eol.size() > 2) throw std::length_error("a line ending has at most two bytes");
    if (cellCount > 0xFFFFFFFFu) throw std::length_error("too many cells in a row");
    chunk.text.append(raw);
    chunk.text.append(eol);
    chunk.rows.push_back({static_cast<uint32_t>(chunk.text.size()), static_cast<uint32_t>(cellCount)});
    chunk.eolLengths.push_back(static_cast<uint8_t>(eol.size()));
    chunk.widest = std::max(chunk.widest, cellCount);
}

RowList::Builder::Builder(RowList& list, std::string_view text) : list_(list), text_(text) {
    spare_ = std::move(list_.chunks_);
    list_.clear();
}

void RowList::Builder::openChunk() {
    // The bytes of the open chunk are copied when it closes; until then its text is empty
    // and its row ends are offsets from chunkStart_.
    if (spareUsed_ < spare_.size()) {
        Chunk& reused = spare_[spareUsed_++];
        reused.text.clear();
        reused.rows.clear();
        reused.eolLengths.clear();
        reused.widest = 0;
        list_.chunks_.push_back(std::move(reused));
    } else {
        // A new chunk's rows are most likely about as many as its predecessor's: room for
        // them is made at once rather than by doubling.
        const size_t expected = list_.chunks_.empty() ? 0 : list_.chunks_.back().rows.size() * 9 / 8;
        list_.chunks_.emplace_back();
        list_.chunks_.back().rows.reserve(expected);
        list_.chunks_.back().eolLengths.reserve(expected);
    }
    open_ = true;
    list_.chunkFirstRow_.push_back(list_.rowCount_);
    list_.chunkStart_.push_back(rowStart_);
    chunkStart_ = rowStart_;
}

void RowList::Builder::refuse(uint64_t next, uint64_t) const {
    if (next - chunkStart_ > MAX_CHUNK_TEXT) throw std::length_error("row too long");
    throw std::length_error("too many cells in a row");
}

void RowList::Builder::finish() {
    if (open_) closeChunk();
    spare_.clear();
}

void RowList::Builder::closeChunk() {
    Chunk& chunk = list_.chunks_.back();
    chunk.text.assign(text_.data() + chunkStart_, static_cast<size_t>(rowStart_ - chunkStart_));
    if (chunk.text.capacity() > 2 * chunk.text.size() + CHUNK_BYTES) chunk.text.shrink_to_fit();
    // The row entries grew by doubling; a chunk kept with much room to spare gives it back.
    if (chunk.rows.capacity() > chunk.rows.size() + chunk.rows.size() / 4 + 16) {
        chunk.rows.shrink_to_fit();
        chunk.eolLengths.shrink_to_fit();
    }
    open_ = false;
}
