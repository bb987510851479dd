// Windows of the host described for the report, and the docking container's parts.
#pragma once

#include <windows.h>

#include <string>

namespace driver {

// Every descendant of `root`: class, control id, text, visibility and rectangle, one per
// " | "-separated entry, indented by depth.
std::string windowTree(HWND root);
// The caption strip of the docking container that holds `panel`, or null.
HWND dockingCaption(HWND panel);

}  // namespace driver
