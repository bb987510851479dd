// Shut-down as the host performs it: NPPN_SHUTDOWN unregisters and destroys the panel, and
// the library then unloads cleanly.
#include "test_support.h"

using namespace tabulon_test;

namespace {

class ShutdownTest : public PluginTest {};

TEST_F(ShutdownTest, PanelIsUnregisteredThenDestroyedAndTheLibraryUnloads) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    HWND panelWindow = panel();
    ASSERT_TRUE(IsWindow(panelWindow));
    HWND list = child(panelWindow, IDC_GRID_LIST);
    HWND combo = child(panelWindow, IDC_DELIMITER);
    ASSERT_TRUE(IsWindow(list));
    host.clearRecords();

    host.plugin().shutdown(host.window());
    host.pumpUntilIdle();
    ASSERT_EQ(host.modelessEvents.size(), 1u);
    EXPECT_EQ(host.modelessEvents[0].operation, MODELESSDIALOGREMOVE);
    EXPECT_EQ(host.modelessEvents[0].dialog, panelWindow);
    EXPECT_TRUE(host.modelessEvents[0].dialogWasWindow);  // removed before it was destroyed
    EXPECT_FALSE(IsWindow(panelWindow));
    EXPECT_FALSE(IsWindow(list));
    EXPECT_FALSE(IsWindow(combo));
    EXPECT_TRUE(host.modelessDialogs().empty());
    EXPECT_TRUE(hooks.boxes.empty());

    EXPECT_TRUE(host.plugin().unload());
    host.pumpFor(100);  // nothing of the library may still be called
    EXPECT_TRUE(IsWindow(host.window()));
}

TEST_F(ShutdownTest, ShutdownOfAHiddenPanelAndWithoutOne) {
    loadPlugin();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));  // hidden again
    HWND panelWindow = panel();
    host.plugin().shutdown(host.window());
    EXPECT_FALSE(IsWindow(panelWindow));
    EXPECT_TRUE(host.plugin().unload());

    // A second run of the library in the same process, which never opens its panel.
    devhost::DevHost other;
    ASSERT_TRUE(other.create());
    ASSERT_TRUE(other.loadPlugin(pluginPath()));
    other.plugin().shutdown(other.window());
    EXPECT_TRUE(other.modelessEvents.empty());
    EXPECT_TRUE(other.plugin().unload());
}

TEST_F(ShutdownTest, LibraryCanBeLoadedAgainAfterUnloading) {
    for (int round = 0; round < 2; ++round) {
        loadPlugin();
        ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
        EXPECT_TRUE(IsWindowVisible(panel())) << "round " << round;
        EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);
        EXPECT_TRUE(host.shutdownPlugin());
        host.clearRecords();
    }
}

class PanelCreationFailureTest : public PluginTest {
protected:
    void refusePanel() {
        hooks.refuseCreation = [](const std::wstring& className, const std::wstring& name) {
            return className == L"#32770" && name == PANEL_CAPTION;
        };
    }
};

TEST_F(PanelCreationFailureTest, ErrorShownOnceAndMenuLeftUnchecked) {
    loadPlugin();
    refusePanel();
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    EXPECT_EQ(hooks.refusedCount, 1);  // no second attempt in the same command
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].text, L"Tabulon: could not create the panel dialog.");
    EXPECT_EQ(hooks.boxes[0].title, L"Tabulon");
    EXPECT_EQ(hooks.boxes[0].icon, devhost::MessageBoxIcon::Error);
    EXPECT_EQ(hooks.boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(hooks.boxes[0].owner, host.window());
    EXPECT_NE(host.menuChecked(PANEL_COMMAND_ID), true);
    EXPECT_TRUE(host.modelessEvents.empty());
    EXPECT_EQ(host.dockRegistrationCount, 0);
    EXPECT_TRUE(host.dockRequests.empty());

    // The Auto-fit command opens a missing panel, so it fails the same way.
    ASSERT_TRUE(host.invokeCommand(AUTO_FIT_COMMAND));
    EXPECT_EQ(hooks.refusedCount, 2);
    EXPECT_EQ(hooks.boxes.size(), 2u);
    EXPECT_NE(host.menuChecked(PANEL_COMMAND_ID), true);

    // Once the system can create it again, the next command does.
    hooks.refuseCreation = nullptr;
    ASSERT_TRUE(host.invokeCommand(PANEL_COMMAND));
    ASSERT_NE(panel(), nullptr);
    EXPECT_TRUE(IsWindowVisible(panel()));
    EXPECT_EQ(host.menuChecked(PANEL_COMMAND_ID), true);
    EXPECT_EQ(hooks.boxes.size(), 2u);
}

}  // namespace
