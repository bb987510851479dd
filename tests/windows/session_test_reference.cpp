#include "session_test_reference.h"

#include "model/csv_table.h"
#include "model/row_text.h"

#include <algorithm>

namespace session {

namespace {
constexpr char QUOTE = '"';
}

RefRow scanRow(const std::string& text, uint64_t p, char delimiter) {
    RefRow row;
    row.start = p;
    row.end = scanRecord(text, p, delimiter, QUOTE, row.cells, row.cellStarts, row.cellEnds);
    for (uint64_t& s : row.cellStarts) s -= p;
    for (uint64_t& e : row.cellEnds) e -= p;
    row.raw = text.substr(p, row.end - p);
    const uint64_t length = text.size();
    if (row.end < length) {
        const bool crlf = text[row.end] == '\r' && row.end + 1 < length && text[row.end + 1] == '\n';
        row.eol = text.substr(row.end, crlf ? 2 : 1);
    }
    return row;
}

Reference::Reference(std::string document, int eolMode_, int codePage_, bool headerRow_, char delimiter_)
    : doc(std::move(document)), eolMode(eolMode_), codePage(codePage_), headerRow(headerRow_), delimiter(delimiter_) {
    scan();
}

void Reference::scan() {
    rows_.clear();
    maxCells_ = 0;
    uint64_t p = 0;
    while (p < doc.size()) {
        RefRow row = scanRow(doc, p, delimiter);
        maxCells_ = std::max<uint64_t>(maxCells_, row.cells.size());
        p = row.end + row.eol.size();
        rows_.push_back(std::move(row));
    }
    stale = false;
}

uint64_t Reference::gridRowCount() const {
    return headerRow && !rows_.empty() ? rows_.size() - 1 : rows_.size();
}

// An empty document shows one column, for its ready row.
uint64_t Reference::shownColumns() const { return std::max<uint64_t>(std::min<uint64_t>(maxCells_, 512), 1); }

const std::string* Reference::cellAt(int64_t gridRow, uint64_t cellIndex) const {
    if (gridRow < 0 || modelRow(gridRow) >= rows_.size()) return nullptr;
    const RefRow& row = rows_[modelRow(gridRow)];
    return cellIndex < row.cells.size() ? &row.cells[cellIndex] : nullptr;
}

std::string Reference::lineEnding() const {
    return eolMode == 1 ? "\r" : eolMode == 2 ? "\n" : "\r\n";
}

bool Reference::documentUnchanged() {
    if (!stale) return true;
    scan();
    ++boxes;
    return false;
}

bool Reference::rowMatches(const RefRow& row) const {
    return row.start <= row.end && row.end <= doc.size() && doc.compare(row.start, row.raw.size(), row.raw) == 0;
}

bool Reference::replace(uint64_t from, uint64_t to, std::string bytes) {
    if (readOnly || fault == Fault::Refuse) return false;
    bool dropped = false;
    if (fault == Fault::DropLastByte && !bytes.empty()) {
        bytes.pop_back();
        dropped = true;
    }
    if (to > from || !bytes.empty()) stepChanged_ = true;
    doc.replace(from, to - from, bytes);
    return !dropped;
}

void Reference::beginStep() {
    stepBefore_ = doc;
    stepChanged_ = false;
}

void Reference::endStep() {
    if (!stepChanged_) return;
    undoStack.push_back(std::move(stepBefore_));
    redoStack.clear();
}

// The ready row of a grid without data rows: the lines become records after the last line,
// after a line of empty titles in an empty document with the header row on.
void Reference::writeFirstRecords(uint64_t firstCell, const std::vector<std::vector<std::string>>& lines) {
    if (!documentUnchanged()) return;
    const std::string eol = lineEnding();
    uint64_t width = shownColumns();
    for (const std::vector<std::string>& line : lines) width = std::max<uint64_t>(width, firstCell + line.size());
    const std::string blank = width == 1 ? std::string(2, QUOTE) : std::string(width - 1, delimiter);
    std::string records;
    for (const std::vector<std::string>& line : lines) {
        std::vector<std::string> cells(width);
        for (size_t k = 0; k < line.size(); ++k) cells[firstCell + k] = line[k];
        const std::string text = joinFields(cells, delimiter, QUOTE);
        records += (records.empty() ? "" : eol) + (text.empty() ? std::string(2, QUOTE) : text);
    }
    beginStep();
    bool written = false;
    if (rows_.empty()) {
        written = replace(0, 0, (headerRow ? blank + eol : std::string()) + records);
    } else if (!rows_.back().eol.empty()) {
        const uint64_t at = rows_.back().end + rows_.back().eol.size();
        written = replace(at, at, records + eol);
    } else {
        written = replace(rows_.back().end, rows_.back().end, eol + records);
    }
    endStep();
    scan();
    if (!written) ++boxes;
}

bool Reference::cellEdit(int64_t gridRow, uint64_t cellIndex, const std::string& value) {
    if (gridRow == 0 && gridRowCount() == 0) {
        if (value.empty()) return false;
        writeFirstRecords(cellIndex, {{value}});
        return true;
    }
    if (gridRow < 0 || modelRow(gridRow) >= rows_.size()) return false;
    const uint64_t r = modelRow(gridRow);
    const RefRow& row = rows_[r];
    if (cellIndex < row.cells.size() && row.cells[cellIndex] == value) return false;
    if (!rowMatches(row)) {
        scan();
        ++boxes;
        return false;
    }
    std::vector<std::string> cells = row.cells;
    while (cells.size() <= cellIndex) cells.emplace_back();
    cells[cellIndex] = value;
    const std::string text = joinFields(cells, delimiter, QUOTE);
    // An emptied last row without a line ending gets one, or it would be no row at all.
    const std::string ending = text.empty() && row.eol.empty() ? lineEnding() : std::string();
    // Only the bytes that change are written: the shared start and end of the old and new text
    // stay.
    const std::string fresh = text + ending;
    size_t front = 0;
    while (front < row.raw.size() && front < fresh.size() && row.raw[front] == fresh[front]) ++front;
    size_t back = 0;
    while (back < row.raw.size() - front && back < fresh.size() - front &&
           row.raw[row.raw.size() - 1 - back] == fresh[fresh.size() - 1 - back]) {
        ++back;
    }
    beginStep();
    const bool written = replace(row.start + front, row.end - back, fresh.substr(front, fresh.size() - front - back));
    endStep();
    if (!written) {
        scan();
        ++boxes;
        return false;
    }
    // The row in step with the document without a scan; later rows move by the difference.
    const int64_t d = static_cast<int64_t>(text.size()) - static_cast<int64_t>(row.raw.size());
    RefRow updated = scanRow(text, 0, delimiter);
    updated.start = row.start;
    updated.end = row.start + text.size();
    updated.eol = row.eol.empty() ? ending : row.eol;
    updated.cells = cells;
    rows_[r] = std::move(updated);
    for (uint64_t k = r + 1; k < rows_.size(); ++k) {
        rows_[k].start += d;
        rows_[k].end += d;
    }
    maxCells_ = std::max<uint64_t>(maxCells_, cells.size());
    return true;
}

void Reference::addRow(int64_t currentRow, bool above) {
    if (!documentUnchanged()) return;
    const std::string eol = lineEnding();
    beginStep();
    if (rows_.empty()) {
        replace(0, 0, std::string(2, QUOTE) + eol);  // one record line, whatever the header row
    } else {
        const uint64_t n = std::max<uint64_t>(shownColumns(), 1);
        const std::string blank = n == 1 ? std::string(2, QUOTE) : std::string(n - 1, delimiter);
        uint64_t r = currentRow < 0 ? rows_.size() : modelRow(currentRow);
        if (r >= rows_.size()) r = rows_.size() - 1;
        // The first byte of a row in the document, 0 past the last.
        const auto firstByte = [&](uint64_t k) -> char {
            if (k >= rows_.size()) return 0;
            const RefRow& next = rows_[k];
            return !next.raw.empty() ? next.raw[0] : (next.eol.empty() ? 0 : next.eol[0]);
        };
        // A new row's ending must not join a lone CR before it or an LF after it.
        const auto rowText = [&](char before, char after) {
            std::string text = blank + eol;
            if ((before == '\r' && text[0] == '\n') || (text.back() == '\r' && after == '\n')) text = blank + "\r\n";
            return text;
        };
        if (above && gridRowCount() > 0 && r == 0) {
            replace(0, 0, rowText(0, firstByte(0)));
        } else {
            if (above && gridRowCount() > 0) --r;
            const RefRow& row = rows_[r];
            if (!row.eol.empty()) {
                const uint64_t p = row.end + row.eol.size();
                replace(p, p, rowText(row.eol.back(), firstByte(r + 1)));
            } else {
                replace(row.end, row.end, eol + blank);
            }
        }
    }
    endStep();
    scan();
}

void Reference::deleteRows(std::vector<int64_t> selected, int64_t currentRow, bool ok) {
    if (rows_.empty()) return;
    if (selected.empty()) selected.push_back(currentRow);
    std::vector<uint64_t> indexes;
    for (const int64_t g : selected) {
        if (g >= 0 && modelRow(g) < rows_.size()) indexes.push_back(modelRow(g));
    }
    // No record selected (the ready row): nothing to check, nothing to ask.
    if (indexes.empty() || !documentUnchanged()) return;
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    ++boxes;  // the question
    if (!ok) return;

    beginStep();
    size_t last = indexes.size();
    while (last > 0) {
        size_t first = last - 1;
        while (first > 0 && indexes[first - 1] + 1 == indexes[first]) --first;
        const uint64_t f = indexes[first];
        const uint64_t l = indexes[last - 1];
        uint64_t from = rows_[f].start;
        uint64_t end = rows_[l].end + rows_[l].eol.size();
        const bool nextIsLf = l + 1 < rows_.size() && rows_[l + 1].raw.empty() && rows_[l + 1].eol == "\n";
        if (f > 0 && rows_[l].eol.empty()) {
            // An empty line before keeps its ending; any other row gives its ending up.
            if (rows_[f - 1].raw.empty()) end = rows_[l].end;
            else from = rows_[f - 1].end;
        }
        std::string put;
        if (f > 0 && !rows_[l].eol.empty() && rows_[f - 1].eol == "\r" && nextIsLf) {
            // A lone CR must not come to stand before an LF: the row before takes the last
            // deleted row's ending, or CR LF where that one would join too (a lone CR itself,
            // or an LF after the lone CR of the row before an empty row before).
            const std::string& taken = rows_[l].eol;
            const bool afterLoneCr = rows_[f - 1].raw.empty() && f >= 2 && rows_[f - 2].eol == "\r" &&
                                     taken.front() == '\n';
            from = rows_[f - 1].end;
            if (taken.back() != '\r' && !afterLoneCr) end = rows_[l].end;
            else put = "\r\n";
        }
        const uint64_t length = doc.size();
        if (length >= from) {
            const uint64_t to = std::min<uint64_t>(end, length);
            if (from < to || !put.empty()) replace(from, to, put);
        }
        last = first;
    }
    endStep();
    scan();
}

void Reference::rewrite(const std::vector<std::string>& raws, const std::vector<std::string>& eols, bool changesOnly) {
    std::string text;
    for (size_t i = 0; i < raws.size(); ++i) {
        text += raws[i];
        text += (i + 1 == raws.size() || !eols[i].empty()) ? eols[i] : lineEnding();
    }
    beginStep();
    if (!changesOnly) {
        // One replace, from the first to the last byte that changes.
        const size_t most = std::min(doc.size(), text.size());
        size_t front = 0;
        while (front < most && doc[front] == text[front]) ++front;
        size_t back = 0;
        while (back < most - front && doc[doc.size() - 1 - back] == text[text.size() - 1 - back]) ++back;
        if (front < doc.size() - back || front < text.size() - back) {
            // From the first line to the last it is the whole text.
            const bool fromFirstLine = rows_.size() < 2 || front < rows_[1].start;
            const bool toLastLine = rows_.empty() || doc.size() - back > rows_.back().start;
            if (fromFirstLine && toLastLine) replace(0, doc.size(), text);
            else replace(front, doc.size() - back, text.substr(front, text.size() - front - back));
        }
    } else {
        // Each changed row from its first to its last changed byte, the last row first, rows
        // past the old last one before all; the writing stops at the first replace that fails.
        std::vector<std::string> fresh;
        for (size_t i = 0; i < raws.size(); ++i) {
            fresh.push_back(raws[i] + ((i + 1 == raws.size() || !eols[i].empty()) ? eols[i] : lineEnding()));
        }
        bool going = true;
        if (fresh.size() > rows_.size()) {
            std::string appended;
            for (size_t i = rows_.size(); i < fresh.size(); ++i) appended += fresh[i];
            going = replace(doc.size(), doc.size(), appended);
        }
        for (size_t i = std::min(fresh.size(), rows_.size()); going && i-- > 0;) {
            const std::string old = rows_[i].raw + rows_[i].eol;
            const std::string& now = fresh[i];
            const size_t most = std::min(old.size(), now.size());
            size_t front = 0;
            while (front < most && old[front] == now[front]) ++front;
            size_t back = 0;
            while (back < most - front && old[old.size() - 1 - back] == now[now.size() - 1 - back]) ++back;
            if (front == old.size() && front == now.size()) continue;
            going = replace(rows_[i].start + front, rows_[i].start + old.size() - back,
                            now.substr(front, now.size() - front - back));
        }
    }
    endStep();
    scan();
}

std::vector<std::string> Reference::eols() const {
    std::vector<std::string> all;
    for (const RefRow& row : rows_) all.push_back(row.eol);
    return all;
}

void Reference::paste(int64_t currentRow, int64_t currentColumn, const std::vector<std::vector<std::string>>& lines) {
    if (currentColumn <= 0 || !documentUnchanged() || lines.empty()) return;
    const uint64_t c0 = static_cast<uint64_t>(currentColumn - 1);
    if (lines.size() == 1 && lines[0].size() == 1) {
        cellEdit(currentRow, c0, lines[0][0]);
        return;
    }
    // No grid row (none at all, or the header alone): the block goes into the ready row.
    if (gridRowCount() == 0) {
        writeFirstRecords(c0, lines);
        return;
    }
    const uint64_t r0 = modelRow(currentRow);
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> raws = {};
    std::vector<std::string> endings = eols();
    for (const RefRow& row : rows_) {
        cells.push_back(row.cells);
        raws.push_back(row.raw);
    }
    const uint64_t width = std::max<uint64_t>(shownColumns(), 1);
    while (cells.size() < r0 + lines.size()) {
        if (endings.back().empty()) endings.back() = lineEnding();
        cells.emplace_back(width);
        raws.push_back(joinFields(cells.back(), delimiter, QUOTE));
        endings.push_back(lineEnding());
    }
    // A rectangular table that the block runs past on the right is widened, every record.
    uint64_t pastedWidth = 0;
    for (const auto& line : lines) pastedWidth = std::max<uint64_t>(pastedWidth, c0 + line.size());
    const uint64_t recordWidth = rows_.front().cells.size();
    bool rectangular = pastedWidth > recordWidth;
    for (const RefRow& row : rows_) rectangular = rectangular && row.cells.size() == recordWidth;
    for (size_t k = 0; k < lines.size(); ++k) {
        std::vector<std::string>& row = cells[r0 + k];
        if (rectangular && row.size() < pastedWidth) row.resize(pastedWidth);
        for (size_t i = 0; i < lines[k].size(); ++i) {
            const uint64_t j = c0 + i;
            while (row.size() <= j) row.emplace_back();
            row[j] = lines[k][i];
        }
        raws[r0 + k] = joinFields(row, delimiter, QUOTE);
    }
    for (uint64_t r = 0; rectangular && r < rows_.size(); ++r) {
        if (r < r0 || r >= r0 + lines.size()) raws[r] += std::string(pastedWidth - recordWidth, delimiter);
    }
    rewrite(raws, endings, true);
}

void Reference::clearRange(int64_t firstRow, int64_t lastRow, uint64_t firstCell, uint64_t lastCell) {
    if (rows_.empty() || !documentUnchanged()) return;
    std::vector<std::string> raws;
    for (const RefRow& row : rows_) raws.push_back(row.raw);
    for (int64_t g = firstRow; g <= lastRow; ++g) {
        const uint64_t r = modelRow(g);
        if (r >= rows_.size()) break;
        std::vector<std::string> cells = rows_[r].cells;
        bool changed = false;
        for (uint64_t j = firstCell; j <= lastCell && j < cells.size(); ++j) {
            changed = changed || !cells[j].empty();
            cells[j].clear();
        }
        if (changed) raws[r] = joinFields(cells, delimiter, QUOTE);
    }
    rewrite(raws, eols(), true);
}

void Reference::addColumn(int64_t currentColumn) {
    if (rows_.empty() || !documentUnchanged()) return;
    const uint64_t c = currentColumn > 0 ? static_cast<uint64_t>(currentColumn - 1) : 0;
    std::vector<std::string> raws;
    for (const RefRow& row : rows_) {
        std::string raw = row.raw;
        const uint64_t m = row.cells.size();
        if (c < m) {
            raw.insert(row.cellStarts[c], 1, delimiter);
        } else if (c == m) {
            raw.push_back(delimiter);
        }
        raws.push_back(std::move(raw));
    }
    rewrite(raws, eols());
}

void Reference::deleteColumn(int64_t currentColumn, bool ok) {
    if (rows_.empty() || shownColumns() == 0 || currentColumn <= 0 || !documentUnchanged()) return;
    ++boxes;  // the question
    if (!ok) return;
    const uint64_t c = static_cast<uint64_t>(currentColumn - 1);
    std::vector<std::string> raws;
    for (const RefRow& row : rows_) {
        std::string raw = row.raw;
        const uint64_t m = row.cells.size();
        if (c < m) {
            uint64_t from = row.cellStarts[0], to = row.cellEnds[0];
            if (c + 1 < m) {
                from = row.cellStarts[c];
                to = row.cellStarts[c + 1];
            } else if (c > 0) {
                from = row.cellEnds[c - 1];
                to = row.cellEnds[c];
            }
            if (from < to && to <= raw.size()) raw.erase(from, to - from);
        }
        raws.push_back(std::move(raw));
    }
    rewrite(raws, eols());
}

void Reference::userReplace(uint64_t position, uint64_t length, const std::string& bytes) {
    if (readOnly) return;
    position = std::min<uint64_t>(position, doc.size());
    length = std::min<uint64_t>(length, doc.size() - position);
    if (length == 0 && bytes.empty()) return;
    beginStep();
    doc.replace(position, length, bytes);
    stepChanged_ = true;
    endStep();
    stale = true;
}

void Reference::hostEdit(const std::string& after, bool replaced) {
    if (readOnly || (after == doc && !replaced)) return;
    beginStep();
    doc = after;
    stepChanged_ = true;
    endStep();
    stale = true;
}

void Reference::reload(const std::string& text) {
    doc = text;
    undoStack.clear();
    redoStack.clear();
    stale = true;
}

namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Every occurrence of find in value replaced, left to right, ASCII case folded.
std::string replacedAll(const std::string& value, const std::string& find, const std::string& with) {
    std::string out;
    size_t i = 0;
    while (i < value.size()) {
        bool match = i + find.size() <= value.size();
        for (size_t k = 0; match && k < find.size(); ++k) match = folded(value[i + k]) == folded(find[k]);
        if (match) {
            out += with;
            i += find.size();
        } else {
            out += value[i++];
        }
    }
    return out;
}

}  // namespace

void Reference::replaceInCells(const std::string& find, const std::string& with) {
    if (find.empty() || rows_.empty() || !documentUnchanged()) return;
    std::vector<std::string> raws;
    for (const RefRow& row : rows_) raws.push_back(row.raw);
    for (uint64_t r = headerRow ? 1 : 0; r < rows_.size(); ++r) {
        const RefRow& row = rows_[r];
        std::string raw = row.raw;
        // From the last cell back, so the earlier cells' places hold.
        for (uint64_t j = std::min<uint64_t>(row.cells.size(), shownColumns()); j-- > 0;) {
            const std::string value = replacedAll(row.cells[j], find, with);
            if (value == row.cells[j]) continue;
            raw.replace(row.cellStarts[j], row.cellEnds[j] - row.cellStarts[j], joinFields(std::vector<std::string>{value}, delimiter, QUOTE));
        }
        raws[r] = raw;
    }
    rewrite(raws, eols(), true);
}

std::string Reference::sortedInto(const std::string& after) {
    if (after == doc) return {};
    if (stale) return "a sort wrote over an edit the grid had not read yet";
    Reference sorted = *this;
    sorted.doc = after;
    sorted.scan();
    std::vector<std::string> before, now;
    for (const RefRow& row : rows_) before.push_back(row.raw);
    for (const RefRow& row : sorted.rows_) now.push_back(row.raw);
    if (headerRow && !before.empty() && (now.empty() || now[0] != before[0])) return "the header record moved";
    std::sort(before.begin(), before.end());
    std::sort(now.begin(), now.end());
    if (before != now) return "the records after the sort are not the records before it";
    hostEdit(after);
    scan();
    return {};
}

void Reference::undo() {
    if (readOnly || undoStack.empty()) return;
    redoStack.push_back(doc);
    doc = undoStack.back();
    undoStack.pop_back();
    stale = true;
}

void Reference::redo() {
    if (readOnly || redoStack.empty()) return;
    undoStack.push_back(doc);
    doc = redoStack.back();
    redoStack.pop_back();
    stale = true;
}

}  // namespace session
