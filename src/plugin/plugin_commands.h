// The plug-in's command menu, as the host shows it in its plug-in menu, and the commands
// behind it.
#pragma once

#include "plugin/host_interface.h"

inline constexpr int PLUGIN_COMMAND_COUNT = 4;

// Index of "&Tabulon panel", the item whose check mark shows whether the panel is open. The
// docking registration names it as the command that opens the panel.
inline constexpr int PANEL_COMMAND_INDEX = 0;

// The menu table handed to the host by getFuncsArray. The host fills in each _cmdID.
extern FuncItem pluginCommands[PLUGIN_COMMAND_COUNT];

// Fills the menu table and its shortcut; called once when the library is attached.
void fillPluginCommands();

// Menu commands.
void togglePanel();
void autoFitCommand();
void showAbout();

// Told by the panel when the user closes it through the docking manager.
void onPanelClosed();
