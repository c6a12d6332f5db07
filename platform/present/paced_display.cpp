// The display operations that are the same in every paced program: the window or surface
// is the host's or the compositor's to size, and the run presents on its own clock rather
// than when a frame has been drawn.
#include "platform/present/memory_picture.h"
#include "ports/display_port.h"

// There is nothing to take over: a host's window, or a compositor's surfaces.
int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    return DisplayOk;
}

void PictureDrawn() {}
