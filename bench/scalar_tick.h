// A plain scalar restatement of one tick (stagnation test, snapshot, wrap border, role
// exchange, wipe, count, and the effect's frame cell by cell as the rules read), over the
// core's own grids and display, for a fixed effect and palette: what the fused paths' speed
// is measured against.
#pragma once
#include <cstdint>

// Clears the restatement's own history ring (byte snapshots of whole grids).
void ResetScalarHistory();
void ScalarIdleTick();
