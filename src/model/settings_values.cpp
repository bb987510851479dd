#include "model/settings_values.h"

#include <algorithm>

bool flagFromSetting(int value) {
    return value != 0;
}

char delimiterFromSetting(int value, char previous) {
    // Line breaks and the quote would change how every record is split, and bytes above 127
    // are parts of multi-byte characters in UTF-8 documents.
    const bool usable = value >= 1 && value <= 127 && value != '\n' && value != '\r' && value != '"';
    return usable ? static_cast<char>(value) : previous;
}

uint64_t maxFileBytesFromSetting(int value) {
    const int megabytes = std::clamp(value, MIN_MAX_FILE_MB, MAX_MAX_FILE_MB);
    return static_cast<uint64_t>(megabytes) * MEGABYTE;
}

std::wstring flagSettingText(bool on) {
    return on ? L"1" : L"0";
}

std::wstring delimiterSettingText(char delimiter) {
    return std::to_wstring(static_cast<unsigned char>(delimiter));
}

std::wstring maxFileSettingText(uint64_t maxFileBytes) {
    return std::to_wstring(maxFileBytes >> 20);
}
