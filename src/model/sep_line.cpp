// Finding the sep line at the start of a document.
#include "model/sep_line.h"

#include "model/csv_table.h"

bool canBeSepDelimiter(char c, char quote) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 1 && byte <= 127 && c != '\r' && c != '\n' && c != quote;
}

std::optional<SepLine> findSepLine(std::string_view text, char quote) {
    const uint64_t named = SEP_LINE_PREFIX.size();
    if (text.size() <= named || text.substr(0, named) != SEP_LINE_PREFIX) return std::nullopt;
    const char delimiter = text[named];
    if (!canBeSepDelimiter(delimiter, quote)) return std::nullopt;
    const std::string_view rest = text.substr(named + 1);
    uint64_t eol = 0;
    if (rest.substr(0, 2) == "\r\n") {
        eol = 2;
    } else if (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n')) {
        eol = 1;
    } else if (!rest.empty()) {
        return std::nullopt;  // more on the line: a record that happens to begin so
    }
    return SepLine{delimiter, named + 1 + eol};
}

std::optional<SepLine> sepLineOf(const CsvTable& table) {
    return findSepLine(table.rows.lead(), table.quote);
}
