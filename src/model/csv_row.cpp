// Storage of one row: a single owned buffer with the cell table, raw bytes and quoted values.
#include "model/csv_table.h"

#include <cassert>
#include <cstring>
#include <stdexcept>

namespace {

constexpr uint64_t BYTES_PER_WORD = sizeof(uint32_t);

uint64_t wordsForBytes(uint64_t bytes) { return (bytes + BYTES_PER_WORD - 1) / BYTES_PER_WORD; }

void copyBytes(char* to, const char* from, uint64_t count) {
    if (count != 0) std::memcpy(to, from, static_cast<size_t>(count));
}

// raw may be exactly 2 GiB: an offset into raw then reaches IN_VALUES only as the offset of an
// empty value at its very end, and every empty value reads the same wherever it points.
uint32_t checkedRawLength(uint64_t length) {
    if (length > CsvRow::MAX_AREA_BYTES) throw std::length_error("row longer than 2 GiB");
    return static_cast<uint32_t>(length);
}

uint32_t checkedValuesLength(uint64_t length) {
    if (length >= CsvRow::MAX_AREA_BYTES) throw std::length_error("row values longer than 2 GiB");
    return static_cast<uint32_t>(length);
}

uint32_t checkedCellCount(uint64_t count) {
    if (count > 0xFFFFFFFFu) throw std::length_error("too many cells in a row");
    return static_cast<uint32_t>(count);
}

}  // namespace

CsvRow::CsvRow(const CsvRow& other)
    : start(other.start), end(other.end), rawLength_(other.rawLength_),
      valuesLength_(other.valuesLength_), cellCount_(other.cellCount_),
      eolLength_(other.eolLength_) {
    std::memcpy(eol_, other.eol_, sizeof eol_);
    uint64_t used = other.usedWords();
    if (used != 0) {
        words_.reset(new uint32_t[used]);
        capacityWords_ = used;
        std::memcpy(words_.get(), other.words_.get(), used * BYTES_PER_WORD);
    }
}

CsvRow::CsvRow(CsvRow&& other) noexcept { *this = std::move(other); }

CsvRow& CsvRow::operator=(const CsvRow& other) {
    if (this != &other) {
        CsvRow copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CsvRow& CsvRow::operator=(CsvRow&& other) noexcept {
    if (this != &other) {
        start = other.start;
        end = other.end;
        words_ = std::move(other.words_);
        capacityWords_ = other.capacityWords_;
        rawLength_ = other.rawLength_;
        valuesLength_ = other.valuesLength_;
        cellCount_ = other.cellCount_;
        eolLength_ = other.eolLength_;
        std::memcpy(eol_, other.eol_, sizeof eol_);
        other.start = other.end = 0;
        other.capacityWords_ = 0;
        other.rawLength_ = other.valuesLength_ = other.cellCount_ = 0;
        other.eolLength_ = 0;
    }
    return *this;
}

void CsvRow::setEol(std::string_view eol) {
    if (eol.size() > sizeof eol_) throw std::length_error("a line ending has at most two bytes");
    std::memset(eol_, 0, sizeof eol_);
    copyBytes(eol_, eol.data(), eol.size());
    eolLength_ = static_cast<uint8_t>(eol.size());
}

std::string_view CsvRow::cell(uint64_t i) const {
    assert(i < cellCount_);
    const uint32_t* e = entry(i);
    const uint32_t offset = e[VALUE_OFFSET];
    if (offset & IN_VALUES) return std::string_view(textArea() + rawLength_ + (offset & ~IN_VALUES), e[VALUE_LENGTH]);
    return std::string_view(textArea() + offset, e[VALUE_LENGTH]);
}

std::vector<std::string> CsvRow::cells() const {
    std::vector<std::string> values;
    values.reserve(cellCount_);
    for (uint64_t i = 0; i < cellCount_; ++i) values.emplace_back(cell(i));
    return values;
}

void CsvRow::setCells(const std::vector<std::string>& values) {
    // Every value goes to the values area; raw stays as it is until the row is regenerated.
    uint64_t valueBytes = 0;
    for (const std::string& v : values) valueBytes += v.size();
    const uint32_t count = checkedCellCount(values.size());
    const uint32_t rawLength = rawLength_;
    checkedValuesLength(valueBytes);

    CsvRow updated;
    updated.start = start;
    updated.end = end;
    updated.setEol(eol());
    updated.reserveLayout(count, uint64_t(rawLength) + valueBytes);
    updated.cellCount_ = count;
    updated.rawLength_ = rawLength;
    updated.valuesLength_ = static_cast<uint32_t>(valueBytes);
    char* text = updated.textArea();
    copyBytes(text, raw().data(), rawLength);
    uint64_t offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t* e = updated.words_.get() + uint64_t(i) * WORDS_PER_CELL;
        e[END] = i < cellCount_ ? entry(i)[END] : rawLength;
        e[VALUE_OFFSET] = IN_VALUES | static_cast<uint32_t>(offset);
        e[VALUE_LENGTH] = static_cast<uint32_t>(values[i].size());
        copyBytes(text + rawLength + offset, values[i].data(), values[i].size());
        offset += values[i].size();
    }
    *this = std::move(updated);
}

void CsvRow::storeRecord(std::string_view rawBytes, const CellSlot* slots, uint64_t slotCount,
                         std::string_view values) {
    const uint32_t rawLength = checkedRawLength(rawBytes.size());
    const uint32_t count = checkedCellCount(slotCount);
    checkedValuesLength(values.size());
    reserveLayout(count, uint64_t(rawLength) + values.size());
    cellCount_ = count;
    rawLength_ = rawLength;
    valuesLength_ = static_cast<uint32_t>(values.size());
    static_assert(sizeof(CellSlot) == WORDS_PER_CELL * BYTES_PER_WORD, "a slot is one cell entry");
    if (count != 0) std::memcpy(words_.get(), slots, count * sizeof(CellSlot));
    char* text = textArea();
    copyBytes(text, rawBytes.data(), rawLength);
    copyBytes(text + rawLength, values.data(), values.size());
}

const char* CsvRow::textArea() const {
    return words_ ? reinterpret_cast<const char*>(words_.get() + uint64_t(cellCount_) * WORDS_PER_CELL)
                  : nullptr;
}

char* CsvRow::textArea() {
    return words_ ? reinterpret_cast<char*>(words_.get() + uint64_t(cellCount_) * WORDS_PER_CELL)
                  : nullptr;
}

void CsvRow::reserveLayout(uint64_t cellCount, uint64_t textBytes) {
    uint64_t needed = cellCount * WORDS_PER_CELL + wordsForBytes(textBytes);
    // Keep the buffer when it fits and is not wastefully large, so that a rescan allocates
    // nothing. A new buffer gets a quarter more room: after an edit, the rows below it move
    // onto the row objects of their neighbours, and most of them still fit.
    if (needed <= capacityWords_ && capacityWords_ <= 2 * needed + 16) return;
    cellCount_ = rawLength_ = valuesLength_ = 0;
    words_.reset();
    capacityWords_ = 0;
    if (needed == 0) return;
    uint64_t capacity = needed + needed / 4;
    capacity = (capacity + 3) & ~uint64_t(3);
    words_.reset(new uint32_t[capacity]);
    capacityWords_ = capacity;
}

uint64_t CsvRow::usedWords() const {
    return uint64_t(cellCount_) * WORDS_PER_CELL + wordsForBytes(uint64_t(rawLength_) + valuesLength_);
}
