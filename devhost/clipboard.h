// The clipboard as a user leaves it for the plug-in or finds it after a copy: Unicode text.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace devhost {

// Empties the clipboard and puts text on it as CF_UNICODETEXT; false when it cannot be opened.
bool setClipboardText(HWND owner, const std::wstring& text);
// The CF_UNICODETEXT on the clipboard, or none when there is no text.
std::optional<std::wstring> clipboardText(HWND owner);
bool clearClipboard(HWND owner);

}  // namespace devhost
