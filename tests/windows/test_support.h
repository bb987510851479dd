// Shared pieces of the Windows tests: where the plug-in is, the numbers a host sees of it,
// and a fixture that gives each test a fresh host, message-box capture and settings folder.
#pragma once

#include "dev_host.h"
#include "temporary_directory.h"
#include "window_hooks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace tabulon_test {

// The control ids and numbers the panel is known by from outside.
constexpr int IDD_PANEL = 2600;
constexpr int IDC_GRID_LIST = 2601;
constexpr int IDC_RELOAD = 2602;
constexpr int IDC_HEADER_ROW = 2603;
constexpr int IDC_DELIMITER = 2604;
constexpr int IDC_ADD_ROW = 2605;
constexpr int IDC_DELETE_ROW = 2606;
constexpr int IDC_ADD_COLUMN = 2607;
constexpr int IDC_DELETE_COLUMN = 2608;
constexpr int IDC_FIT = 2609;
constexpr int IDC_STATUS = 2610;
constexpr int IDC_DELIM_LABEL = 2612;

constexpr int PANEL_COMMAND = 0;
constexpr int AUTO_FIT_COMMAND = 1;
constexpr int ABOUT_COMMAND = 3;
constexpr int PANEL_COMMAND_ID = devhost::PluginLoader::FIRST_COMMAND_ID + PANEL_COMMAND;

inline constexpr wchar_t PANEL_CAPTION[] = L"Tabulon by tabulon.example.org";

// Tabulon.dll beside the test program, or $TABULON_DLL.
std::wstring pluginPath();

// A child of the panel by control id, and its rectangle in the panel's client coordinates.
HWND child(HWND panel, int id);
RECT childRect(HWND panel, int id);
// The text the list is given for a row and sub-item (at most 511 characters).
std::wstring listItemText(HWND list, int row, int subItem);

// Writes a settings file with the given body under the directory.
void writeSettingsFile(const std::wstring& directory, const std::string& body);
int readSetting(const std::wstring& file, const wchar_t* key, int missing = -999);

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the plug-in into the host (setInfo .. NPPN_READY); fails the test if it cannot.
    void loadPlugin();
    // The panel window as registered with the docking manager (none before).
    HWND panel() { return host.dockedPanel(); }
    std::wstring settingsFile() const { return config.file(L"Tabulon.ini"); }

    devhost::TemporaryDirectory config;
    devhost::WindowHooks hooks;
    devhost::DevHost host;
};

}  // namespace tabulon_test
