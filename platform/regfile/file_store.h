// What the Linux file store offers beyond the store operations every backend supplies.
#pragma once
#include <string>

// From this call on the store only reads: a missing key is neither created nor written,
// and no value change reaches the file. For programs that show the stored choices but
// must never change the user's settings (the render tool, the hack).
void MakeStoreReadOnly();

// The file that holds a key ("Software\Vendor\Product"), as the store names it.
std::string StoreFilePath(const char* keyPath);

// What the store last failed to read or write, for front ends that can tell the user:
// the settings file and the reason, both empty when nothing failed since the last
// ForgetStoreFailure. A missing file is no failure, nor a write the read-only mode skips.
struct StoreFailure {
    std::string File;
    std::string Reason;
};
const StoreFailure& LastStoreFailure();
void ForgetStoreFailure();
