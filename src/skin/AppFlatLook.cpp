#include "AppFlatLook.h"

namespace {

// User-interface thread only, like every window. Off until a flat skin is followed: the classic
// rules are the default.
bool flatLook = false;

} // namespace

bool appFlatLook() {
    return flatLook;
}

void setAppFlatLook(bool flat) {
    flatLook = flat;
}
