// The settings file: located and read when the host is ready, written when the user changes
// the header-row or delimiter choice and at host shut-down.
#include <windows.h>
#include <shlwapi.h>

#include "model/settings_values.h"
#include "panel/grid_panel.h"
#include "plugin/host_interface.h"

namespace {

int readSetting(const SettingKey& key, const std::wstring& path) {
    // The answer is the key's value as a signed decimal number, returned in an unsigned type.
    return static_cast<int>(
        GetPrivateProfileIntW(SETTINGS_SECTION, key.name, key.defaultValue, path.c_str()));
}

void writeSetting(const SettingKey& key, const std::wstring& text, const std::wstring& path) {
    // A failed write is not reported; the settings in force stay as they are.
    WritePrivateProfileStringW(SETTINGS_SECTION, key.name, text.c_str(), path.c_str());
}

}  // namespace

void GridPanel::onReady() {
    locateSettings();
    hostReady = true;
    takeViewOfCurrentDocument();
    // The host may leave out the modification events no plug-in asked for.
    SendMessageW(hostWindow, NPPM_ADDSCNMODIFIEDFLAGS, 0, SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT);
    if (panelWindow != nullptr) {
        // A panel restored while the host started is shown by the settings just read.
        showSettingsInControls();
        // The panel's own visible bit: while the host starts, its main window may not be
        // shown yet, and IsWindowVisible would answer for that window too.
        if ((GetWindowLongPtrW(panelWindow, GWL_STYLE) & WS_VISIBLE) != 0) {
            refreshGrid(false);
        }
    }
}

void GridPanel::locateSettings() {
    constexpr int CAPACITY = MAX_PATH;
    wchar_t directory[CAPACITY] = {};
    SendMessageW(hostWindow, NPPM_GETPLUGINSCONFIGDIR, CAPACITY,
                 reinterpret_cast<LPARAM>(directory));
    directory[CAPACITY - 1] = L'\0';  // a host that fills the whole buffer still gives a string
    if (directory[0] == L'\0') {
        return;  // no configuration directory: the defaults stay, nothing is ever written
    }
    if (!PathFileExistsW(directory)) {
        CreateDirectoryW(directory, nullptr);  // one level; a failure shows as unread settings
    }
    readSettings(std::wstring(directory) + SETTINGS_FILE_NAME);
    readViews(std::wstring(directory) + VIEWS_FILE_NAME);
}

void GridPanel::readSettings(const std::wstring& path) {
    settingsPath = path;
    defaultHeaderRow = flagFromSetting(readSetting(SETTING_HEADER_ROW, path));
    defaultAutoDelimiter = flagFromSetting(readSetting(SETTING_AUTO_DELIMITER, path));
    defaultDelimiter = delimiterFromSetting(readSetting(SETTING_DELIMITER, path), defaultDelimiter);
    maxFileBytes = maxFileBytesFromSetting(readSetting(SETTING_MAX_FILE_MB, path));
    headerRow = defaultHeaderRow;
    autoDelimiter = defaultAutoDelimiter;
    delimiter = defaultDelimiter;
}

void GridPanel::writeSettings() {
    writeSetting(SETTING_HEADER_ROW, flagSettingText(defaultHeaderRow), settingsPath);
    writeSetting(SETTING_AUTO_DELIMITER, flagSettingText(defaultAutoDelimiter), settingsPath);
    writeSetting(SETTING_DELIMITER, delimiterSettingText(defaultDelimiter), settingsPath);
    writeSetting(SETTING_MAX_FILE_MB, maxFileSettingText(maxFileBytes), settingsPath);
}

// The views file is written with the settings file.
void GridPanel::saveSettingsIfKnown() {
    if (!settingsPath.empty()) {
        writeSettings();
    }
    writeViews();
}
