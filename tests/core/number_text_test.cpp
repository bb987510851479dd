// Which cell texts the grid right-aligns as numbers.
#include <gtest/gtest.h>

#include "model/number_text.h"

namespace {

TEST(LooksNumeric, TheUsualWrittenForms) {
    for (const wchar_t* text : {L"0", L"42", L"-7", L"+7", L"\x2212" L"7", L"3.14", L"3,14", L".5", L"5.",
                                L"1,234", L"1,234,567.89", L"1.234.567,89", L"1 234 567", L"1\x00A0" L"234",
                                L"1'234.5", L"12%", L"-12.5 %", L"  42  ", L"6.02e23", L"1E-9", L"1234,5"}) {
        EXPECT_TRUE(looksNumeric(text)) << static_cast<const void*>(text) << " " << std::wstring(text).size();
    }
}

TEST(LooksNumeric, TextDatesAndBrokenNumbersStayText) {
    for (const wchar_t* text : {L"", L" ", L"%", L"-", L".", L"--1", L"1e", L"e5", L"1,5,5", L"1,234.567.8",
                                L"2024-02-02", L"12:30", L"SO-100001", L"1 2", L"555 123 4567", L"1,2345,678",
                                L"1,234.5,6", L"12%%", L"Nut M6", L"0x1F", L"1.234,567.8", L"1, 234"}) {
        EXPECT_FALSE(looksNumeric(text)) << std::wstring(text).size();
    }
}

}  // namespace
