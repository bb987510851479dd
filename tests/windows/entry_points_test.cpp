// The plug-in as the host first meets it: its exports, its menu table and the commands that
// need no panel.
#include "test_support.h"

#include <cstring>
#include <vector>

using namespace tabulon_test;

namespace {

class EntryPointsTest : public PluginTest {};

TEST_F(EntryPointsTest, ExportsAnswerWithFixedValues) {
    loadPlugin();
    devhost::PluginLoader& plugin = host.plugin();
    EXPECT_EQ(plugin.name(), L"Tabulon");
    EXPECT_EQ(plugin.getName(), plugin.getName());  // static storage, same text every time
    EXPECT_EQ(plugin.unicode(), TRUE);
    for (UINT message : {UINT{WM_NULL}, UINT{WM_COMMAND}, UINT{WM_SIZE}, NPPMSG + 4, 0xBFFFu})
        EXPECT_EQ(plugin.messageProc(message, 1, 2), TRUE) << "message " << message;
}

TEST_F(EntryPointsTest, MenuTableAsTheHostReadsIt) {
    loadPlugin();
    devhost::PluginLoader& plugin = host.plugin();
    ASSERT_EQ(plugin.itemCount(), 4);
    FuncItem* items = plugin.items();
    EXPECT_STREQ(items[0]._itemName, L"&Tabulon panel");
    EXPECT_STREQ(items[1]._itemName, L"&Auto-fit columns");
    EXPECT_STREQ(items[2]._itemName, L"-");
    EXPECT_STREQ(items[3]._itemName, L"&About...");
    EXPECT_NE(items[0]._pFunc, nullptr);
    EXPECT_NE(items[1]._pFunc, nullptr);
    EXPECT_EQ(items[2]._pFunc, nullptr);  // the host draws a separator
    EXPECT_NE(items[3]._pFunc, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(items[i]._init2Check) << "item " << i;
        EXPECT_EQ(items[i]._cmdID, devhost::PluginLoader::FIRST_COMMAND_ID + i);
    }
    ASSERT_NE(items[0]._pShKey, nullptr);
    unsigned char bytes[4];
    std::memcpy(bytes, items[0]._pShKey, 4);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[2], 0x00);
    EXPECT_EQ(bytes[3], 0x47);
    EXPECT_EQ(items[1]._pShKey, nullptr);
    EXPECT_EQ(items[2]._pShKey, nullptr);
    EXPECT_EQ(items[3]._pShKey, nullptr);
}

TEST_F(EntryPointsTest, StartUpSendsOnlyTheConfigurationQuestion) {
    devhost::PluginLoader& plugin = host.plugin();
    ASSERT_TRUE(plugin.load(pluginPath()));
    plugin.start(host.pluginData());
    host.pumpUntilIdle();
    EXPECT_EQ(host.hostMessageCount(NPPM_GETPLUGINSCONFIGDIR), 0);  // setInfo sends nothing
    EXPECT_FALSE(host.dockRegistration.has_value());
    host.notify(NPPN_READY);
    EXPECT_EQ(host.hostMessageCount(NPPM_GETPLUGINSCONFIGDIR), 1);
    EXPECT_TRUE(host.menuChecks.empty());
    EXPECT_TRUE(host.modelessEvents.empty());
    EXPECT_EQ(host.hostMessageCount(NPPM_ISDARKMODEENABLED), 0);
}

TEST_F(EntryPointsTest, NotificationsWithoutAPanelChangeNothing) {
    loadPlugin();
    host.clearRecords();
    host.plugin().notify(nullptr);
    for (UINT code : {NPPN_FILESAVED, NPPN_BUFFERACTIVATED, NPPN_LANGCHANGED, NPPN_DARKMODECHANGED, 4242u})
        host.notify(code);
    host.mainView().userInsert(0, "x,");  // SCN_MODIFIED from a view
    host.pumpUntilIdle();
    EXPECT_EQ(host.hostMessageCount(NPPM_ISDARKMODEENABLED), 0);
    EXPECT_EQ(host.hostMessageCount(NPPM_GETCURRENTSCINTILLA), 0);
    EXPECT_TRUE(host.menuChecks.empty());
    EXPECT_FALSE(host.dockRegistration.has_value());
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(EntryPointsTest, AboutBoxBelongsToTheHost) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(ABOUT_COMMAND));
    ASSERT_EQ(hooks.boxes.size(), 1u);
    const devhost::CapturedMessageBox& box = hooks.boxes[0];
    EXPECT_EQ(box.title, L"About Tabulon");
    EXPECT_EQ(box.owner, host.window());
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(box.icon, devhost::MessageBoxIcon::Information);
    // The version is checked against the version resource below.
    EXPECT_EQ(box.text.rfind(L"Tabulon ", 0), 0u) << std::string(box.text.begin(), box.text.end());
    EXPECT_NE(box.text.find(L"  \u2022  tabulon.example.org\r\nA spreadsheet view"), std::wstring::npos);
    const std::wstring ending = L"undoes it and Ctrl+S saves it like any other edit.";
    ASSERT_GE(box.text.size(), ending.size());
    EXPECT_EQ(box.text.substr(box.text.size() - ending.size()), ending);
    EXPECT_NE(box.text.find(L"\r\n  \u2022  Ctrl+V pastes a single cell or a whole block from Excel\r\n"), std::wstring::npos);
    EXPECT_FALSE(host.dockRegistration.has_value());  // no panel for the About box
}

// A string of the library's version resource (US English, UTF-16), empty when missing.
std::wstring versionString(const std::vector<char>& block, const wchar_t* key) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return L"";
    return static_cast<const wchar_t*>(value);
}

// The plug-in manager compares versions by the version resource; the user reads the About box.
TEST_F(EntryPointsTest, AboutBoxNamesTheVersionOfTheVersionResource) {
    const std::wstring path = pluginPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    const std::wstring fileVersion = versionString(block, L"FileVersion");
    ASSERT_FALSE(fileVersion.empty());
    EXPECT_EQ(versionString(block, L"ProductVersion"), fileVersion);
    EXPECT_EQ(versionString(block, L"OriginalFilename"), L"Tabulon.dll");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    ASSERT_NE(fixed, nullptr);
    const std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numbers, fileVersion);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 0);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(ABOUT_COMMAND));
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text.rfind(L"Tabulon " + fileVersion + L"  \u2022  ", 0), 0u);
}

TEST(PluginLoaderTest, LibraryWithoutTheExportsIsRefused) {
    devhost::PluginLoader loader;
    EXPECT_FALSE(loader.load(L"comctl32.dll"));
    EXPECT_FALSE(loader.loaded());
    EXPECT_NE(loader.error().find(L"setInfo"), std::wstring::npos);
    EXPECT_FALSE(loader.load(L"no-such-plugin.dll"));
}

}  // namespace
