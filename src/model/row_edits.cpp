#include "model/row_edits.h"

#include <algorithm>

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
        // The bytes both share at the front and, of the rest, at the back stay.
        const size_t most = std::min(old.size(), fresh.size());
        size_t front = 0;
        while (front < most && old[front] == fresh[front]) ++front;
        size_t back = 0;
        while (back < most - front && old[old.size() - 1 - back] == fresh[fresh.size() - 1 - back]) ++back;
        if (front == old.size() && front == fresh.size()) continue;
        const uint64_t start = rows.start(r);
        edits.push_back(ByteRange{start + front, start + old.size() - back,
                                  fresh.substr(front, fresh.size() - front - back)});
    }
    return edits;
}
