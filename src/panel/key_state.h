// Whether a key is held down while the message being handled was sent.
#pragma once

#include <windows.h>

// A key counts as held when the high bit of GetKeyState's answer is set.
inline bool isHeld(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}
