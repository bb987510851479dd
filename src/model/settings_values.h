// The settings file's names and the rules that turn its integer values into settings and back.
//
// The file is an INI file with one section; every value is decimal text. Reading never fails:
// a missing key yields its default, a value out of range is clamped (MaxFileMB) or ignored
// (Delimiter). Writing formats the settings in force, so clamped values are written back
// clamped.
#pragma once

#include <cstdint>
#include <string>

inline constexpr wchar_t SETTINGS_SECTION[] = L"Tabulon";
// Appended to the host's plug-in configuration directory; the backslash is part of it.
inline constexpr wchar_t SETTINGS_FILE_NAME[] = L"\\Tabulon.ini";

// A key of the settings file with the value it has when missing.
struct SettingKey {
    const wchar_t* name;
    int defaultValue;
};

inline constexpr SettingKey SETTING_HEADER_ROW{L"HeaderRow", 1};
inline constexpr SettingKey SETTING_AUTO_DELIMITER{L"AutoDelim", 1};
inline constexpr SettingKey SETTING_DELIMITER{L"Delimiter", 44};
inline constexpr SettingKey SETTING_MAX_FILE_MB{L"MaxFileMB", 256};

inline constexpr uint64_t MEGABYTE = uint64_t{1} << 20;
inline constexpr int MIN_MAX_FILE_MB = 1;
inline constexpr int MAX_MAX_FILE_MB = 2048;

inline constexpr char DEFAULT_DELIMITER = ',';
inline constexpr uint64_t DEFAULT_MAX_FILE_BYTES = 256 * MEGABYTE;

// HeaderRow and AutoDelim: 0 is off, any other integer is on.
bool flagFromSetting(int value);

// Delimiter: a character code from 1 to 127 other than LF, CR and the double quote becomes the
// delimiter; any other value leaves the previous delimiter in force.
char delimiterFromSetting(int value, char previous);

// MaxFileMB: clamped to 1..2048 megabytes, in bytes.
uint64_t maxFileBytesFromSetting(int value);

// The value texts written to the file.
std::wstring flagSettingText(bool on);                   // "1" or "0"
std::wstring delimiterSettingText(char delimiter);       // the byte's unsigned decimal value
std::wstring maxFileSettingText(uint64_t maxFileBytes);  // whole megabytes, in decimal
