// The docking manager of the stand-in host: the registered panel becomes a child of the
// container along the bottom edge, is shown and hidden on request, and hears DMN_CLOSE and
// DMN_SWITCHIN as a user's actions on the dock would send them.
#include "dev_host.h"

namespace devhost {

namespace {

std::optional<std::wstring> copyText(const wchar_t* text) {
    if (!text) return std::nullopt;
    return std::wstring(text);
}

}  // namespace

LRESULT CALLBACK DevHost::dockProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        auto* host = reinterpret_cast<DevHost*>(GetWindowLongPtrW(GetParent(window), GWLP_USERDATA));
        if (host && host->dock_ == window) host->fitPanelToDock();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Keeps the record's address, as the host does, and a copy of every field as it was handed
// over.
void DevHost::registerDock(const tTbData* record) {
    ++dockRegistrationCount;
    if (!record) return;
    DockRegistration registration;
    registration.record = record;
    registration.hClient = record->hClient;
    registration.name = copyText(record->pszName);
    registration.dlgID = record->dlgID;
    registration.uMask = record->uMask;
    registration.hIconTab = record->hIconTab;
    registration.addInfo = copyText(record->pszAddInfo);
    registration.rcFloat = record->rcFloat;
    registration.iPrevCont = record->iPrevCont;
    registration.moduleName = copyText(record->pszModuleName);
    dockRegistration = registration;

    // As the host does: the window's style becomes WS_CHILD alone and its extended style 0
    // (WS_VISIBLE goes with the rest), it becomes the container's child and selected tab, and
    // the container is shown with it. A registered panel is visible at once.
    HWND panel = record->hClient;
    if (!panel || !IsWindow(panel) || !dock_) return;
    SetWindowLongPtrW(panel, GWL_STYLE, WS_CHILD);
    SetWindowLongPtrW(panel, GWL_EXSTYLE, 0);
    SetParent(panel, dock_);
    SetWindowPos(panel, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    showDock(panel, true);
}

void DevHost::showDock(HWND panel, bool show) {
    if (!panel || !IsWindow(panel)) return;
    if (show) {
        ShowWindow(dock_, SW_SHOW);
        fitPanelToDock();
        ShowWindow(panel, SW_SHOW);
        UpdateWindow(dock_);
    } else {
        ShowWindow(panel, SW_HIDE);
        ShowWindow(dock_, SW_HIDE);
    }
}

void DevHost::fitPanelToDock() {
    HWND panel = dockedPanel();
    if (!dock_ || !panel || !IsWindow(panel) || GetParent(panel) != dock_) return;
    RECT client;
    GetClientRect(dock_, &client);
    MoveWindow(panel, 0, 0, client.right, client.bottom, TRUE);
}

void DevHost::setDockSize(int width, int height) {
    dockSize_ = SIZE{width, height};
    layout();
    pumpUntilIdle();
}

LRESULT DevHost::sendDockNotification(UINT event, UINT highBits) {
    HWND panel = dockedPanel();
    if (!panel || !IsWindow(panel)) return 0;
    NMHDR header{};
    header.hwndFrom = window_;
    header.idFrom = 0;
    header.code = (event & 0xFFFF) | (highBits << 16);
    const LRESULT result = SendMessageW(panel, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    pumpUntilIdle();
    return result;
}

void DevHost::closeDockByUser(UINT highBits) {
    HWND panel = dockedPanel();
    if (!panel || !IsWindow(panel)) return;
    ShowWindow(panel, SW_HIDE);
    ShowWindow(dock_, SW_HIDE);
    sendDockNotification(DMN_CLOSE, highBits);
}

}  // namespace devhost
