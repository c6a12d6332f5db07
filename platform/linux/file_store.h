// What the Linux file store offers beyond the store operations every backend supplies.
#pragma once

// From this call on the store only reads: a missing key is neither created nor written,
// and no value change reaches the file. For programs that show the stored choices but
// must never change the user's settings (the render tool, the hack).
void MakeStoreReadOnly();
