#include "platform/headless/headless_store.h"

#include <algorithm>

#include "ports/store_port.h"

struct PlatformKey {};

HeadlessStoreState HeadlessStore;

namespace {
PlatformKey TheKey;
}

void ResetHeadlessStore() {
    HeadlessStore = HeadlessStoreState{};
}

void StoreHeadlessByte(const std::string& name, uint8_t value) {
    HeadlessStore.KeyExists = true;
    HeadlessStore.Values[name] = {3, {value}};
}

int32_t OpenStoreKey(const char*, PlatformKey** key) {
    ++HeadlessStore.OpenCalls;
    if (HeadlessStore.OpenFailures != 0) {
        if (HeadlessStore.OpenFailures > 0) --HeadlessStore.OpenFailures;
        return StoreAccessDenied;
    }
    if (!HeadlessStore.KeyExists) return StoreNotFound;
    *key = &TheKey;
    return StoreOk;
}

int32_t CreateStoreKey(const char*, PlatformKey** key) {
    ++HeadlessStore.CreateCalls;
    if (HeadlessStore.CreateResult != StoreOk) return HeadlessStore.CreateResult;
    HeadlessStore.KeyExists = true;
    *key = &TheKey;
    return StoreOk;
}

int32_t QueryStoreValue(PlatformKey*, const char* name, uint8_t* data, uint32_t* size) {
    const auto found = HeadlessStore.Values.find(name);
    if (found == HeadlessStore.Values.end()) return StoreNotFound;
    const std::vector<uint8_t>& bytes = found->second.Data;
    const auto length = static_cast<uint32_t>(bytes.size());
    if (length > *size) {
        *size = length;
        return StoreMoreData;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    *size = length;
    return StoreOk;
}

int32_t SetStoreValue(PlatformKey*, const char* name, uint32_t type, const uint8_t* data,
                      uint32_t size) {
    HeadlessStore.Values[name] = {type, {data, data + size}};
    HeadlessStore.Writes.emplace_back(name);
    HeadlessStore.UnflushedWrites = true;
    return StoreOk;
}

int32_t FlushStoreKey(PlatformKey*) {
    ++HeadlessStore.FlushCalls;
    HeadlessStore.UnflushedWrites = false;
    return StoreOk;
}

void CloseStoreKey(PlatformKey*) {
    ++HeadlessStore.CloseCalls;
}
