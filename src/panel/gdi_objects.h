// The one place where the plug-in's GDI objects (brushes, pens, fonts) are counted and deleted.
//
// Every object the plug-in makes is handed to countGdiObject as it is made and released with
// deleteGdiObject. The counts let a test see that nothing is left behind even where the system
// reports no GDI handle counts of its own.
#pragma once

#include <windows.h>

#include <cstdint>

// Counts a newly made object (a null handle, a failed creation, is not counted) and returns it.
HGDIOBJ countGdiObject(HGDIOBJ made);

template <typename Handle>
Handle countedGdiObject(Handle made) {
    return static_cast<Handle>(countGdiObject(made));
}

// Deletes an object made through countGdiObject; the live count drops when the system deleted
// it. A null handle is ignored. Stock objects must never come here.
void deleteGdiObject(HGDIOBJ object);

// Objects made and not yet deleted.
int64_t liveGdiObjects();

// Objects made since the library was loaded.
uint64_t madeGdiObjects();
