// The display operations that are the same in every paced program: the window or surface
// is the host's or the compositor's to size, the picture's one mode is 320 x 200 x 8, and
// the run presents on its own clock rather than when a frame has been drawn.
#include "platform/present/memory_picture.h"
#include "ports/display_port.h"

// There is nothing to take over: a host's window, or a compositor's surfaces.
int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    return DisplayOk;
}

int32_t SetDisplayModeTo(PlatformDevice*, int32_t width, int32_t height, int32_t bits, uint32_t) {
    return SetPictureMode(width, height, bits);
}

void RestoreDisplayModeOf(PlatformDevice*) {}

void PictureDrawn() {}
