// The brushes, pens and fonts the panel makes are all given back: after a thousand rounds of
// refreshes, paints, cell edits and theme switches as many are alive as before, and none after
// shut-down. The system's own GDI handle count reads 0 under Wine, so the count kept by the
// panel's one GDI helper is what is checked; the panel is built into this program to read it.
#include "panel/gdi_objects.h"
#include "panel/grid_panel.h"
#include "test_support.h"

#include <string>

namespace {

class GdiObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.installed());
        ASSERT_TRUE(host.create());
    }
    void TearDown() override { host.destroy(); }

    devhost::WindowHooks hooks;
    devhost::DevHost host;
    GridPanel panel;
};

TEST_F(GdiObjectsTest, EveryObjectMadeIsDeletedAgain) {
    std::string document = "name,value\r\n";
    for (int i = 0; i < 60; ++i) document += "row" + std::to_string(i) + "," + std::to_string(i) + "\r\n";
    host.mainView().document().load(document);

    const int64_t before = liveGdiObjects();
    panel.attachHost(GetModuleHandleW(nullptr), host.window(), host.mainView().window(),
                     host.secondView().window(), nullptr);
    panel.hostReady = true;  // the host has sent NPPN_READY
    panel.showPanel(true);
    host.pumpUntilIdle();
    ASSERT_NE(panel.gridList, nullptr);
    const int64_t settled = liveGdiObjects();
    EXPECT_EQ(settled - before, 3) << "the panel's two brushes and its font";
    const uint64_t madeBefore = madeGdiObjects();

    for (int round = 0; round < 1000; ++round) {
        if (round % 100 == 50) {
            host.darkMode = !host.darkMode;
            panel.applyTheme();
        }
        panel.refreshGrid(true);
        RedrawWindow(panel.gridList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ASSERT_TRUE(panel.applyCellEdit(round % 60, 1, "v" + std::to_string(round)));
        host.pumpUntilIdle();
    }
    // The rounds did paint through the helper: a pen or brush per row at least.
    EXPECT_GT(madeGdiObjects() - madeBefore, 1000u);
    EXPECT_EQ(liveGdiObjects(), settled);

    panel.onShutdown();
    EXPECT_EQ(liveGdiObjects(), before);
}

}  // namespace
