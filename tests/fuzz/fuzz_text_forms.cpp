// Fuzz target: the small text forms the shell exchanges with the user and the settings file.
//
// The first input byte picks the form, the rest is its input:
//   0  a pasted text (read as UTF-16 code units), parsed into a block and written back;
//   1  settings values: any integer for each key, with any previous delimiter;
//   2  the status line, for every delimiter byte and any counts and cell.
// Each form's own rules must hold for every input; a broken one aborts with what broke.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/clipboard_text.h"
#include "model/settings_values.h"
#include "model/status_text.h"

namespace {

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "rule broken: %s\n", what);
    std::abort();
}

// Takes the next fixed-size value from the input, zero-filled when the input runs out.
template <typename T>
T take(const uint8_t*& data, size_t& size) {
    T value{};
    const size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

// Pasted text: two bytes a code unit, so surrogates and every control character turn up; the
// characters that matter to the parser (TAB, CR, LF, quote) are mapped from a low byte value
// so they turn up often.
std::wstring pastedText(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint16_t unit = static_cast<uint16_t>(data[i] | (data[i + 1] << 8));
        static const wchar_t SPECIAL[] = {L'\t', L'\r', L'\n', L'"', L'a', L','};
        text.push_back(unit < 0x600 ? SPECIAL[unit % 6] : static_cast<wchar_t>(unit));
    }
    return text;
}

void fuzzPaste(const uint8_t* data, size_t size) {
    const std::wstring text = pastedText(data, size);
    const PasteBlock block = parsePasteBlock(text);
    for (const std::vector<std::wstring>& line : block.lines) {
        require(!line.empty(), "every parsed line has a field");
    }
    require(block.isSingleValue() == (block.lines.size() == 1 && block.width() == 1),
            "a single value is one line of one field");

    // Written back in the rows form and read again, the block keeps every value; only a last
    // line of one empty field is lost, as a final line break adds no line.
    std::vector<std::vector<std::wstring>> expected = block.lines;
    if (!expected.empty() && expected.back().size() == 1 && expected.back().front().empty()) {
        expected.pop_back();
    }
    const std::wstring written = clipboardRowsText(block.lines);
    require(parsePasteBlock(written).lines == expected, "rows form read back gives the block");
    require(clipboardRowsText(parsePasteBlock(written).lines) == clipboardRowsText(expected),
            "rows form is stable once written");

    // A single field written alone reads back as that value.
    for (const std::vector<std::wstring>& line : block.lines) {
        for (const std::wstring& value : line) {
            std::wstring one;
            appendClipboardField(one, value);
            const PasteBlock back = parsePasteBlock(one);
            if (value.empty()) {
                require(back.lines.empty(), "an empty field alone is no text");
            } else {
                require(back.isSingleValue() && back.lines[0][0] == value,
                        "one field reads back as its value");
            }
        }
    }
}

bool usableDelimiter(int value) {
    return value >= 1 && value <= 127 && value != '\n' && value != '\r' && value != '"';
}

void fuzzSettings(const uint8_t* data, size_t size) {
    const int flag = take<int32_t>(data, size);
    const int delimiterValue = take<int32_t>(data, size);
    const char previous = static_cast<char>(take<uint8_t>(data, size));
    const int megabytes = take<int32_t>(data, size);

    require(flagFromSetting(flag) == (flag != 0), "any non-zero flag is on");
    require(flagSettingText(flagFromSetting(flag)) == (flag != 0 ? L"1" : L"0"), "flag text");

    const char delimiter = delimiterFromSetting(delimiterValue, previous);
    if (usableDelimiter(delimiterValue)) {
        require(delimiter == static_cast<char>(delimiterValue), "a usable code is taken");
        // Written and read back, the delimiter stays, whatever was in force before.
        require(delimiterFromSetting(std::stoi(delimiterSettingText(delimiter)), '\t') == delimiter,
                "delimiter text reads back");
    } else {
        require(delimiter == previous, "an unusable code leaves the delimiter in force");
    }

    const uint64_t maxBytes = maxFileBytesFromSetting(megabytes);
    require(maxBytes % MEGABYTE == 0, "limit in whole megabytes");
    require(maxBytes >= uint64_t{MIN_MAX_FILE_MB} * MEGABYTE &&
                maxBytes <= uint64_t{MAX_MAX_FILE_MB} * MEGABYTE,
            "limit clamped to its range");
    if (megabytes >= MIN_MAX_FILE_MB && megabytes <= MAX_MAX_FILE_MB) {
        require(maxBytes == static_cast<uint64_t>(megabytes) * MEGABYTE, "an in-range limit is kept");
    }
    require(maxFileBytesFromSetting(std::stoi(maxFileSettingText(maxBytes))) == maxBytes,
            "limit text reads back");
}

std::wstring expectedDelimiterName(char delimiter) {
    switch (delimiter) {
    case ';': return L"';'";
    case '|': return L"'|'";
    case '\t': return L"Tab";
    default: return L"','";
    }
}

void fuzzStatus(const uint8_t* data, size_t size) {
    GridStatus status;
    status.rowCount = take<uint64_t>(data, size);
    status.columnCount = take<uint64_t>(data, size);
    status.capped = (take<uint8_t>(data, size) & 1) != 0;
    status.currentRow = take<int64_t>(data, size);
    status.currentColumn = take<int64_t>(data, size);
    // A row of INT64_MAX would print as R-overflow: the grid never has that many rows.
    if (status.currentRow == INT64_MAX) status.currentRow = 0;
    const uint64_t maxFileBytes = take<uint64_t>(data, size);

    for (int byte = 0; byte < 256; ++byte) {
        status.delimiter = static_cast<char>(byte);
        const std::wstring text = gridStatusText(status);
        require(text.size() < STATUS_TEXT_CAPACITY, "status text fits its static");
        std::wstring expected = std::to_wstring(status.rowCount) + (status.rowCount == 1 ? L" row x " : L" rows x ") +
                                std::to_wstring(status.columnCount) + (status.columnCount == 1 ? L" col" : L" cols") +
                                (status.capped ? L" (capped)" : L"") + L"   |   delimiter " +
                                expectedDelimiterName(status.delimiter);
        if (status.rowCount > 0 && status.columnCount > 0) {
            expected += status.currentColumn > 0 ? L"   |   cell R" + std::to_wstring(status.currentRow + 1) + L" C" +
                                                       std::to_wstring(status.currentColumn)
                                                 : L"   |   row R" + std::to_wstring(status.currentRow + 1);
        } else if (status.columnCount > 0 && status.currentColumn > 0) {
            expected += L"   |   col C" + std::to_wstring(status.currentColumn);
        }
        require(text == expected, "status text names counts, delimiter and cell");
        require(delimiterDisplayText(status.delimiter) == expectedDelimiterName(status.delimiter),
                "delimiter display name");
    }
    const std::wstring tooLarge = tooLargeStatusText(maxFileBytes);
    require(tooLarge.size() < STATUS_TEXT_CAPACITY, "notice fits its static");
    require(tooLarge.rfind(L"File is larger than " + std::to_wstring(maxFileBytes / MEGABYTE) + L" MB", 0) == 0,
            "notice names the limit in megabytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t form = data[0] % 3;
    ++data;
    --size;
    switch (form) {
    case 0: fuzzPaste(data, size); break;
    case 1: fuzzSettings(data, size); break;
    default: fuzzStatus(data, size); break;
    }
    return 0;
}
