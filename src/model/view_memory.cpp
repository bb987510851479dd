#include "model/view_memory.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <utility>

#include "model/settings_values.h"

namespace {

constexpr std::string_view FIRST_LINE = "[Tabulon views]";
constexpr std::string_view VERSION_LINE = "Version=1";
constexpr std::string_view END_NAME = "<end>";
constexpr std::string_view EOL = "\r\n";
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view FILTER_KEY = "Filter";

constexpr uint32_t REPLACEMENT_CHARACTER = 0xFFFD;
constexpr uint32_t LAST_CODE_POINT = 0x10FFFF;

bool isHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool isSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDFFF; }
bool isControl(uint32_t u) { return u < 0x20 || u == 0x7F; }
uint32_t unit(wchar_t c) { return static_cast<uint32_t>(c); }

// ---- Texts between wide characters and the file's UTF-8 ----

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendWide(std::wstring& out, uint32_t code) {
    if (code > 0xFFFF && sizeof(wchar_t) == 2) {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<wchar_t>(code);
    }
}

// The code point that starts at text[i] and the number of units it takes: a surrogate pair
// where wide characters are UTF-16, otherwise one unit (a lone surrogate stays as it is).
std::pair<uint32_t, size_t> codePointAt(std::wstring_view text, size_t i) {
    const uint32_t u = unit(text[i]);
    if (sizeof(wchar_t) == 2 && isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(unit(text[i + 1]))) {
        return {0x10000 + ((u - 0xD800) << 10) + (unit(text[i + 1]) - 0xDC00), 2};
    }
    return {u, 1};
}

// Writes a text as UTF-8; with escapes, control characters, lone surrogates and the backslash
// are escaped, as a filter text is written. Without, the text must be writable as it is.
void appendText(std::string& out, std::wstring_view text, bool escape) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    for (size_t i = 0; i < text.size();) {
        const auto [code, units] = codePointAt(text, i);
        i += units;
        if (escape && (code == '\\' || isControl(code) || isSurrogate(code))) {
            switch (code) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default:
                out += "\\u";
                for (int shift = 12; shift >= 0; shift -= 4) out += HEX[(code >> shift) & 0xF];
            }
        } else {
            appendUtf8(out, code <= LAST_CODE_POINT && !isSurrogate(code) ? code : REPLACEMENT_CHARACTER);
        }
    }
}

// The next code point of well-formed UTF-8 at bytes[i], advancing i; none for anything else:
// a stray or missing continuation byte, an overlong form, a surrogate, a value past U+10FFFF.
std::optional<uint32_t> nextUtf8(std::string_view bytes, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length = 0;
    uint32_t code = 0;
    uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (bytes.size() - i < length) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > LAST_CODE_POINT || isSurrogate(code)) return std::nullopt;
    i += length;
    return code;
}

std::optional<uint32_t> hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    return std::nullopt;
}

// A text read back from the file: well-formed UTF-8 without raw control characters, with the
// escapes appendText writes when escaped; none when it is not, or when it has more than limit
// wide characters.
std::optional<std::wstring> readText(std::string_view bytes, bool escaped, size_t limit) {
    std::wstring text;
    for (size_t i = 0; i < bytes.size();) {
        uint32_t code = 0;
        if (escaped && bytes[i] == '\\') {
            if (i + 1 >= bytes.size()) return std::nullopt;
            const char kind = bytes[i + 1];
            i += 2;
            switch (kind) {
            case '\\': code = '\\'; break;
            case 't': code = '\t'; break;
            case 'n': code = '\n'; break;
            case 'r': code = '\r'; break;
            case 'u':
                if (bytes.size() - i < 4) return std::nullopt;
                for (size_t k = 0; k < 4; ++k) {
                    const std::optional<uint32_t> digit = hexDigit(bytes[i + k]);
                    if (!digit) return std::nullopt;
                    code = (code << 4) | *digit;
                }
                i += 4;
                break;
            default: return std::nullopt;
            }
        } else {
            const std::optional<uint32_t> next = nextUtf8(bytes, i);
            if (!next || isControl(*next)) return std::nullopt;
            code = *next;
        }
        appendWide(text, code);
        if (text.size() > limit) return std::nullopt;
    }
    return text;
}

// ---- Numbers ----

// A decimal number of digits alone, at most max; none for anything else.
std::optional<uint64_t> readNumber(std::string_view text, uint64_t max) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

// The two halves of text around its first separator; none without one.
std::optional<std::pair<std::string_view, std::string_view>> splitAt(std::string_view text, char separator) {
    const size_t at = text.find(separator);
    if (at == std::string_view::npos) return std::nullopt;
    return std::pair{text.substr(0, at), text.substr(at + 1)};
}

// Calls item for each comma-separated part of a list (none for an empty list) while it
// answers true; false when an item did not.
template <typename Item>
bool forEachListItem(std::string_view list, Item item) {
    if (list.empty()) return true;
    for (;;) {
        const size_t comma = list.find(',');
        if (!item(list.substr(0, comma))) return false;
        if (comma == std::string_view::npos) return true;
        list.remove_prefix(comma + 1);
    }
}

// ---- One document's view in the file ----

constexpr int32_t clampRow(int32_t row) { return std::max(row, int32_t{0}); }

DocumentView boundedView(const DocumentView& given) {
    DocumentView view = given;
    if (view.delimiter && delimiterFromSetting(static_cast<unsigned char>(*view.delimiter), '\0') == '\0') {
        view.delimiter.reset();
    }
    view.columnWidths.clear();
    for (const auto& [cell, width] : given.columnWidths) {
        if (cell < MAX_VIEW_CELLS) view.columnWidths[cell] = std::clamp(width, 0, MAX_COLUMN_WIDTH);
    }
    std::erase_if(view.hiddenCells, [](uint64_t cell) { return cell >= MAX_VIEW_CELLS; });
    view.frozenColumns = std::min(view.frozenColumns, MAX_VIEW_CELLS);
    view.filters.clear();
    for (const auto& [cell, original] : given.filters) {
        if (cell >= MAX_VIEW_CELLS || original.empty()) continue;
        std::wstring text = original;
        if (text.size() > MAX_FILTER_TEXT) {
            const bool splitsPair = isHighSurrogate(unit(text[MAX_FILTER_TEXT - 1])) &&
                                    isLowSurrogate(unit(text[MAX_FILTER_TEXT]));
            text.resize(MAX_FILTER_TEXT - (splitsPair ? 1 : 0));
        }
        // Only where wide characters are 32 bits can one be past the last code point.
        for (wchar_t& c : text) {
            if (unit(c) > LAST_CODE_POINT) c = static_cast<wchar_t>(REPLACEMENT_CHARACTER);
        }
        view.filters[cell] = std::move(text);
    }
    if (view.sortArrow && view.sortArrow->column >= MAX_VIEW_CELLS) view.sortArrow.reset();
    view.currentRow = clampRow(view.currentRow);
    view.currentColumn = std::clamp(view.currentColumn, int32_t{0}, static_cast<int32_t>(MAX_VIEW_CELLS));
    view.topRow = clampRow(view.topRow);
    return view;
}

std::string sectionText(const RememberedView& document) {
    const DocumentView& view = document.view;
    std::string out;
    out += EOL;
    out += '[';
    appendText(out, document.path, false);
    out += ']';
    out += EOL;
    out += view.headerRow ? "HeaderRow=1" : "HeaderRow=0";
    out += EOL;
    out += "Delimiter=";
    if (view.delimiter) {
        out += std::to_string(static_cast<unsigned>(static_cast<unsigned char>(*view.delimiter)));
    } else {
        out += "auto";
    }
    out += EOL;
    out += "Widths=";
    for (const auto& [cell, width] : view.columnWidths) {
        if (out.back() != '=') out += ',';
        out += std::to_string(cell);
        out += ':';
        out += std::to_string(width);
    }
    out += EOL;
    out += "Hidden=";
    for (uint64_t cell : view.hiddenCells) {
        if (out.back() != '=') out += ',';
        out += std::to_string(cell);
    }
    out += EOL;
    out += "Frozen=";
    out += std::to_string(view.frozenColumns);
    out += EOL;
    out += "Sort=";
    if (view.sortArrow) {
        out += std::to_string(view.sortArrow->column);
        out += view.sortArrow->descending ? ",descending" : ",ascending";
    } else {
        out += "none";
    }
    out += EOL;
    out += "Current=";
    out += std::to_string(view.currentRow);
    out += ',';
    out += std::to_string(view.currentColumn);
    out += EOL;
    out += "Top=";
    out += std::to_string(view.topRow);
    out += EOL;
    for (const auto& [cell, text] : view.filters) {
        out += FILTER_KEY;
        out += std::to_string(cell);
        out += '=';
        appendText(out, text, true);
        out += EOL;
    }
    return out;
}

// A document section as it is read: its view so far, and whether every line was sound.
class SectionReader {
public:
    // name: what stands between the brackets of the section's line; none when the line does
    // not close its bracket.
    explicit SectionReader(std::optional<std::string_view> name) {
        const std::optional<std::wstring> path = name ? readText(*name, false, MAX_VIEW_PATH) : std::nullopt;
        sound_ = path && writableViewPath(*path);
        if (sound_) document_.path = *path;
    }

    void readLine(std::string_view line) {
        if (!sound_) return;
        const auto parts = splitAt(line, '=');
        sound_ = parts && readValue(parts->first, parts->second);
    }

    bool sound() const { return sound_; }
    RememberedView&& document() { return std::move(document_); }

private:
    enum Key : unsigned { HEADER_ROW = 1, DELIMITER = 2, WIDTHS = 4, HIDDEN = 8, FROZEN = 16, SORT = 32,
                          CURRENT = 64, TOP = 128 };

    // Whether the value is sound for its key; unknown keys are passed over.
    bool readValue(std::string_view key, std::string_view value) {
        if (key.starts_with(FILTER_KEY) && key.size() > FILTER_KEY.size() &&
            std::isdigit(static_cast<unsigned char>(key[FILTER_KEY.size()]))) {
            return readFilter(key.substr(FILTER_KEY.size()), value);
        }
        static constexpr std::pair<std::string_view, Key> KEYS[] = {
            {"HeaderRow", HEADER_ROW}, {"Delimiter", DELIMITER}, {"Widths", WIDTHS}, {"Hidden", HIDDEN},
            {"Frozen", FROZEN},        {"Sort", SORT},           {"Current", CURRENT}, {"Top", TOP}};
        const auto known = std::find_if(std::begin(KEYS), std::end(KEYS), [&](const auto& k) { return k.first == key; });
        if (known == std::end(KEYS)) return true;
        if ((seen_ & known->second) != 0) return false;
        seen_ |= known->second;
        DocumentView& view = document_.view;
        switch (known->second) {
        case HEADER_ROW:
            if (value != "0" && value != "1") return false;
            view.headerRow = value == "1";
            return true;
        case DELIMITER: return readDelimiter(value);
        case WIDTHS:
            return forEachListItem(value, [&](std::string_view item) {
                const auto parts = splitAt(item, ':');
                if (!parts) return false;
                const auto cell = readNumber(parts->first, MAX_VIEW_CELLS - 1);
                const auto width = readNumber(parts->second, MAX_COLUMN_WIDTH);
                return cell && width && view.columnWidths.emplace(*cell, static_cast<int>(*width)).second;
            });
        case HIDDEN:
            return forEachListItem(value, [&](std::string_view item) {
                const auto cell = readNumber(item, MAX_VIEW_CELLS - 1);
                return cell && view.hiddenCells.insert(*cell).second;
            });
        case FROZEN: {
            const auto count = readNumber(value, MAX_VIEW_CELLS);
            if (count) view.frozenColumns = *count;
            return count.has_value();
        }
        case SORT: return readSort(value);
        case CURRENT: {
            const auto parts = splitAt(value, ',');
            if (!parts) return false;
            const auto row = readNumber(parts->first, INT32_MAX);
            const auto column = readNumber(parts->second, MAX_VIEW_CELLS);
            if (!row || !column) return false;
            view.currentRow = static_cast<int32_t>(*row);
            view.currentColumn = static_cast<int32_t>(*column);
            return true;
        }
        case TOP: {
            const auto row = readNumber(value, INT32_MAX);
            if (row) view.topRow = static_cast<int32_t>(*row);
            return row.has_value();
        }
        }
        return false;
    }

    bool readDelimiter(std::string_view value) {
        if (value == "auto") {
            document_.view.delimiter.reset();
            return true;
        }
        const auto code = readNumber(value, 127);
        if (!code || delimiterFromSetting(static_cast<int>(*code), '\0') == '\0') return false;
        document_.view.delimiter = static_cast<char>(*code);
        return true;
    }

    bool readSort(std::string_view value) {
        if (value == "none") {
            document_.view.sortArrow.reset();
            return true;
        }
        const auto parts = splitAt(value, ',');
        if (!parts || (parts->second != "ascending" && parts->second != "descending")) return false;
        const auto cell = readNumber(parts->first, MAX_VIEW_CELLS - 1);
        if (!cell) return false;
        document_.view.sortArrow = SortKey{*cell, parts->second == "descending"};
        return true;
    }

    bool readFilter(std::string_view cellText, std::string_view value) {
        const auto cell = readNumber(cellText, MAX_VIEW_CELLS - 1);
        if (!cell || !seenFilters_.insert(*cell).second) return false;
        std::optional<std::wstring> text = readText(value, true, MAX_FILTER_TEXT);
        if (!text) return false;
        if (!text->empty()) document_.view.filters[*cell] = std::move(*text);
        return true;
    }

    RememberedView document_;
    bool sound_ = false;
    unsigned seen_ = 0;
    std::set<uint64_t> seenFilters_;
};

// The text's lines, without their CR LF or LF.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}
    std::optional<std::string_view> next() {
        if (done_) return std::nullopt;
        const size_t end = rest_.find('\n');
        std::string_view line = rest_.substr(0, end);
        if (end == std::string_view::npos) {
            done_ = true;
        } else {
            rest_.remove_prefix(end + 1);
        }
        if (line.ends_with('\r')) line.remove_suffix(1);
        return line;
    }

private:
    std::string_view rest_;
    bool done_ = false;
};

// The name of a section's line, between its brackets; none when the line is cut short.
std::optional<std::string_view> sectionName(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') return std::nullopt;
    return line.substr(1, line.size() - 2);
}

bool isBlankOrComment(std::string_view line) {
    return line.empty() || line.front() == ';';
}

}  // namespace

// ---- The memory ----

ViewMemory::ViewMemory(CaseFolder fold) : fold_(fold ? std::move(fold) : CaseFolder(foldAsciiCase)) {}

std::wstring ViewMemory::key(std::wstring_view path) const {
    std::wstring folded(path);
    fold_(folded);
    return folded;
}

size_t ViewMemory::find(const std::wstring& key) const {
    return static_cast<size_t>(std::find(keys_.begin(), keys_.end(), key) - keys_.begin());
}

void ViewMemory::remember(std::wstring_view path, const DocumentView& view) {
    std::wstring folded = key(path);
    const size_t at = find(folded);
    if (at < documents_.size()) {
        documents_.erase(documents_.begin() + static_cast<ptrdiff_t>(at));
        keys_.erase(keys_.begin() + static_cast<ptrdiff_t>(at));
    } else if (documents_.size() >= MAX_REMEMBERED_VIEWS) {
        documents_.pop_back();
        keys_.pop_back();
    }
    documents_.insert(documents_.begin(), RememberedView{std::wstring(path), boundedView(view)});
    keys_.insert(keys_.begin(), std::move(folded));
}

std::optional<DocumentView> ViewMemory::recall(std::wstring_view path) const {
    const size_t at = find(key(path));
    if (at == documents_.size()) return std::nullopt;
    return documents_[at].view;
}

void ViewMemory::forget(std::wstring_view path) {
    const size_t at = find(key(path));
    if (at == documents_.size()) return;
    documents_.erase(documents_.begin() + static_cast<ptrdiff_t>(at));
    keys_.erase(keys_.begin() + static_cast<ptrdiff_t>(at));
}

std::string ViewMemory::serialize() const {
    std::string out;
    out += FIRST_LINE;
    out += EOL;
    out += VERSION_LINE;
    out += EOL;
    out += "; The grid's view of each document, the most recent first. Tabulon rewrites this file.";
    out += EOL;
    const size_t endSize = EOL.size() + 2 + END_NAME.size() + EOL.size();
    for (const RememberedView& document : documents_) {
        if (document.view.unsaved || !writableViewPath(document.path)) continue;
        const std::string section = sectionText(document);
        if (out.size() + section.size() + endSize <= MAX_VIEWS_FILE_BYTES) out += section;
    }
    out += EOL;
    out += '[';
    out += END_NAME;
    out += ']';
    out += EOL;
    return out;
}

ViewMemory ViewMemory::parse(std::string_view text, CaseFolder fold) {
    ViewMemory memory(std::move(fold));
    if (text.size() > MAX_VIEWS_FILE_BYTES) return memory;
    if (text.starts_with(UTF8_BOM)) text.remove_prefix(UTF8_BOM.size());
    LineReader lines(text);
    if (lines.next() != FIRST_LINE) return memory;

    bool versionSeen = false;
    std::optional<SectionReader> section;
    std::set<std::wstring> keys;
    const auto keep = [&] {
        if (!section || !section->sound() || memory.documents_.size() >= MAX_REMEMBERED_VIEWS) return;
        RememberedView document = section->document();
        std::wstring folded = memory.key(document.path);
        if (!keys.insert(folded).second) return;  // a less recent copy of a document already read
        memory.documents_.push_back(std::move(document));
        memory.keys_.push_back(std::move(folded));
    };
    while (const std::optional<std::string_view> line = lines.next()) {
        if (isBlankOrComment(*line)) continue;
        if (line->front() == '[') {
            if (!versionSeen) return memory;
            keep();
            const std::optional<std::string_view> name = sectionName(*line);
            if (name == END_NAME) break;
            section.emplace(name);
        } else if (section) {
            section->readLine(*line);
        } else if (line->starts_with("Version=")) {
            if (*line != VERSION_LINE) return memory;
            versionSeen = true;
        }
    }
    // Without the closing line the file was cut, perhaps inside the last section, which is
    // therefore not kept; every earlier one was closed by the next section's line.
    return memory;
}

bool writableViewPath(std::wstring_view path) {
    if (path.empty() || path.size() > MAX_VIEW_PATH) return false;
    for (size_t i = 0; i < path.size();) {
        const auto [code, units] = codePointAt(path, i);
        i += units;
        if (isControl(code) || isSurrogate(code) || code > LAST_CODE_POINT || code == '<' || code == '>') return false;
    }
    return true;
}
