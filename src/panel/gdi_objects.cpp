#include "panel/gdi_objects.h"

namespace {

// The user-interface thread is the only one that paints or themes, so plain counters do.
int64_t liveObjects = 0;
uint64_t madeObjects = 0;

}  // namespace

HGDIOBJ countGdiObject(HGDIOBJ made) {
    if (made != nullptr) {
        ++liveObjects;
        ++madeObjects;
    }
    return made;
}

void deleteGdiObject(HGDIOBJ object) {
    if (object != nullptr && DeleteObject(object)) {
        --liveObjects;
    }
}

int64_t liveGdiObjects() {
    return liveObjects;
}

uint64_t madeGdiObjects() {
    return madeObjects;
}
