// The settings store every backend supplies, shaped like the registry calls the settings
// logic is written against. Results are the platform's own codes; 0 is success.
#pragma once
#include <cstdint>

struct PlatformKey;

inline constexpr int32_t StoreOk = 0;
inline constexpr int32_t StoreNotFound = 2;     // ERROR_FILE_NOT_FOUND
inline constexpr int32_t StoreAccessDenied = 5; // ERROR_ACCESS_DENIED: exists, cannot be used
inline constexpr int32_t StoreWriteFault = 29;  // ERROR_WRITE_FAULT
inline constexpr int32_t StoreMoreData = 234;   // ERROR_MORE_DATA
inline constexpr uint32_t BinaryValue = 3;      // REG_BINARY

// A key below the current user's root, such as "Software\Vendor\Product".
int32_t OpenStoreKey(const char* path, PlatformKey** key);   // full access
int32_t CreateStoreKey(const char* path, PlatformKey** key); // creates missing parents
// Copies the value's data, whatever its type, if it fits in *size bytes; *size becomes
// the data's length. Data that does not fit gives StoreMoreData.
int32_t QueryStoreValue(PlatformKey* key, const char* name, uint8_t* data, uint32_t* size);
int32_t SetStoreValue(PlatformKey* key, const char* name, uint32_t type, const uint8_t* data,
                      uint32_t size);
int32_t FlushStoreKey(PlatformKey* key);
void CloseStoreKey(PlatformKey* key);
