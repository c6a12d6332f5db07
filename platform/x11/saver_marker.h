// The single-instance marker on Linux: a lock on a file named after the display, in a
// folder only this user can write.
#pragma once

// Whether another process holds the marker. Only for runs that never take it: closing
// the file would drop this process's own lock.
bool IsMarkerHeld();

// Takes the marker in the same step that checks it, for the rest of the process's life;
// false when another process holds it. Where no private folder can be had, the saver runs
// without a marker rather than not at all.
bool TakeMarker();
