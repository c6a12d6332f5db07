// Lane masks as byte vectors (each lane 0x00 or 0xFF), for the instruction sets without
// mask registers: the kernel's mask routines over the wrapper's own byte routines. Included
// at the end of such a wrapper (vectors_sse2.h, vectors_avx2.h).
#pragma once
#include <bit>
#include <cstdint>

namespace {
using Mask = Bytes;
using LaneSet = uint32_t; // bit k = lane k

// No byte-masked store but the slow non-temporal one, so the kernel writes stretches of
// marked lanes itself rather than this, a byte at a time.
constexpr bool HasMaskedStores = false;
inline void StoreBytesWhere(Mask mask, uint8_t* at, Bytes v) {
    uint8_t lanes[sizeof(Bytes)];
    StoreBytes(lanes, v);
    for (LaneSet marked = LaneBits(mask); marked != 0; marked &= marked - 1)
        at[std::countr_zero(marked)] = lanes[std::countr_zero(marked)];
}

inline Mask OrMasks(Mask a, Mask b) {
    return Or(a, b);
}
inline Mask NotMask(Mask mask) {
    return AndNot(mask, SplatBytes(0xFF));
}
inline Mask EveryLane() {
    return SplatBytes(0xFF);
}
inline Bytes KeepWhere(Mask mask, Bytes v) { // mask ? v : 0
    return And(mask, v);
}
inline Bytes FillWhere(Mask mask, Bytes v) { // mask ? 0xFF : v
    return Or(v, mask);
}
inline Bytes MaskBytes(Mask mask) { // 0xFF where marked, else 0
    return mask;
}
inline Mask MaskOf(Bytes v) { // the lanes whose top bit is set (v holds 0x00 or 0xFF)
    return v;
}
// Byte 2k = even word k >> Shift, byte 2k + 1 = odd word k >> Shift (both below 256 then).
template <int Shift> inline Bytes JoinBytesShiftedRight(Words even, Words odd) {
    return JoinBytes(ShiftWordsRight<Shift>(even), ShiftWordsRight<Shift>(odd));
}
} // namespace
