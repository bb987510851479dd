// The host's notifications and the panel's reactions to them.
#include "plugin/notification_dispatch.h"

#include "panel/grid_panel.h"
#include "plugin/plugin_commands.h"

namespace {

// True for a text change in one of the host's two document views. Notifications from any
// other editing window (search results, other plug-ins' editors) and changes of styles,
// markers or folding are of no interest to the grid.
bool isDocumentTextChange(const GridPanel& panel, const SCNotification& notification) {
    const HWND sender = notification.nmhdr.hwndFrom;
    const bool fromView = sender != nullptr &&
                          (sender == panel.scintillaMain || sender == panel.scintillaSecond);
    return fromView && (notification.modificationType & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT)) != 0;
}

bool panelIsVisible(const GridPanel& panel) {
    return panel.panelWindow != nullptr && IsWindowVisible(panel.panelWindow);
}

}  // namespace

void dispatchNotification(const SCNotification* notification) {
    if (notification == nullptr) {
        return;
    }
    GridPanel& panel = gridPanel();
    switch (notification->nmhdr.code) {
    case NPPN_READY:
        panel.onReady();
        break;
    case NPPN_TBMODIFICATION:
        panel.addToolbarButton(pluginCommands[PANEL_COMMAND_INDEX]._cmdID);
        break;
    case NPPN_FILESAVED:
        panel.onFileSaved();
        break;
    case NPPN_SHUTDOWN:
        panel.onShutdown();
        break;
    case NPPN_BUFFERACTIVATED:
    case NPPN_LANGCHANGED:
        panel.onBufferActivated();
        break;
    case NPPN_DARKMODECHANGED:
        panel.onDarkModeChanged();
        break;
    case NPPN_GLOBALMODIFIED:
        // A change made without SCN_MODIFIED, somewhere in the named document: when that is the
        // one shown, the grid reads it all again.
        if (reinterpret_cast<LRESULT>(notification->nmhdr.hwndFrom) ==
            SendMessageW(panel.hostWindow, NPPM_GETCURRENTBUFFERID, 0, 0)) {
            panel.onDocumentModified();
        }
        break;
    case SCN_MODIFIED:
        if (isDocumentTextChange(panel, *notification)) {
            panel.onDocumentModified(notification->nmhdr.hwndFrom, notification->modificationType,
                                     notification->position, notification->length);
        }
        break;
    default:
        break;
    }
}

void GridPanel::attachHost(HMODULE libraryModule, HWND host, HWND mainView, HWND secondView,
                           void (*closedCallback)()) {
    module = libraryModule;
    hostWindow = host;
    scintillaMain = mainView;
    scintillaSecond = secondView;
    panelClosedCallback = closedCallback;
}

void GridPanel::onFileSaved() {
    if (panelIsVisible(*this)) {
        refreshGrid(true);
    }
}

void GridPanel::onBufferActivated() {
    // Another document (or the same one in another language) is current: the view of the one
    // shown is kept, and the new one is shown as it was left, else from its top. The edits
    // followed so far were made to the document that is no longer shown.
    rememberShownView();
    stopFollowing(outsideChanges);
    cancelDocumentScan();
    undoneAt.reset();
    takeViewOfCurrentDocument();
    if (panelIsVisible(*this)) {
        currentRow = 0;
        currentColumn = 1;
        refreshGrid(false);
    }
}

void GridPanel::onShutdown() {
    if (!settingsPath.empty()) {
        writeSettings();
    }
    writeViews();
    closeCellEditor();
    if (panelWindow != nullptr) {
        SendMessageW(hostWindow, NPPM_MODELESSDIALOG, MODELESSDIALOGREMOVE,
                     reinterpret_cast<LPARAM>(panelWindow));
        DestroyWindow(panelWindow);  // its WM_DESTROY releases the brushes
        cellEditor = nullptr;
        panelWindow = nullptr;
        gridList = nullptr;
        gridHeader = nullptr;
    }
    releaseBrushes();
    releaseFont();
    // The host may draw the tab and the toolbar until the panel is gone, so the images go last.
    releaseImages();
}
