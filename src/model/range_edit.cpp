#include "model/range_edit.h"

#include "model/row_text.h"

std::string rowWithCells(const CsvRow& row, uint64_t firstCell, const std::vector<std::string>& values,
                         char delimiter, char quote) {
    const std::string_view raw = row.raw();
    const uint64_t cells = row.cellCount();
    std::string out;
    out.reserve(raw.size() + values.size() * 2);
    uint64_t copied = 0;       // raw bytes up to here are in out
    uint64_t present = cells;  // cells that out holds once the rest of raw follows
    for (size_t k = 0; k < values.size(); ++k) {
        const uint64_t i = firstCell + k;
        if (i < cells) {
            // An unchanged value keeps its own bytes, quoting and all.
            if (row.cell(i) == values[k]) {
                continue;
            }
            out.append(raw.substr(copied, row.cellStart(i) - copied));
            out.append(quoteField(values[k], delimiter, quote));
            copied = row.cellEnd(i);
            continue;
        }
        // Past the row's last cell: an empty value adds nothing unless a later one needs it.
        bool laterValue = false;
        for (size_t m = k; m < values.size(); ++m) {
            laterValue = laterValue || !values[m].empty();
        }
        if (!laterValue) {
            break;
        }
        out.append(raw.substr(copied));
        copied = raw.size();
        while (present <= i) {
            if (present > 0) {
                out.push_back(delimiter);
            }
            ++present;
        }
        out.append(quoteField(values[k], delimiter, quote));
    }
    out.append(raw.substr(copied));
    return out;
}
