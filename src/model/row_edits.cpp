#include "model/row_edits.h"

#include <utility>

std::vector<ByteRange> rowEdits(const RowList& rows, const std::vector<std::pair<uint64_t, std::string>>& changed,
                                std::string_view appended) {
    std::vector<ByteRange> edits;
    if (!appended.empty()) {
        const uint64_t end = rows.textLength();
        edits.push_back(ByteRange{end, end, std::string(appended)});
    }
    std::string old;
    for (auto it = changed.rbegin(); it != changed.rend(); ++it) {
        const auto& [r, fresh] = *it;
        if (r >= rows.size()) continue;
        old.assign(rows.raw(r));
        old.append(rows.eol(r));
        ByteRange edit = changedStretch(old, fresh);
        if (edit.from == edit.to && edit.text.empty()) continue;  // the row stays as it is
        edit.from += rows.start(r);
        edit.to += rows.start(r);
        edits.push_back(std::move(edit));
    }
    return edits;
}

uint64_t widenedWidth(const RowList& rows, uint64_t newWidth) {
    if (rows.empty()) return 0;
    const uint64_t width = rows.cellCount(0);
    if (newWidth <= width) return 0;
    for (uint64_t r = 1; r < rows.size(); ++r) {
        if (rows.cellCount(r) != width) return 0;
    }
    return newWidth;
}

std::vector<std::pair<uint64_t, std::string>> widenedRows(const RowList& rows, uint64_t newWidth, char delimiter,
                                                          uint64_t skipFirst, uint64_t skipLast) {
    std::vector<std::pair<uint64_t, std::string>> widened;
    if (widenedWidth(rows, newWidth) == 0) return widened;
    const uint64_t width = rows.cellCount(0);
    const std::string added(static_cast<size_t>(newWidth - width), delimiter);
    for (uint64_t r = 0; r < rows.size(); ++r) {
        if (r >= skipFirst && r < skipLast) continue;
        std::string text(rows.raw(r));
        text += added;
        text += rows.eol(r);
        widened.emplace_back(r, std::move(text));
    }
    return widened;
}
