// Conversions through MultiByteToWideChar and WideCharToMultiByte with the document's code page.
#include "model/cell_text.h"

#include <climits>

#include "model/row_text.h"

namespace {

// The system takes lengths as int.
constexpr size_t MAX_CONVERTED_CHARACTERS = INT_MAX;

}  // namespace

std::wstring decodeCell(std::string_view bytes, UINT codePage) {
    // A value longer than the system can take is not converted rather than cut.
    if (bytes.empty() || bytes.size() > MAX_CONVERTED_CHARACTERS) {
        return std::wstring();
    }
    const int byteCount = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    const int written = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, text.data(), length);
    text.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return text;
}

std::string encodeCell(std::wstring_view text, UINT codePage, bool* lossy) {
    if (lossy != nullptr) {
        *lossy = false;
    }
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > MAX_CONVERTED_CHARACTERS) {
        if (lossy != nullptr) {
            *lossy = true;  // nothing of it could be stored
        }
        return std::string();
    }
    const int characterCount = static_cast<int>(text.size());
    // Outside UTF-8, a character the code page cannot hold must come out as the default
    // character, which the conversion reports, and not as a look-alike ("best fit": a macron a
    // written as a plain a), which it does not report and which would change the text unseen.
    // Some code pages (the stateful and symbol ones) refuse that flag and the used-default flag;
    // their bytes are still wanted, even though a loss cannot be told.
    const bool utf8 = codePage == CP_UTF8;
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int size = WideCharToMultiByte(codePage, flags, text.data(), characterCount, nullptr, 0,
                                   nullptr, nullptr);
    if (size <= 0 && flags != 0) {
        flags = 0;
        size = WideCharToMultiByte(codePage, 0, text.data(), characterCount, nullptr, 0, nullptr,
                                   nullptr);
    }
    if (size <= 0) {
        return std::string();
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    int written = 0;
    if (utf8) {
        // UTF-8 holds every character, and the system refuses the used-default flag for it.
        written = WideCharToMultiByte(codePage, 0, text.data(), characterCount, bytes.data(), size,
                                      nullptr, nullptr);
    } else {
        BOOL usedDefault = FALSE;
        written = WideCharToMultiByte(codePage, flags, text.data(), characterCount, bytes.data(),
                                      size, nullptr, &usedDefault);
        if (written <= 0) {
            written = WideCharToMultiByte(codePage, flags, text.data(), characterCount,
                                          bytes.data(), size, nullptr, nullptr);
        } else if (usedDefault && lossy != nullptr) {
            *lossy = true;
        }
    }
    if (written <= 0) {
        // The count was given but the conversion failed: report it rather than hand back an
        // empty value as if the text had been stored.
        if (lossy != nullptr) {
            *lossy = true;
        }
        return std::string();
    }
    bytes.resize(static_cast<size_t>(written));
    return bytes;
}

std::wstring columnTitle(const CsvTable& table, bool headerRow, UINT codePage, uint64_t column,
                         wchar_t lineBreakMark) {
    if (headerRow && !table.rows.empty() && column < table.rows.front().cellCount()) {
        std::wstring title = displayText(decodeCell(table.rows.front().cell(column), codePage), lineBreakMark);
        if (!title.empty()) {
            return title;
        }
    }
    return columnLetters(column);
}
