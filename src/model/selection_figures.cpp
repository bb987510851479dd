// The figures of a selected range: the count, the compensated sum and its neighbours, read a
// few rows per step, and written as a spreadsheet writes them.
#include "model/selection_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "model/sort_order.h"

namespace {

bool isBlank(std::string_view value) { return value.find_first_not_of(" \t") == std::string_view::npos; }

// The figure's decimal digits and where the decimal mark goes: value = 0.d1d2d3... x 10^(exponent + 1),
// that is d1 stands for 10^exponent. digits has no trailing zeros and at least one digit.
struct Digits {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

// value rounded to FIGURE_DIGITS significant digits; value is finite and not zero.
Digits roundedDigits(double value) {
    char buffer[64];
    // "-d.ddddddddddddde+XX"
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                       FIGURE_DIGITS - 1);
    std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
    Digits result;
    if (text.front() == '-') {
        result.negative = true;
        text.remove_prefix(1);
    }
    const size_t e = text.find('e');
    result.digits.push_back(text[0]);
    if (e > 2) result.digits.append(text.substr(2, e - 2));
    while (result.digits.size() > 1 && result.digits.back() == '0') result.digits.pop_back();
    std::string_view exponent = text.substr(e + 1);
    const bool negativeExponent = exponent.front() == '-';
    exponent.remove_prefix(1);  // the exponent's sign, always written
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), result.exponent);
    if (negativeExponent) result.exponent = -result.exponent;
    return result;
}

// Appends digits, a separator between every group of three counted from the right.
void appendGrouped(std::wstring& out, std::string_view digits, wchar_t separator) {
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(separator);
        out.push_back(static_cast<wchar_t>(digits[i]));
    }
}

void appendAscii(std::wstring& out, std::string_view text) {
    for (const char c : text) out.push_back(static_cast<wchar_t>(c));
}

}  // namespace

void SelectionFiguresScan::start(const CellRange& range) {
    *this = SelectionFiguresScan();
    range_ = range;
    nextRow_ = std::max<int64_t>(range.firstRow, 0);
    done_ = range.empty() || range.lastColumn < 1 || range.lastRow < 0;
}

bool SelectionFiguresScan::step(const CsvTable& table, bool headerRow, uint64_t budget) {
    return step(table, allGridRows(table, headerRow), budget);
}

bool SelectionFiguresScan::step(const CsvTable& table, const GridRows& gridRows, uint64_t budget) {
    const int64_t rows = static_cast<int64_t>(std::min<uint64_t>(gridRows.count, INT64_MAX));
    const int64_t lastRow = std::min<int64_t>(range_.lastRow, rows - 1);
    // Columns count from 1; a range reaching into the row numbers starts at the first cell.
    const uint64_t firstCell = static_cast<uint64_t>(std::max<int32_t>(range_.firstColumn, 1) - 1);
    const uint64_t lastCell = static_cast<uint64_t>(range_.lastColumn - 1);
    uint64_t spent = 0;
    while (!done_) {
        if (nextRow_ > lastRow) {
            done_ = true;
            break;
        }
        if (spent > 0 && spent >= budget) break;
        const uint64_t r = gridRows.tableRow(static_cast<uint64_t>(nextRow_));
        ++nextRow_;
        ++spent;
        const uint64_t cells = table.rows.cellCount(r);
        if (firstCell >= cells) continue;
        table.rows.read(r, row_);
        spent += row_.raw().size();
        const uint64_t last = std::min(lastCell, cells - 1);
        for (uint64_t i = firstCell; i <= last; ++i) add(row_.cell(i));
    }
    return done_;
}

void SelectionFiguresScan::add(std::string_view value) {
    if (isBlank(value)) return;
    ++count_;
    char mark = 0;
    const std::optional<double> number = parseNumberValue(value, &mark);
    if (!number) return;
    const double x = *number;
    if (mark == ',') ++commaDecimals_;
    if (mark == '.') ++stopDecimals_;
    if (numbers_ == 0) {
        minimum_ = maximum_ = x;
    } else {
        minimum_ = std::min(minimum_, x);
        maximum_ = std::max(maximum_, x);
    }
    ++numbers_;
    // Neumaier: whichever of the two is smaller in magnitude loses low-order digits to the sum.
    const double t = sum_ + x;
    if (std::isfinite(t)) {
        compensation_ += std::fabs(sum_) >= std::fabs(x) ? (sum_ - t) + x : (x - t) + sum_;
    }
    sum_ = t;
}

SelectionFigures SelectionFiguresScan::figures() const {
    SelectionFigures figures;
    figures.count = count_;
    figures.numbers = numbers_;
    // Once the sum has run past the largest double, the lost parts no longer mean anything.
    figures.sum = std::isfinite(sum_) ? sum_ + compensation_ : sum_;
    figures.minimum = minimum_;
    figures.maximum = maximum_;
    figures.decimalComma = commaDecimals_ > stopDecimals_;
    return figures;
}

std::wstring figureText(double value, bool decimalComma) {
    if (!std::isfinite(value)) return L"too large";
    if (value == 0) return L"0";
    const Digits rounded = roundedDigits(value);
    const std::string_view digits = rounded.digits;
    const wchar_t mark = decimalComma ? L',' : L'.';
    std::wstring text;
    if (rounded.negative) text.push_back(L'-');
    if (rounded.exponent < -6 || rounded.exponent >= FIGURE_DIGITS) {
        text.push_back(static_cast<wchar_t>(digits[0]));
        if (digits.size() > 1) {
            text.push_back(mark);
            appendAscii(text, digits.substr(1));
        }
        text += rounded.exponent < 0 ? L"E-" : L"E+";
        const int magnitude = std::abs(rounded.exponent);
        if (magnitude < 10) text.push_back(L'0');
        text += std::to_wstring(magnitude);
        return text;
    }
    if (rounded.exponent < 0) {
        text += L'0';
        text.push_back(mark);
        text.append(static_cast<size_t>(-rounded.exponent - 1), L'0');
        appendAscii(text, digits);
        return text;
    }
    const size_t integerDigits = static_cast<size_t>(rounded.exponent) + 1;
    std::string integerPart(digits.substr(0, integerDigits));
    integerPart.append(integerDigits - integerPart.size(), '0');
    appendGrouped(text, integerPart, decimalComma ? L'.' : L',');
    if (digits.size() > integerDigits) {
        text.push_back(mark);
        appendAscii(text, digits.substr(integerDigits));
    }
    return text;
}

std::wstring selectionFiguresText(const SelectionFigures& figures) {
    std::wstring text = L"Count " + std::to_wstring(figures.count);
    if (figures.numbers == 0) return text;
    const auto part = [&](const wchar_t* name, double value) {
        text += L"  ";
        text += name;
        text += L' ';
        text += figureText(value, figures.decimalComma);
    };
    part(L"Sum", figures.sum);
    part(L"Average", figures.average());
    part(L"Min", figures.minimum);
    part(L"Max", figures.maximum);
    return text;
}
