// The settings file in the host's plug-in configuration directory: found and read when the
// host is ready, written back (clamped) at shut-down and on a change, never without a path.
#include "test_support.h"
#include "input.h"

using namespace tabulon_test;

namespace {

class SettingsTest : public PluginTest {};

TEST_F(SettingsTest, MissingDirectoryIsCreatedAndTheFileOnlyAtShutdown) {
    const std::wstring directory = config.path() + L"\\plugins-config";
    host.configDirectory = directory;
    loadPlugin();
    EXPECT_TRUE(devhost::directoryExists(directory));
    const std::wstring file = directory + L"\\Tabulon.ini";
    EXPECT_FALSE(devhost::fileExists(file));
    EXPECT_TRUE(host.shutdownPlugin());
    ASSERT_TRUE(devhost::fileExists(file));
    EXPECT_EQ(readSetting(file, L"HeaderRow"), 1);
    EXPECT_EQ(readSetting(file, L"AutoDelim"), 1);
    EXPECT_EQ(readSetting(file, L"Delimiter"), 44);
    EXPECT_EQ(readSetting(file, L"MaxFileMB"), 256);
}

struct ClampCase {
    const char* body;
    int headerRow;
    int autoDelim;
    int delimiter;
    int maxFileMB;
};

class SettingsClampTest : public PluginTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(SettingsClampTest, ValuesAreWrittenBackAsTheyWereTaken) {
    const ClampCase& c = GetParam();
    writeSettingsFile(config.path(), c.body);
    loadPlugin();
    EXPECT_TRUE(host.shutdownPlugin());
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), c.headerRow);
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), c.autoDelim);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), c.delimiter);
    EXPECT_EQ(readSetting(settingsFile(), L"MaxFileMB"), c.maxFileMB);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsClampTest,
    ::testing::Values(ClampCase{"MaxFileMB=0\r\n", 1, 1, 44, 1}, ClampCase{"MaxFileMB=-7\r\n", 1, 1, 44, 1},
                      ClampCase{"MaxFileMB=5000\r\n", 1, 1, 44, 2048}, ClampCase{"MaxFileMB=2048\r\n", 1, 1, 44, 2048},
                      ClampCase{"HeaderRow=2\r\nAutoDelim=0\r\n", 1, 0, 44, 256},
                      ClampCase{"HeaderRow=0\r\nAutoDelim=-1\r\n", 0, 1, 44, 256},
                      ClampCase{"Delimiter=0\r\n", 1, 1, 44, 256}, ClampCase{"Delimiter=10\r\n", 1, 1, 44, 256},
                      ClampCase{"Delimiter=13\r\n", 1, 1, 44, 256}, ClampCase{"Delimiter=34\r\n", 1, 1, 44, 256},
                      ClampCase{"Delimiter=128\r\n", 1, 1, 44, 256}, ClampCase{"Delimiter=-59\r\n", 1, 1, 44, 256},
                      ClampCase{"Delimiter=9\r\nAutoDelim=0\r\n", 1, 0, 9, 256},
                      ClampCase{"Delimiter=127\r\n", 1, 1, 127, 256}, ClampCase{"Delimiter=1\r\n", 1, 1, 1, 256}));

TEST_F(SettingsTest, NothingIsWrittenWithoutADirectory) {
    host.configDirectory.clear();
    loadPlugin();
    EXPECT_EQ(host.hostMessageCount(NPPM_GETPLUGINSCONFIGDIR), 1);
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    HWND headerRow = child(panel(), IDC_HEADER_ROW);
    ASSERT_NE(headerRow, nullptr);
    devhost::click(host, headerRow, POINT{4, 4});  // a change that would be saved
    EXPECT_EQ(SendMessageW(headerRow, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(host.shutdownPlugin());
    EXPECT_FALSE(devhost::fileExists(L"\\Tabulon.ini"));
    wchar_t windowsDirectory[MAX_PATH] = {};
    GetWindowsDirectoryW(windowsDirectory, MAX_PATH);
    EXPECT_FALSE(devhost::fileExists(std::wstring(windowsDirectory) + L"\\Tabulon.ini"));
    EXPECT_FALSE(devhost::fileExists(settingsFile()));
}

TEST_F(SettingsTest, ColonFromTheFileShowsAutoWithDetectionOff) {
    writeSettingsFile(config.path(), "HeaderRow=0\r\nAutoDelim=0\r\nDelimiter=58\r\n");
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    HWND combo = child(panel(), IDC_DELIMITER);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    wchar_t text[32] = {};
    GetWindowTextW(combo, text, 32);
    EXPECT_STREQ(text, L"Auto");
    EXPECT_EQ(SendMessageW(child(panel(), IDC_HEADER_ROW), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(host.shutdownPlugin());
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), 0);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 58);
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), 0);
}

TEST_F(SettingsTest, ChangesInThePanelAreSavedAtOnce) {
    writeSettingsFile(config.path(), "Delimiter=59\r\nAutoDelim=0\r\n");
    // No delimiter to detect, so choosing "Auto" keeps the one in force.
    host.mainView().document().load("alpha\r\nbeta\r\n");
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    HWND combo = child(panel(), IDC_DELIMITER);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);  // "; semicolon"

    devhost::click(host, child(panel(), IDC_HEADER_ROW), POINT{4, 4});
    EXPECT_EQ(readSetting(settingsFile(), L"HeaderRow"), 0);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 59);

    SendMessageW(combo, CB_SETCURSEL, 4, 0);
    SendMessageW(panel(), WM_COMMAND, MAKEWPARAM(IDC_DELIMITER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 124);
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), 0);

    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendMessageW(panel(), WM_COMMAND, MAKEWPARAM(IDC_DELIMITER, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(readSetting(settingsFile(), L"AutoDelim"), 1);
    EXPECT_EQ(readSetting(settingsFile(), L"Delimiter"), 124);  // kept as the fallback
}

}  // namespace
