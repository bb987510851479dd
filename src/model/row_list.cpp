// The rows kept as chunks of document bytes: lookups, changes and the one-pass builder.
#include "model/row_list.h"

#include <algorithm>
#include <cstring>
#include <cstddef>
#include <stdexcept>
#include <utility>

namespace {

// A chunk's offsets are 32-bit; one row never comes near, since a row is at most 2 GiB.
constexpr uint64_t MAX_CHUNK_TEXT = 0xFFFFFFFFu;

}  // namespace

uint64_t RowList::textLength() const {
    return groups_.empty() ? lead_.size() : groupStart_.back() + groups_.back().bytes;
}

const CsvRow RowList::operator[](uint64_t r) const {
    CsvRow row;
    read(r, row);
    return row;
}

void RowList::read(uint64_t r, CsvRow& row) const {
    const Place p = chunkOfRow(r);
    const Chunk& chunk = chunkAt(p);
    const uint64_t i = r - chunkFirstRow(p);
    const RowBytes bytes = rowBytes(chunk, i);
    row.assignText(bytes.raw, delimiter_, quote_);
    row.setEol(bytes.eol);
    row.start = chunkStart(p) + rowBegin(chunk, i);
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
    const Place p = chunkOfRow(r);
    return chunkStart(p) + rowBegin(chunkAt(p), r - chunkFirstRow(p));
}

std::string_view RowList::raw(uint64_t r) const {
    const Place p = chunkOfRow(r);
    return rowBytes(chunkAt(p), r - chunkFirstRow(p)).raw;
}

std::string_view RowList::eol(uint64_t r) const {
    const Place p = chunkOfRow(r);
    return rowBytes(chunkAt(p), r - chunkFirstRow(p)).eol;
}

uint64_t RowList::cellCount(uint64_t r) const {
    const Place p = chunkOfRow(r);
    return chunkAt(p).rows[r - chunkFirstRow(p)].cellCount;
}

uint8_t RowList::notes(uint64_t r) const {
    const Place p = chunkOfRow(r);
    return chunkAt(p).tails[r - chunkFirstRow(p)] & ~EOL_BITS;
}

RowList::ChunkRows::Summary RowList::ChunkRows::summary(uint64_t from, uint64_t to) const {
    // Plain loops of their own, which the compiler turns into vector code.
    Summary summary;
    if (from >= to) return summary;
    if (from == 0 && to == chunk_->rows.size()) {
        return Summary{chunk_->fewest, chunk_->widest, static_cast<uint8_t>(chunk_->anyNotes & ~EOL_BITS),
                       static_cast<uint8_t>(chunk_->everyNote & ~EOL_BITS)};
    }
    const RowEntry* rows = chunk_->rows.data();
    const uint8_t* tails = chunk_->tails.data();
    uint32_t fewest = 0xFFFFFFFFu;
    uint32_t most = 0;
    for (uint64_t i = from; i < to; ++i) {
        fewest = std::min(fewest, rows[i].cellCount);
        most = std::max(most, rows[i].cellCount);
    }
    uint8_t any = 0;
    uint8_t every = 0xFF;
    for (uint64_t i = from; i < to; ++i) {
        any |= tails[i];
        every &= tails[i];
    }
    summary.fewestCells = fewest;
    summary.mostCells = most;
    summary.anyNotes = any & ~EOL_BITS;
    summary.everyNote = every & ~EOL_BITS;
    return summary;
}

RowList::ChunkRows RowList::chunkRows(uint64_t r) const {
    const Place p = chunkOfRow(r);
    return ChunkRows(&chunkAt(p), chunkFirstRow(p), chunkStart(p));
}

uint64_t RowList::lastRowStartingBefore(uint64_t position) const {
    if (rowCount_ == 0 || position <= lead_.size()) return 0;
    // The chunk that holds the byte before position holds the row.
    const Place p = chunkOfOffset(position - 1);
    const Chunk& chunk = chunkAt(p);
    const uint64_t inChunk = position - chunkStart(p);
    // Rows of the chunk whose end lies before inChunk end before position; the next one is
    // the row starting before it.
    auto after = std::upper_bound(chunk.rows.begin(), chunk.rows.end(), inChunk - 1,
                                  [](uint64_t q, const RowEntry& e) { return q < e.end; });
    const uint64_t i = static_cast<uint64_t>(after - chunk.rows.begin());
    return chunkFirstRow(p) + std::min<uint64_t>(i, chunk.rows.size() - 1);
}

bool RowList::holdsAt(uint64_t from, std::string_view text) const {
    const uint64_t length = textLength();
    if (from > length || text.size() > length - from) return false;
    if (from < lead_.size()) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(lead_.size() - from, text.size()));
        if (std::memcmp(lead_.data() + from, text.data(), count) != 0) return false;
        text.remove_prefix(count);
        from += count;
    }
    if (text.empty()) return true;
    Place p = chunkOfOffset(from);
    uint64_t inChunk = from - chunkStart(p);
    while (!text.empty()) {
        const std::string& bytes = chunkAt(p).text;
        const size_t count = static_cast<size_t>(std::min<uint64_t>(bytes.size() - inChunk, text.size()));
        if (count > 0 && std::memcmp(bytes.data() + inChunk, text.data(), count) != 0) return false;
        text.remove_prefix(count);
        p = following(p);
        inChunk = 0;
    }
    return true;
}

uint64_t RowList::rowStartingAt(uint64_t position) const {
    if (rowCount_ == 0 || position < lead_.size()) return ~uint64_t(0);
    if (position == lead_.size()) return 0;
    if (position >= textLength()) return ~uint64_t(0);
    const Place p = chunkOfOffset(position);
    const Chunk& chunk = chunkAt(p);
    const uint64_t inChunk = position - chunkStart(p);
    if (inChunk == 0) return chunkFirstRow(p);
    auto hit = std::lower_bound(chunk.rows.begin(), chunk.rows.end(), inChunk,
                                [](const RowEntry& e, uint64_t q) { return e.end < q; });
    if (hit == chunk.rows.end() || hit->end != inChunk) return ~uint64_t(0);
    return chunkFirstRow(p) + static_cast<uint64_t>(hit - chunk.rows.begin()) + 1;
}

uint64_t RowList::widest(uint64_t first, uint64_t last) const {
    uint64_t cells = 0;
    for (uint64_t r = first; r < last; ++r) cells = std::max(cells, cellCount(r));
    return cells;
}

uint64_t RowList::widest() const {
    uint64_t cells = 0;
    for (const Group& group : groups_) cells = std::max(cells, group.widest);
    return cells;
}

void RowList::setReading(char delimiter, char quote) {
    cache_.clear();
    delimiter_ = delimiter;
    quote_ = quote;
}

void RowList::clear() {
    cache_.clear();
    groups_.clear();
    groupFirstRow_.clear();
    groupStart_.clear();
    rowCount_ = 0;
    lead_.clear();
}

void RowList::replace(uint64_t first, uint64_t last, const std::vector<RowBytes>& fresh) {
    if (first > last || last > rowCount_) throw std::out_of_range("rows to replace");
    // The chunks from a, the one holding row first (or the last one, for an append), to b, the
    // one holding row last - 1, are rebuilt from their rows before first, the fresh rows and
    // their rows from last on.
    std::vector<Chunk> rebuilt(1);
    const auto add = [&](const RowBytes& row) {
        if (rebuilt.back().text.size() >= CHUNK_BYTES) rebuilt.emplace_back();
        appendRow(rebuilt.back(), row);
    };
    bool placed = false;
    const auto place = [&] {
        for (const RowBytes& row : fresh) add(row);
        placed = true;
    };
    Place a;
    Place b;
    uint64_t replaced = 0;  // the chunks from a to b
    if (!groups_.empty()) {
        a = first < rowCount_ ? chunkOfRow(first) : Place{groups_.size() - 1, groups_.back().chunks.size() - 1};
        b = last > first ? chunkOfRow(last - 1) : a;
        for (Place p = a;; p = following(p)) {
            const Chunk& chunk = chunkAt(p);
            const uint64_t firstRow = chunkFirstRow(p);
            for (uint64_t i = 0; i < chunk.rows.size(); ++i) {
                const uint64_t r = firstRow + i;
                if (r == first && !placed) place();
                if (r >= first && r < last) continue;
                add(rowBytes(chunk, i));
            }
            ++replaced;
            if (p == b) break;
        }
    }
    if (!placed) place();
    if (rebuilt.back().rows.empty()) rebuilt.pop_back();

    const uint64_t rowCount = rowCount_ - (last - first) + fresh.size();
    cache_.clear();
    if (rebuilt.size() != replaced) {
        spliceChunks(a, b, rebuilt, rowCount);
        return;
    }
    // The usual case, an edit inside one chunk: the chunks are replaced where they stand, and
    // only their groups and the groups' starts are renumbered.
    if (replaced == 0) return;
    Place p = a;
    for (uint64_t k = 0; k < replaced; ++k, p = following(p)) groups_[p.group].chunks[p.chunk] = std::move(rebuilt[k]);
    renumberGroup(groups_[a.group], a.chunk);
    for (uint64_t g = a.group + 1; g <= b.group; ++g) renumberGroup(groups_[g], 0);
    rowCount_ = rowCount;
    renumberGroupsFrom(a.group);
}

void RowList::spliceChunks(Place a, Place b, std::vector<Chunk>& rebuilt, uint64_t rowCount) {
    // The groups [g0, g1) are made anew from their chunks before a, the rebuilt ones and their
    // chunks after b, in groups of GROUP_CHUNKS to twice as many; fewer than half as many
    // join the next group, or the one before.
    uint64_t g0 = 0;
    uint64_t g1 = 0;
    uint64_t total = rebuilt.size();
    if (!groups_.empty()) {
        g0 = a.group;
        g1 = b.group + 1;
        total += a.chunk + (groups_[b.group].chunks.size() - b.chunk - 1);
        if (total < GROUP_CHUNKS / 2) {
            if (g1 < groups_.size()) {
                total += groups_[g1++].chunks.size();
            } else if (g0 > 0) {
                total += groups_[--g0].chunks.size();
            }
        }
    }
    const uint64_t pieces = total == 0 ? 0 : std::max<uint64_t>(1, total / GROUP_CHUNKS);
    std::vector<Group> regrouped(pieces);
    for (uint64_t i = 0; i < pieces; ++i) {
        const uint64_t count = total / pieces + (i < total % pieces ? 1 : 0);
        regrouped[i].chunks.reserve(count);
        regrouped[i].firstRow.resize(count);
        regrouped[i].start.resize(count);
    }
    // The group tables are made anew when the number of groups changes.
    const bool sameGroupCount = pieces == g1 - g0;
    const uint64_t groupCount = groups_.size() - (g1 - g0) + pieces;
    std::vector<Group> updated;
    std::vector<uint64_t> firstRows;
    std::vector<uint64_t> starts;
    if (!sameGroupCount) {
        updated.reserve(groupCount);
        firstRows.resize(groupCount);
        starts.resize(groupCount);
    }

    // Everything that can fail has been done; the moves below cannot, since every vector they
    // fill has room.
    uint64_t piece = 0;
    const auto put = [&](Chunk& chunk) {
        if (regrouped[piece].chunks.size() == regrouped[piece].firstRow.size()) ++piece;
        regrouped[piece].chunks.push_back(std::move(chunk));
    };
    const auto before = [](Place x, Place y) { return x.group < y.group || (x.group == y.group && x.chunk < y.chunk); };
    for (uint64_t g = g0; g < g1; ++g) {
        std::vector<Chunk>& chunks = groups_[g].chunks;
        for (uint64_t c = 0; c < chunks.size(); ++c) {
            const Place p{g, c};
            if (p == a) {
                for (Chunk& chunk : rebuilt) put(chunk);
            }
            if (!before(p, a) && !before(b, p)) continue;
            put(chunks[c]);
        }
    }
    if (groups_.empty()) {
        for (Chunk& chunk : rebuilt) put(chunk);
    }
    for (Group& group : regrouped) renumberGroup(group, 0);

    if (sameGroupCount) {
        for (uint64_t i = 0; i < pieces; ++i) groups_[g0 + i] = std::move(regrouped[i]);
    } else {
        for (uint64_t g = 0; g < g0; ++g) updated.push_back(std::move(groups_[g]));
        for (Group& group : regrouped) updated.push_back(std::move(group));
        for (uint64_t g = g1; g < groups_.size(); ++g) updated.push_back(std::move(groups_[g]));
        std::copy(groupFirstRow_.begin(), groupFirstRow_.begin() + static_cast<std::ptrdiff_t>(g0), firstRows.begin());
        std::copy(groupStart_.begin(), groupStart_.begin() + static_cast<std::ptrdiff_t>(g0), starts.begin());
        groups_ = std::move(updated);
        groupFirstRow_ = std::move(firstRows);
        groupStart_ = std::move(starts);
    }
    rowCount_ = rowCount;
    renumberGroupsFrom(g0);
}

void RowList::set(uint64_t r, const CsvRow& row) {
    replace(r, r + 1, {RowBytes{row.raw(), row.eol(), row.cellCount()}});
}

void RowList::push_back(const CsvRow& row) {
    replace(rowCount_, rowCount_, {RowBytes{row.raw(), row.eol(), row.cellCount()}});
}

RowList::RowBytes RowList::rowBytes(const Chunk& chunk, uint64_t i) const {
    const uint64_t begin = rowBegin(chunk, i);
    const uint64_t eolLength = chunk.tails[i] & EOL_BITS;
    const uint64_t rawLength = chunk.rows[i].end - begin - eolLength;
    const char* bytes = chunk.text.data() + begin;
    return RowBytes{std::string_view(bytes, rawLength), std::string_view(bytes + rawLength, eolLength),
                    chunk.rows[i].cellCount, static_cast<uint8_t>(chunk.tails[i] & ~EOL_BITS)};
}

RowList::Place RowList::chunkOfRow(uint64_t r) const {
    if (r >= rowCount_) throw std::out_of_range("no such row");
    const auto group = std::upper_bound(groupFirstRow_.begin(), groupFirstRow_.end(), r) - 1;
    const std::vector<uint64_t>& firstRows = groups_[static_cast<uint64_t>(group - groupFirstRow_.begin())].firstRow;
    const auto chunk = std::upper_bound(firstRows.begin(), firstRows.end(), r - *group) - 1;
    return Place{static_cast<uint64_t>(group - groupFirstRow_.begin()), static_cast<uint64_t>(chunk - firstRows.begin())};
}

RowList::Place RowList::chunkOfOffset(uint64_t position) const {
    const auto group = std::upper_bound(groupStart_.begin(), groupStart_.end(), position) - 1;
    const std::vector<uint64_t>& starts = groups_[static_cast<uint64_t>(group - groupStart_.begin())].start;
    const auto chunk = std::upper_bound(starts.begin(), starts.end(), position - *group) - 1;
    return Place{static_cast<uint64_t>(group - groupStart_.begin()), static_cast<uint64_t>(chunk - starts.begin())};
}

RowList::Place RowList::following(Place p) const {
    if (p.chunk + 1 < groups_[p.group].chunks.size()) return Place{p.group, p.chunk + 1};
    return Place{p.group + 1, 0};
}

void RowList::renumberGroup(Group& group, uint64_t c) {
    uint64_t row = c == 0 ? 0 : group.firstRow[c - 1] + group.chunks[c - 1].rows.size();
    uint64_t offset = c == 0 ? 0 : group.start[c - 1] + group.chunks[c - 1].text.size();
    uint64_t cells = 0;
    for (uint64_t k = 0; k < c; ++k) cells = std::max(cells, group.chunks[k].widest);
    for (; c < group.chunks.size(); ++c) {
        const Chunk& chunk = group.chunks[c];
        group.firstRow[c] = row;
        group.start[c] = offset;
        row += chunk.rows.size();
        offset += chunk.text.size();
        cells = std::max(cells, chunk.widest);
    }
    group.rows = row;
    group.bytes = offset;
    group.widest = cells;
}

void RowList::renumberGroupsFrom(uint64_t g) {
    uint64_t row = g == 0 ? 0 : groupFirstRow_[g - 1] + groups_[g - 1].rows;
    uint64_t offset = g == 0 ? lead_.size() : groupStart_[g - 1] + groups_[g - 1].bytes;
    for (; g < groups_.size(); ++g) {
        groupFirstRow_[g] = row;
        groupStart_[g] = offset;
        row += groups_[g].rows;
        offset += groups_[g].bytes;
    }
}

void RowList::appendRow(Chunk& chunk, const RowBytes& row) {
    if (chunk.text.size() + row.raw.size() + row.eol.size() > MAX_CHUNK_TEXT) throw std::length_error("row too long");
    if (row.eol.size() > 2) throw std::length_error("a line ending has at most two bytes");
    if (row.cellCount > 0xFFFFFFFFu) throw std::length_error("too many cells in a row");
    chunk.text.append(row.raw);
    chunk.text.append(row.eol);
    chunk.rows.push_back({static_cast<uint32_t>(chunk.text.size()), static_cast<uint32_t>(row.cellCount)});
    chunk.tails.push_back(static_cast<uint8_t>(row.eol.size() | (row.notes & ~EOL_BITS)));
    chunk.widest = std::max(chunk.widest, row.cellCount);
    chunk.fewest = std::min(chunk.fewest, row.cellCount);
    chunk.anyNotes |= row.notes;
    chunk.everyNote &= row.notes;
}

RowList::Builder::Builder(RowList& list, std::string_view text, uint64_t from)
    : list_(list), text_(text), chunkStart_(from), rowStart_(from) {
    spare_ = std::move(list_.groups_);
    list_.clear();
}

void RowList::Builder::keepLead(std::string_view lead) {
    list_.lead_.assign(lead);
    rowStart_ += lead.size();
    chunkStart_ = rowStart_;
}

void RowList::Builder::lend(Builder& other, uint64_t bytes) {
    // From the back, so that the chunks this builder takes next stay here.
    std::vector<Chunk> lent;
    uint64_t held = 0;
    // Whether the last spare chunk is one this builder has not taken yet.
    const auto untaken = [&] {
        if (spare_.size() > spareGroup_ + 1) return true;
        return spare_.size() == spareGroup_ + 1 && spare_.back().chunks.size() > spareChunk_;
    };
    while (untaken()) {
        std::vector<Chunk>& chunks = spare_.back().chunks;
        if (chunks.empty()) {
            spare_.pop_back();
            continue;
        }
        if (held + chunks.back().text.size() > bytes) break;
        held += chunks.back().text.size();
        lent.push_back(std::move(chunks.back()));
        chunks.pop_back();
    }
    std::reverse(lent.begin(), lent.end());
    Group group;
    group.chunks = std::move(lent);
    other.spare_.push_back(std::move(group));
}

uint64_t RowList::Builder::join(RowList& tail, uint64_t firstRow) {
    uint64_t widest = 0;
    if (firstRow >= tail.size()) {
        tail.clear();
        return widest;
    }
    const uint64_t tailEnd = tail.textLength();
    Place p = tail.chunkOfRow(firstRow);
    if (firstRow != tail.chunkFirstRow(p)) {
        // The rest of the chunk that holds firstRow is copied row by row, the chunks after it
        // are moved.
        const Chunk& chunk = tail.chunkAt(p);
        const uint64_t chunkStart = tail.chunkStart(p);
        for (uint64_t i = firstRow - tail.chunkFirstRow(p); i < chunk.rows.size(); ++i) {
            const uint64_t eolLength = chunk.tails[i] & EOL_BITS;
            add(chunkStart + chunk.rows[i].end - eolLength, eolLength, chunk.rows[i].cellCount, chunk.tails[i]);
            widest = std::max<uint64_t>(widest, chunk.rows[i].cellCount);
        }
        p = tail.following(p);
        if (p.group >= tail.groups_.size()) {
            tail.clear();
            return widest;
        }
    }
    if (open_) closeChunk();
    chunk_ = nullptr;
    const uint64_t firstStart = tail.chunkStart(p);
    Group& first = tail.groups_[p.group];
    if (p.chunk > 0) {
        first.chunks.erase(first.chunks.begin(), first.chunks.begin() + static_cast<std::ptrdiff_t>(p.chunk));
        first.firstRow.resize(first.chunks.size());
        first.start.resize(first.chunks.size());
        renumberGroup(first, 0);
    }
    const size_t groups = list_.groups_.size() + (tail.groups_.size() - p.group);
    // Room first, so that the moves below cannot fail half-way.
    list_.groups_.reserve(groups);
    list_.groupFirstRow_.reserve(groups);
    list_.groupStart_.reserve(groups);
    uint64_t row = list_.rowCount_;
    for (uint64_t g = p.group; g < tail.groups_.size(); ++g) {
        list_.groupFirstRow_.push_back(row);
        list_.groupStart_.push_back(g == p.group ? firstStart : tail.groupStart_[g]);
        row += tail.groups_[g].rows;
        widest = std::max(widest, tail.groups_[g].widest);
        list_.groups_.push_back(std::move(tail.groups_[g]));
    }
    list_.rowCount_ = row;
    rowStart_ = tailEnd;
    tail.clear();
    return widest;
}

void RowList::Builder::openChunk() {
    // The bytes of the open chunk are copied when it closes; until then its text is empty
    // and its row ends are offsets from chunkStart_.
    // A new chunk's rows are most likely about as many as its predecessor's: room for them is
    // made at once rather than by doubling.
    const size_t expected = chunk_ == nullptr ? 0 : chunk_->rows.size() * 9 / 8;
    if (list_.groups_.empty() || list_.groups_.back().chunks.size() >= GROUP_CHUNKS) {
        list_.groups_.emplace_back();
        Group& opened = list_.groups_.back();
        opened.chunks.reserve(GROUP_CHUNKS);
        opened.firstRow.reserve(GROUP_CHUNKS);
        opened.start.reserve(GROUP_CHUNKS);
        list_.groupFirstRow_.push_back(list_.rowCount_);
        list_.groupStart_.push_back(rowStart_);
    }
    Group& group = list_.groups_.back();
    while (spareGroup_ < spare_.size() && spareChunk_ >= spare_[spareGroup_].chunks.size()) {
        ++spareGroup_;
        spareChunk_ = 0;
    }
    if (spareGroup_ < spare_.size()) {
        Chunk& reused = spare_[spareGroup_].chunks[spareChunk_++];
        reused.text.clear();
        reused.rows.clear();
        reused.tails.clear();
        reused.widest = 0;
        reused.fewest = ~uint64_t(0);
        reused.anyNotes = 0;
        reused.everyNote = 0xFF;
        group.chunks.push_back(std::move(reused));
    } else {
        group.chunks.emplace_back();
        group.chunks.back().rows.reserve(expected);
        group.chunks.back().tails.reserve(expected);
    }
    group.firstRow.push_back(list_.rowCount_ - list_.groupFirstRow_.back());
    group.start.push_back(rowStart_ - list_.groupStart_.back());
    chunk_ = &group.chunks.back();
    open_ = true;
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
    Chunk& chunk = *chunk_;
    // The notes of the rows together, in a loop the compiler turns into vector code.
    uint8_t any = 0;
    uint8_t every = 0xFF;
    for (const uint8_t tail : chunk.tails) {
        any |= tail;
        every &= tail;
    }
    chunk.anyNotes = any;
    chunk.everyNote = every;
    chunk.text.assign(text_.data() + chunkStart_, static_cast<size_t>(rowStart_ - chunkStart_));
    if (chunk.text.capacity() > 2 * chunk.text.size() + CHUNK_BYTES) chunk.text.shrink_to_fit();
    // The row entries grew by doubling; a chunk kept with much room to spare gives it back.
    if (chunk.rows.capacity() > chunk.rows.size() + chunk.rows.size() / 4 + 16) {
        chunk.rows.shrink_to_fit();
        chunk.tails.shrink_to_fit();
    }
    Group& group = list_.groups_.back();
    group.rows += chunk.rows.size();
    group.bytes += chunk.text.size();
    group.widest = std::max(group.widest, chunk.widest);
    open_ = false;
}

std::optional<RowCell> cellHolding(const RowList& rows, uint64_t position) {
    if (rows.empty() || position < rows.lead().size() || position > rows.textLength()) return std::nullopt;
    uint64_t r = rows.rowStartingAt(position);
    if (r >= rows.size()) r = rows.lastRowStartingBefore(position);
    const CsvRow row = rows[r];
    const uint64_t offset = position - rows.start(r);
    uint64_t cell = 0;
    while (cell + 1 < row.cellCount() && offset > row.cellEnd(cell)) ++cell;
    return RowCell{r, cell};
}
