// Routing of the host's notifications to the panel.
#pragma once

#include "plugin/host_interface.h"

// Hands one notification to the GridPanel reaction for its code. A null pointer and every
// code that Tabulon does not react to are ignored.
void dispatchNotification(const SCNotification* notification);
