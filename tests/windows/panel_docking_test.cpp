// The panel as the docking manager sees it: created and registered at the first command,
// then only shown and hidden; closed by the dock; the Auto-fit command on a hidden and a
// visible panel; the dialog template in the library's resources.
#include "test_support.h"

#include <cstdint>
#include <cstring>

using namespace tabulon_test;

namespace {

class PanelDockingTest : public PluginTest {};

TEST_F(PanelDockingTest, FirstToggleCreatesRegistersAndShowsThePanel) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    ASSERT_TRUE(host.dockRegistration.has_value());
    const devhost::DockRegistration& dock = *host.dockRegistration;
    HWND panelWindow = dock.hClient;
    ASSERT_TRUE(IsWindow(panelWindow));
    EXPECT_EQ(host.dockRegistrationCount, 1);

    ASSERT_EQ(host.modelessEvents.size(), 1u);
    EXPECT_EQ(host.modelessEvents[0].operation, MODELESSDIALOGADD);
    EXPECT_EQ(host.modelessEvents[0].dialog, panelWindow);

    EXPECT_EQ(dock.name, std::wstring(PANEL_CAPTION));
    EXPECT_EQ(dock.dlgID, 0);
    EXPECT_EQ(dock.uMask, 0x30000009u);  // bottom container, the tab icon, its dark look its own
    EXPECT_NE(dock.hIconTab, nullptr);
    EXPECT_FALSE(dock.addInfo.has_value());
    EXPECT_EQ(dock.rcFloat.left | dock.rcFloat.top | dock.rcFloat.right | dock.rcFloat.bottom, 0);
    EXPECT_EQ(dock.iPrevCont, 0);
    EXPECT_EQ(dock.moduleName, std::wstring(L"Tabulon.dll"));
    // The host keeps the record's address: it must still hold the same values.
    EXPECT_EQ(dock.record->hClient, panelWindow);
    EXPECT_STREQ(dock.record->pszName, PANEL_CAPTION);
    EXPECT_STREQ(dock.record->pszModuleName, L"Tabulon.dll");

    wchar_t caption[64] = {};
    GetWindowTextW(panelWindow, caption, 64);
    EXPECT_STREQ(caption, PANEL_CAPTION);
    EXPECT_EQ(host.dockRequests, std::vector<UINT>{NPPM_DMMSHOW});
    EXPECT_TRUE(IsWindowVisible(panelWindow));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);
    EXPECT_EQ(GetFocus(), child(panelWindow, IDC_GRID_LIST));
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(PanelDockingTest, LaterTogglesOnlyHideAndShow) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    HWND panelWindow = panel();
    host.invokeCommand(PANEL_COMMAND);
    EXPECT_FALSE(IsWindowVisible(panelWindow));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), false);
    host.invokeCommand(PANEL_COMMAND);
    EXPECT_TRUE(IsWindowVisible(panelWindow));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);

    EXPECT_EQ(host.dockRequests, (std::vector<UINT>{NPPM_DMMSHOW, NPPM_DMMHIDE, NPPM_DMMSHOW}));
    EXPECT_EQ(host.dockRegistrationCount, 1);
    EXPECT_EQ(host.modelessEvents.size(), 1u);
    EXPECT_EQ(panel(), panelWindow);
    ASSERT_EQ(host.menuChecks.size(), 3u);
    for (const devhost::MenuCheckEvent& check : host.menuChecks) EXPECT_EQ(check.commandId, PANEL_COMMAND_ID);
}

TEST_F(PanelDockingTest, ClosingTheDockUnchecksTheMenuWhateverTheHighBits) {
    loadPlugin();
    for (UINT highBits : {0x0u, 0x3u, 0xFFFFu}) {
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        ASSERT_TRUE(IsWindowVisible(panel()));
        ASSERT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);
        host.closeDockByUser(highBits);
        EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), false) << "high bits " << highBits;
        EXPECT_FALSE(IsWindowVisible(panel()));
    }
    // Other docking codes leave the menu alone.
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    const size_t checks = host.menuChecks.size();
    host.sendDockNotification(DMN_SWITCHIN, 0x7);
    host.sendDockNotification(DMN_FIRST + 2);
    EXPECT_EQ(host.menuChecks.size(), checks);
    EXPECT_TRUE(IsWindowVisible(panel()));
}

TEST_F(PanelDockingTest, AutoFitOpensAMissingOrHiddenPanelAndFitsAVisibleOne) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(AUTO_FIT_COMMAND));
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);

    host.invokeCommand(PANEL_COMMAND);  // hide
    ASSERT_FALSE(IsWindowVisible(panel()));
    host.invokeCommand(AUTO_FIT_COMMAND);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);

    host.clearRecords();
    host.invokeCommand(AUTO_FIT_COMMAND);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_TRUE(host.menuChecks.empty());
    EXPECT_TRUE(host.dockRequests.empty());
    EXPECT_EQ(host.dockRegistrationCount, 1);
}

// The extended dialog template as stored in the library, read field by field.
class TemplateReader {
public:
    TemplateReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    template <typename T>
    T take() {
        T value{};
        if (offset_ + sizeof(T) <= size_) std::memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }
    std::wstring takeString() {
        std::wstring text;
        for (wchar_t c = take<wchar_t>(); c != 0 && offset_ <= size_; c = take<wchar_t>()) text += c;
        return text;
    }
    bool overran() const { return offset_ > size_; }

private:
    const unsigned char* data_;
    size_t size_;
    size_t offset_ = 0;
};

TEST_F(PanelDockingTest, DialogTemplateInTheResources) {
    loadPlugin();
    HMODULE module = host.plugin().module();
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_PANEL), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(resource, nullptr) << "no US English dialog 2600";
    HGLOBAL loaded = LoadResource(module, resource);
    ASSERT_NE(loaded, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    TemplateReader reader(bytes, SizeofResource(module, resource));

    EXPECT_EQ(reader.take<uint16_t>(), 1);       // dlgVer
    EXPECT_EQ(reader.take<uint16_t>(), 0xFFFF);  // signature
    EXPECT_EQ(reader.take<uint32_t>(), 0u);      // helpID
    EXPECT_EQ(reader.take<uint32_t>(), 0x80u);   // exStyle
    EXPECT_EQ(reader.take<uint32_t>(), 0x82C80048u);
    EXPECT_EQ(reader.take<uint16_t>(), 0);       // cDlgItems
    EXPECT_EQ(reader.take<int16_t>(), 0);
    EXPECT_EQ(reader.take<int16_t>(), 0);
    EXPECT_EQ(reader.take<int16_t>(), 420);
    EXPECT_EQ(reader.take<int16_t>(), 200);
    EXPECT_EQ(reader.take<uint16_t>(), 0);       // no menu
    EXPECT_EQ(reader.take<uint16_t>(), 0);       // the default dialog class
    EXPECT_EQ(reader.takeString(), PANEL_CAPTION);
    EXPECT_EQ(reader.take<uint16_t>(), 8);       // points
    EXPECT_EQ(reader.take<uint16_t>(), 0);       // weight
    EXPECT_EQ(reader.take<uint8_t>(), 0);        // italic
    EXPECT_EQ(reader.take<uint8_t>(), 0);        // character set
    EXPECT_EQ(reader.takeString(), L"MS Shell Dlg");
    EXPECT_FALSE(reader.overran());
}

}  // namespace
