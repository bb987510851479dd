// Pictures of the host with the panel open, for the demo and the README: the whole main
// window saved as a BMP file at TABULON_SCREENSHOT.
#include "scenario_steps.h"

#include "pixels.h"

#include <commctrl.h>

namespace driver {

namespace {

std::wstring screenshotPath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TABULON_SCREENSHOT", path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path);
}

Scenario screenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        act("select a cell", [] { PostMessageW(panelControl(IDC_GRID_LIST), WM_KEYDOWN, VK_DOWN, 0); }),
        pause(800),
        expect("the host's window is saved as a picture",
               [] {
                   const std::wstring path = screenshotPath();
                   return !path.empty() && devhost::saveBmp(devhost::capturePixels(hostWindows().main, true), path);
               },
               [] { return std::string("TABULON_SCREENSHOT is ") + (screenshotPath().empty() ? "not set" : "not writable"); }),
    };
}

// The same with the sample sorted by a title click (the arrow on Total) and the find bar open
// on a query it found.
Scenario sortFindScreenshotScenario() {
    return {
        openPanel(),
        expect("the grid shows the sample", [] { return listItemCount() > 0; }),
        attempt("click the Total title", [] {
            const HWND header = reinterpret_cast<HWND>(SendMessageW(panelControl(IDC_GRID_LIST), LVM_GETHEADER, 0, 0));
            RECT item{};
            if (header == nullptr || !SendMessageW(header, HDM_GETITEMRECT, 8, reinterpret_cast<LPARAM>(&item))) {
                return false;
            }
            postClick(header, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
            return true;
        }),
        pause(500),
        focusGrid(),
        pressKey("press Ctrl+F", 'F', CTRL),
        typeText("type a query", "gadget"),
        pressKey("press Enter", VK_RETURN),
        pause(800),
        expect("the host's window is saved as a picture",
               [] {
                   const std::wstring path = screenshotPath();
                   return !path.empty() && devhost::saveBmp(devhost::capturePixels(hostWindows().main, true), path);
               },
               [] { return std::string("TABULON_SCREENSHOT is ") + (screenshotPath().empty() ? "not set" : "not writable"); }),
    };
}

// The panel part-way through a large document: no rows yet, the progress in the status line.
Scenario readingScreenshotScenario() {
    return {
        openPanel(),
        require("the status line shows the progress past a fifth",
                [] {
                    const std::wstring status = windowText(panelControl(IDC_STATUS));
                    const std::wstring prefix = L"Reading the document... ";
                    return status.rfind(prefix, 0) == 0 && std::stoi(status.substr(prefix.size())) >= 20;
                },
                [] { return "status: " + utf8(windowText(panelControl(IDC_STATUS))); }, 30000),
        expect("the host's window is saved as a picture",
               [] {
                   const std::wstring path = screenshotPath();
                   return !path.empty() && devhost::saveBmp(devhost::capturePixels(hostWindows().main, true), path);
               },
               [] { return std::string("TABULON_SCREENSHOT is ") + (screenshotPath().empty() ? "not set" : "not writable"); }),
        require("the rows are shown once it is read", [] { return listItemCount() > 0; }, {}, 60000),
    };
}

}  // namespace

void addScreenshotScenarios() {
    registerScenario("screenshot", screenshotScenario);
    registerScenario("screenshot-reading", readingScreenshotScenario);
    registerScenario("screenshot-sort-find", sortFindScreenshotScenario);
}

}  // namespace driver
