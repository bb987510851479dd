// The host's own commands and its shortcut table: save, undo, redo and the next document, and
// the keys of the plug-in's commands. The table is consulted by the message loop only for the
// messages that no registered dialog took, as in the real host.
#include "dev_host.h"

#include <algorithm>

namespace devhost {

namespace {

ACCEL accelerator(BYTE modifiers, WORD key, int command) {
    ACCEL entry{};
    entry.fVirt = static_cast<BYTE>(FVIRTKEY | modifiers);
    entry.key = key;
    entry.cmd = static_cast<WORD>(command);
    return entry;
}

}  // namespace

std::optional<ShortcutKey> DevHost::pluginShortcut(int index) const {
    if (auto remapped = remappedPluginShortcuts.find(index); remapped != remappedPluginShortcuts.end())
        return remapped->second;
    const FuncItem* items = plugin_.items();
    if (!items || index < 0 || index >= plugin_.itemCount() || !items[index]._pShKey) return std::nullopt;
    return *items[index]._pShKey;
}

void DevHost::buildShortcutTable() {
    if (shortcuts_) DestroyAcceleratorTable(shortcuts_);
    shortcuts_ = nullptr;
    std::vector<ACCEL> table = {
        accelerator(FCONTROL, 'S', IDM_FILE_SAVE),
        accelerator(FCONTROL, 'Z', IDM_EDIT_UNDO),
        accelerator(FCONTROL, 'Y', IDM_EDIT_REDO),
        accelerator(FCONTROL, VK_TAB, IDM_NEXT_DOCUMENT),
    };
    for (int i = 0; i < plugin_.itemCount(); ++i) {
        const std::optional<ShortcutKey> key = pluginShortcut(i);
        if (!key || key->_key == 0) continue;
        const BYTE modifiers = static_cast<BYTE>((key->_isCtrl ? FCONTROL : 0) | (key->_isAlt ? FALT : 0) |
                                                 (key->_isShift ? FSHIFT : 0));
        table.push_back(accelerator(modifiers, key->_key, plugin_.commandId(i)));
    }
    shortcuts_ = CreateAcceleratorTableW(table.data(), static_cast<int>(table.size()));
}

bool DevHost::runHostCommand(int commandId) {
    const int firstPlugin = PluginLoader::FIRST_COMMAND_ID;
    if (commandId >= firstPlugin && commandId < firstPlugin + plugin_.itemCount()) {
        hostCommands.push_back(commandId);
        return plugin_.invokeCommand(commandId - firstPlugin);
    }
    EditorView* current = currentView == 0 || currentView == 1 ? &view(currentView) : nullptr;
    switch (commandId) {
    case IDM_FILE_SAVE:
        hostCommands.push_back(commandId);
        plugin_.notify(NPPN_FILESAVED, window_);
        return true;
    case IDM_EDIT_UNDO:
        hostCommands.push_back(commandId);
        if (current) current->undo();
        return true;
    case IDM_EDIT_REDO:
        hostCommands.push_back(commandId);
        if (current) current->redo();
        return true;
    case IDM_NEXT_DOCUMENT:
        hostCommands.push_back(commandId);
        if (current && nextDocument) {
            nextDocument = current->swapDocument(std::move(nextDocument));
            plugin_.notify(NPPN_BUFFERACTIVATED, window_);
        }
        return true;
    default:
        return false;
    }
}

LRESULT DevHost::handleCommand(WPARAM wParam) {
    runHostCommand(LOWORD(wParam));
    return 0;
}

int DevHost::hostCommandCount(int commandId) const {
    return static_cast<int>(std::count(hostCommands.begin(), hostCommands.end(), commandId));
}

}  // namespace devhost
