// The single-instance marker on Linux: a selection that the X display itself arbitrates,
// whoever runs the saver and whatever the display is called; beside it the shared lock
// file (posix/lock_marker.h), which alone guards a saver without an X display.
#pragma once

// Whether another process holds the marker. Only for runs that never take it.
bool IsMarkerHeld();

// Takes the marker in the same step that checks it, for the rest of the process's life;
// false when another process holds it.
bool TakeMarker();
