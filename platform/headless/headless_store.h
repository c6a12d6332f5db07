// The headless settings store: one key in memory, with every call able to fail.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct HeadlessStoredValue {
    uint32_t Type;
    std::vector<uint8_t> Data;
};

struct HeadlessStoreState {
    bool KeyExists = false;
    std::map<std::string, HeadlessStoredValue> Values;
    int32_t OpenFailures = 0; // opens still to fail (< 0: all); a missing key fails too
    int32_t CreateResult = 0; // returned by create
    // What happened.
    int32_t OpenCalls = 0, CreateCalls = 0, FlushCalls = 0, CloseCalls = 0;
    std::vector<std::string> Writes; // value names in the order they were set
    bool UnflushedWrites = false;
};

extern HeadlessStoreState HeadlessStore;

void ResetHeadlessStore();
void StoreHeadlessByte(const std::string& name, uint8_t value);
