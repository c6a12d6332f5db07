// Single-instance markers: a record lock on a file named after the display and a role, in
// a folder only this user can write. On Wayland the display is the compositor, named by its
// socket's canonical path, and the file lies beside that socket, so that every spelling of
// the compositor meets the same marker. A holder's lock goes with its process however it
// ends: no marker is ever left stale.
#pragma once

// What TakeLockMarker gives instead of a held marker's descriptor.
inline constexpr int LockMarkerBusy = -1;      // another process holds it (or this one does)
inline constexpr int LockMarkerUnguarded = -2; // none can be had here: run unguarded

// The saver's role: whatever covers a display (/s, glimmerhex-wayland) takes it, so that
// one saver at a time covers it. Its file keeps the plain name, glimmerhex-DISPLAY.lock;
// another role's is glimmerhex-DISPLAY.ROLE.lock.
inline constexpr char SaverMarker[] = "";

// Takes the role's marker in the same step that checks it: the descriptor that holds it
// until ReleaseLockMarker, or one of the results above. Never waits, and a marker path that
// is not a regular file of this user's (a link, a FIFO, a folder) makes it unguarded.
int TakeLockMarker(const char* role);
void ReleaseLockMarker(int marker);

// Whether another process holds the role's marker, without waiting. False for a marker
// this process holds itself, which it leaves held.
bool IsLockMarkerHeld(const char* role);
