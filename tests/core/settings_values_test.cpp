// Reading the settings file's values into settings, and writing them back.
#include <gtest/gtest.h>

#include <climits>

#include "model/settings_values.h"

namespace {

TEST(SettingsDefaults, MatchWhatAMissingFileMeans) {
    // A missing key is read as its default, so the defaults must give the initial settings.
    EXPECT_TRUE(flagFromSetting(SETTING_HEADER_ROW.defaultValue));
    EXPECT_TRUE(flagFromSetting(SETTING_AUTO_DELIMITER.defaultValue));
    EXPECT_EQ(delimiterFromSetting(SETTING_DELIMITER.defaultValue, ';'), DEFAULT_DELIMITER);
    EXPECT_EQ(maxFileBytesFromSetting(SETTING_MAX_FILE_MB.defaultValue), DEFAULT_MAX_FILE_BYTES);
    EXPECT_EQ(DEFAULT_MAX_FILE_BYTES, 256u * 1024 * 1024);
}

TEST(FlagSetting, AnyNonZeroValueIsOnAndIsWrittenBackAsOne) {
    EXPECT_FALSE(flagFromSetting(0));
    for (int value : {1, 2, -1, INT_MAX, INT_MIN}) {
        EXPECT_TRUE(flagFromSetting(value)) << value;
        EXPECT_EQ(flagSettingText(flagFromSetting(value)), L"1") << value;
    }
    EXPECT_EQ(flagSettingText(false), L"0");
}

TEST(DelimiterSetting, AcceptsSingleByteCharactersThatDoNotSplitRecords) {
    EXPECT_EQ(delimiterFromSetting(58, ','), ':');
    EXPECT_EQ(delimiterFromSetting(9, ','), '\t');
    EXPECT_EQ(delimiterFromSetting(1, ','), '\x01');
    EXPECT_EQ(delimiterFromSetting(127, ','), '\x7F');
    EXPECT_EQ(delimiterFromSetting(11, ','), '\x0B');  // next to LF, still fine
    EXPECT_EQ(delimiterFromSetting(33, ','), '!');     // next to the quote
    EXPECT_EQ(delimiterFromSetting(35, ','), '#');
}

TEST(DelimiterSetting, KeepsThePreviousDelimiterForUnusableValues) {
    for (int value : {0, 10, 13, 34, 128, 255, 256, 300, -1, -44, INT_MIN, INT_MAX}) {
        EXPECT_EQ(delimiterFromSetting(value, ','), ',') << value;
        EXPECT_EQ(delimiterFromSetting(value, '|'), '|') << value;
    }
    // 44 + 256 would be a comma after truncation to a byte; it must not be taken as one.
    EXPECT_EQ(delimiterFromSetting(44 + 256, ';'), ';');
}

TEST(DelimiterSetting, IsWrittenAsTheUnsignedByteValue) {
    EXPECT_EQ(delimiterSettingText(','), L"44");
    EXPECT_EQ(delimiterSettingText('\t'), L"9");
    EXPECT_EQ(delimiterSettingText('|'), L"124");
    EXPECT_EQ(delimiterSettingText(static_cast<char>(0xE9)), L"233");  // never negative
    for (int value = 1; value <= 127; ++value) {
        if (value == 10 || value == 13 || value == 34) {
            continue;
        }
        EXPECT_EQ(delimiterSettingText(delimiterFromSetting(value, ',')), std::to_wstring(value));
    }
}

TEST(MaxFileSetting, IsClampedToOneThrough2048Megabytes) {
    constexpr uint64_t MB = 1024 * 1024;
    EXPECT_EQ(maxFileBytesFromSetting(1), 1 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(16), 16 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(2048), 2048 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(0), 1 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(-5), 1 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(INT_MIN), 1 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(2049), 2048 * MB);
    EXPECT_EQ(maxFileBytesFromSetting(INT_MAX), 2048 * MB);
}

TEST(MaxFileSetting, IsWrittenBackClamped) {
    EXPECT_EQ(maxFileSettingText(maxFileBytesFromSetting(0)), L"1");
    EXPECT_EQ(maxFileSettingText(maxFileBytesFromSetting(-7)), L"1");
    EXPECT_EQ(maxFileSettingText(maxFileBytesFromSetting(5000)), L"2048");
    EXPECT_EQ(maxFileSettingText(maxFileBytesFromSetting(300)), L"300");
    EXPECT_EQ(maxFileSettingText(DEFAULT_MAX_FILE_BYTES), L"256");
}

}  // namespace
