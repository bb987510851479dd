// The grid's view: the shown rows and the filter that chooses them, the run that applies the
// filter in steps, and the shown columns.
#include "model/grid_view.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// Puts middle (ascending, all in [first, newLast)) in place of the entries of rows that lie in
// [first, oldLast), and moves the entries from oldLast on by newLast - oldLast.
void spliceRows(std::vector<uint64_t>& rows, uint64_t first, uint64_t oldLast, uint64_t newLast,
                const std::vector<uint64_t>& middle) {
    const auto begin = std::lower_bound(rows.begin(), rows.end(), first);
    const auto end = std::lower_bound(begin, rows.end(), oldLast);
    for (auto it = end; it != rows.end(); ++it) *it = *it - oldLast + newLast;
    const auto at = rows.erase(begin, end);
    rows.insert(at, middle.begin(), middle.end());
}

// Takes the header record out of rows: an edit may have made another record the first.
void dropRowZero(std::vector<uint64_t>& rows) {
    if (!rows.empty() && rows.front() == 0) rows.erase(rows.begin());
}

}  // namespace

ShownRows::ShownRows(CellDecoder decode, CaseFolder fold) : decode_(std::move(decode)), fold_(std::move(fold)) {}

void ShownRows::reset(const CsvTable& table, bool headerRow) {
    tableRows_ = table.rows.size();
    headerRow_ = headerRow;
    filtered_ = false;
    // Without a filter the map is worked out: its storage goes.
    std::vector<uint64_t>().swap(shown_);
    kept_.clear();
    applied_.clear();
    ++generation_;
}

void ShownRows::setCondition(uint64_t cellIndex, std::wstring_view boxText) {
    auto at = std::lower_bound(texts_.begin(), texts_.end(), cellIndex,
                               [](const auto& entry, uint64_t cell) { return entry.first < cell; });
    const bool present = at != texts_.end() && at->first == cellIndex;
    if (present && at->second == boxText) return;
    if (boxText.empty()) {
        if (!present) return;
        texts_.erase(at);
    } else if (present) {
        at->second = std::wstring(boxText);
    } else {
        texts_.emplace(at, cellIndex, std::wstring(boxText));
    }
    rebuildMatchers();
}

void ShownRows::clearConditions() {
    if (texts_.empty()) return;
    texts_.clear();
    rebuildMatchers();
}

std::wstring ShownRows::conditionText(uint64_t cellIndex) const {
    for (const auto& [cell, text] : texts_) {
        if (cell == cellIndex) return text;
    }
    return {};
}

void ShownRows::rebuildMatchers() {
    matchers_.clear();
    for (const auto& [cell, text] : texts_) {
        FilterCondition condition = parseFilterCondition(text);
        if (condition.kind != FilterCondition::Kind::None) {
            matchers_.emplace_back(cell, FilterMatcher(std::move(condition), decode_, fold_));
        }
    }
    ++generation_;
}

void ShownRows::apply(const CsvTable& table) {
    tableRows_ = table.rows.size();
    ++generation_;
    FilterRun run(*this);
    run.step(table, ~uint64_t(0));
    finish(run);
}

bool ShownRows::finish(FilterRun& run) {
    if (!run.done() || run.generation_ != generation_) return false;
    kept_.clear();
    if (run.matchers_.empty()) {
        filtered_ = false;
        std::vector<uint64_t>().swap(shown_);
        applied_.clear();
    } else {
        filtered_ = true;
        shown_ = std::move(run.shown_);
        applied_ = std::move(run.matchers_);
    }
    ++generation_;
    return true;
}

uint64_t ShownRows::tableRow(uint64_t shownRow) const {
    return filtered_ ? shown_[shownRow] : shownRow + firstRecord();
}

std::optional<uint64_t> ShownRows::shownRow(uint64_t tableRow) const {
    if (filtered_) {
        const auto at = std::lower_bound(shown_.begin(), shown_.end(), tableRow);
        if (at == shown_.end() || *at != tableRow) return std::nullopt;
        return static_cast<uint64_t>(at - shown_.begin());
    }
    if (tableRow < firstRecord() || tableRow >= tableRows_) return std::nullopt;
    return tableRow - firstRecord();
}

std::optional<uint64_t> ShownRows::shownRowAtOrAfter(uint64_t tableRow) const {
    if (filtered_) {
        const auto at = std::lower_bound(shown_.begin(), shown_.end(), tableRow);
        if (at == shown_.end()) return std::nullopt;
        return static_cast<uint64_t>(at - shown_.begin());
    }
    const uint64_t row = std::max(tableRow, firstRecord());
    if (row >= tableRows_) return std::nullopt;
    return row - firstRecord();
}

std::optional<uint64_t> ShownRows::shownRowAtOrBefore(uint64_t tableRow) const {
    if (filtered_) {
        const auto after = std::upper_bound(shown_.begin(), shown_.end(), tableRow);
        if (after == shown_.begin()) return std::nullopt;
        return static_cast<uint64_t>(after - shown_.begin()) - 1;
    }
    if (tableRows_ == 0) return std::nullopt;
    const uint64_t row = std::min(tableRow, tableRows_ - 1);
    if (row < firstRecord()) return std::nullopt;
    return row - firstRecord();
}

bool ShownRows::isKept(uint64_t shownRow) const {
    return shownRow < count() && std::binary_search(kept_.begin(), kept_.end(), tableRow(shownRow));
}

bool ShownRows::describes(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) const {
    return first <= oldLast && oldLast <= tableRows_ && first <= newLast &&
           table.rows.size() == tableRows_ - (oldLast - first) + (newLast - first);
}

bool ShownRows::meets(const CsvTable& table, uint64_t r) {
    if (r >= table.rows.size()) return false;
    table.rows.read(r, row_);
    return meetsConditions(row_, applied_);
}

void ShownRows::refilter(const CsvTable& table) {
    tableRows_ = table.rows.size();
    std::vector<uint64_t> shown;
    for (uint64_t r = firstRecord(); r < tableRows_; ++r) {
        if (meets(table, r)) shown.push_back(r);
    }
    shown_ = std::move(shown);
    kept_.clear();
}

bool ShownRows::beginUpdate(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) {
    ++generation_;
    if (!filtered_) {
        tableRows_ = table.rows.size();
        return false;
    }
    if (!describes(table, first, oldLast, newLast)) {
        refilter(table);
        return false;
    }
    return true;
}

void ShownRows::rowsReplaced(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) {
    if (!beginUpdate(table, first, oldLast, newLast)) {
        return;
    }
    std::vector<uint64_t> fresh;
    for (uint64_t r = headerRow_ ? std::max<uint64_t>(first, 1) : first; r < newLast; ++r) {
        if (meets(table, r)) fresh.push_back(r);
    }
    // Records put before the header record make it a record like any other.
    if (headerRow_ && first == 0 && oldLast == 0 && newLast > 0 && meets(table, newLast)) {
        fresh.push_back(newLast);
        ++oldLast;
        ++newLast;
    }
    spliceRows(shown_, first, oldLast, newLast, fresh);
    spliceRows(kept_, first, oldLast, newLast, {});
    tableRows_ = table.rows.size();
    if (headerRow_) {
        dropRowZero(shown_);
        dropRowZero(kept_);
    }
}

void ShownRows::rowsEdited(const CsvTable& table, uint64_t first, uint64_t oldLast, uint64_t newLast) {
    if (!beginUpdate(table, first, oldLast, newLast)) {
        return;
    }
    std::vector<uint64_t> shown;
    std::vector<uint64_t> kept;
    for (uint64_t r = first; r < newLast; ++r) {
        const bool paired = r < oldLast;
        if (paired && !std::binary_search(shown_.begin(), shown_.end(), r)) continue;
        if (headerRow_ && r == 0) continue;
        shown.push_back(r);
        if (!meets(table, r)) kept.push_back(r);
    }
    spliceRows(shown_, first, oldLast, newLast, shown);
    spliceRows(kept_, first, oldLast, newLast, kept);
    tableRows_ = table.rows.size();
    if (headerRow_) {
        dropRowZero(shown_);
        dropRowZero(kept_);
    }
}

FilterRun::FilterRun(const ShownRows& view)
    : matchers_(view.matchers_),
      generation_(view.generation_),
      tableRows_(view.tableRows_),
      firstRecord_(view.firstRecord()),
      next_(matchers_.empty() ? tableRows_ : firstRecord_) {}

bool FilterRun::step(const CsvTable& table, uint64_t budget) {
    // A table shorter than the view knew has nothing more to read; the view refuses the run.
    const uint64_t end = std::min<uint64_t>(tableRows_, table.rows.size());
    uint64_t spent = 0;
    while (next_ < end && (spent < budget || spent == 0)) {
        table.rows.read(next_, row_);
        spent += row_.raw().size() + 1;
        if (meetsConditions(row_, matchers_)) shown_.push_back(next_);
        ++next_;
    }
    if (next_ >= end) next_ = tableRows_;
    return done();
}

void ShownColumns::setColumnCount(uint64_t count) {
    if (count == columnCount_) return;
    columnCount_ = count;
    rebuild();
}

void ShownColumns::setOrder(std::vector<uint64_t> order) {
    order_ = std::move(order);
    rebuild();
}

void ShownColumns::hide(uint64_t cellIndex) {
    const auto at = std::lower_bound(hidden_.begin(), hidden_.end(), cellIndex);
    if (at != hidden_.end() && *at == cellIndex) return;
    hidden_.insert(at, cellIndex);
    rebuild();
}

void ShownColumns::show(uint64_t cellIndex) {
    const auto at = std::lower_bound(hidden_.begin(), hidden_.end(), cellIndex);
    if (at == hidden_.end() || *at != cellIndex) return;
    hidden_.erase(at);
    rebuild();
}

void ShownColumns::showAll() {
    hidden_.clear();
    rebuild();
}

void ShownColumns::rebuild() {
    places_.clear();
    placeOf_.assign(columnCount_, NONE);
    const auto place = [this](uint64_t cell) {
        placeOf_[cell] = places_.size();
        places_.push_back(cell);
    };
    for (const uint64_t cell : order_) {
        if (cell < columnCount_ && placeOf_[cell] == NONE) place(cell);
    }
    for (uint64_t cell = 0; cell < columnCount_; ++cell) {
        if (placeOf_[cell] == NONE) place(cell);
    }
    shown_.clear();
    shownUpTo_.assign(places_.size() + 1, 0);
    for (uint64_t p = 0; p < places_.size(); ++p) {
        shownUpTo_[p] = shown_.size();
        if (!std::binary_search(hidden_.begin(), hidden_.end(), places_[p])) shown_.push_back(places_[p]);
    }
    shownUpTo_[places_.size()] = shown_.size();
}

std::optional<uint64_t> ShownColumns::columnOf(uint64_t cellIndex) const {
    if (cellIndex >= columnCount_) return std::nullopt;
    const uint64_t p = placeOf_[cellIndex];
    if (shownUpTo_[p + 1] == shownUpTo_[p]) return std::nullopt;
    return shownUpTo_[p];
}

std::optional<uint64_t> ShownColumns::nextColumn(uint64_t cellIndex) const {
    if (cellIndex >= columnCount_) return std::nullopt;
    const uint64_t column = shownUpTo_[placeOf_[cellIndex] + 1];
    if (column >= count()) return std::nullopt;
    return column;
}

std::optional<uint64_t> ShownColumns::previousColumn(uint64_t cellIndex) const {
    const uint64_t before = cellIndex >= columnCount_ ? count() : shownUpTo_[placeOf_[cellIndex]];
    if (before == 0) return std::nullopt;
    return before - 1;
}

std::vector<uint64_t> ShownColumns::hiddenBefore(uint64_t shownColumn) const {
    if (shownColumn > count()) return {};
    const uint64_t from = shownColumn == 0 ? 0 : placeOf_[shown_[shownColumn - 1]] + 1;
    const uint64_t to = shownColumn == count() ? places_.size() : placeOf_[shown_[shownColumn]];
    return std::vector<uint64_t>(places_.begin() + static_cast<std::ptrdiff_t>(from),
                                 places_.begin() + static_cast<std::ptrdiff_t>(to));
}
