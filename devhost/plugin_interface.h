// The host interface records and numbers, as the plug-in declares them, shared so that the
// stand-in host and the plug-in cannot disagree on a layout.
#pragma once

#include "plugin/host_interface.h"

using NppDarkModeColors = NppDarkMode::Colors;
