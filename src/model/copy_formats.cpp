#include "model/copy_formats.h"

#include <cstdio>

namespace {

// Line breaks in a value, CR LF, CR or LF, each as one <br>.
std::wstring withBreaks(const std::wstring& escapedText) {
    std::wstring out;
    for (size_t i = 0; i < escapedText.size(); ++i) {
        const wchar_t c = escapedText[i];
        if (c == L'\r' || c == L'\n') {
            out += L"<br>";
            if (c == L'\r' && i + 1 < escapedText.size() && escapedText[i + 1] == L'\n') {
                ++i;
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring markdownCell(const std::wstring& value) {
    std::wstring escaped;
    for (const wchar_t c : value) {
        if (c == L'|' || c == L'\\') {
            escaped += L'\\';
        }
        escaped += c;
    }
    return withBreaks(escaped);
}

std::wstring htmlCell(const std::wstring& value) {
    std::wstring escaped;
    for (const wchar_t c : value) {
        switch (c) {
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'&': escaped += L"&amp;"; break;
        case L'"': escaped += L"&quot;"; break;
        default: escaped += c; break;
        }
    }
    return withBreaks(escaped);
}

std::wstring jsonString(const std::wstring& value) {
    std::wstring out = L"\"";
    for (const wchar_t c : value) {
        switch (c) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (c < 0x20) {
                wchar_t code[8];
                std::swprintf(code, 8, L"\\u%04x", static_cast<unsigned>(c));
                out += code;
            } else {
                out += c;
            }
            break;
        }
    }
    out += L'"';
    return out;
}

std::wstring markdownLine(const std::vector<std::wstring>& cells, size_t width) {
    std::wstring line = L"|";
    for (size_t i = 0; i < width; ++i) {
        line += L' ';
        line += i < cells.size() ? markdownCell(cells[i]) : std::wstring();
        line += L" |";
    }
    return line;
}

}  // namespace

std::wstring markdownTable(const std::vector<std::wstring>& titles, const std::vector<std::wstring>& letters,
                           const TextBlock& rows) {
    const std::vector<std::wstring>& head = titles.empty() ? letters : titles;
    const size_t width = head.size();
    std::wstring out = markdownLine(head, width) + L"\r\n|";
    for (size_t i = 0; i < width; ++i) {
        out += L" --- |";
    }
    for (const std::vector<std::wstring>& row : rows) {
        out += L"\r\n";
        out += markdownLine(row, width);
    }
    return out;
}

std::wstring htmlTable(const std::vector<std::wstring>& titles, const TextBlock& rows) {
    std::wstring out = L"<table>\r\n";
    if (!titles.empty()) {
        out += L"<thead><tr>";
        for (const std::wstring& title : titles) {
            out += L"<th>" + htmlCell(title) + L"</th>";
        }
        out += L"</tr></thead>\r\n";
    }
    out += L"<tbody>\r\n";
    for (const std::vector<std::wstring>& row : rows) {
        out += L"<tr>";
        for (const std::wstring& value : row) {
            out += L"<td>" + htmlCell(value) + L"</td>";
        }
        out += L"</tr>\r\n";
    }
    out += L"</tbody>\r\n</table>";
    return out;
}

std::wstring jsonRecords(const std::vector<std::wstring>& titles, const TextBlock& rows) {
    std::wstring out = L"[";
    for (size_t r = 0; r < rows.size(); ++r) {
        out += r == 0 ? L"\r\n  " : L",\r\n  ";
        const std::vector<std::wstring>& row = rows[r];
        if (titles.empty()) {
            out += L"[";
            for (size_t i = 0; i < row.size(); ++i) {
                out += (i == 0 ? L"" : L", ") + jsonString(row[i]);
            }
            out += L"]";
        } else {
            out += L"{";
            for (size_t i = 0; i < titles.size(); ++i) {
                out += (i == 0 ? L"" : L", ") + jsonString(titles[i]) + L": " +
                       jsonString(i < row.size() ? row[i] : std::wstring());
            }
            out += L"}";
        }
    }
    out += rows.empty() ? L"]" : L"\r\n]";
    return out;
}
