// The display operations that are the same in every paced program: the window or surfaces
// are the host's or the compositor's, opened before the run is set up and sized by them, and
// the run presents on its own clock rather than when a frame has been drawn.
#include "platform/present/memory_picture.h"
#include "ports/display_port.h"

struct PlatformDevice {};

namespace {
PlatformDevice TheDevice;
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    *device = &TheDevice;
    return DisplayOk;
}

// There is nothing to take over: a host's window, or a compositor's surfaces.
int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    return DisplayOk;
}

void PictureDrawn() {}

void ReleaseDevice(PlatformDevice*) {}
