// 32-byte vectors with AVX2. Included by one file only (fused_pass_avx2.cpp, the one file
// built for AVX2), ahead of fused_pass_kernels.h.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace {
constexpr int32_t LaneCount = 32;
using Bytes = __m256i;    // 32 lanes of uint8_t
using Words = __m256i;    // 16 lanes of uint16_t
using Mask = __m256i;     // lanes 0x00 or 0xFF: no mask registers here
using LaneSet = uint32_t; // one bit a lane

inline Bytes LoadBytes(const uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
inline void StoreBytes(uint8_t* at, Bytes v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
}
inline Bytes SplatBytes(uint8_t value) {
    return _mm256_set1_epi8(static_cast<char>(value));
}
inline Bytes AddBytes(Bytes a, Bytes b) {
    return _mm256_add_epi8(a, b);
}
inline Bytes SubtractBytes(Bytes a, Bytes b) {
    return _mm256_sub_epi8(a, b);
}
inline Bytes SubtractBytesSaturated(Bytes a, Bytes b) {
    return _mm256_subs_epu8(a, b);
}
inline Mask EqualBytes(Bytes a, Bytes b) {
    return _mm256_cmpeq_epi8(a, b);
}
inline Bytes Or(Bytes a, Bytes b) {
    return _mm256_or_si256(a, b);
}
inline Bytes Select(Mask mask, Bytes a, Bytes b) { // mask ? a : b
    return _mm256_blendv_epi8(b, a, mask);
}
inline LaneSet LaneBits(Mask mask) { // bit k = lane k
    return static_cast<uint32_t>(_mm256_movemask_epi8(mask));
}
inline Mask OrMasks(Mask a, Mask b) {
    return _mm256_or_si256(a, b);
}
inline Mask NotMask(Mask mask) {
    return _mm256_andnot_si256(mask, _mm256_set1_epi8(-1));
}
inline Mask EveryLane() {
    return _mm256_set1_epi8(-1);
}
inline Bytes KeepWhere(Mask mask, Bytes v) { // mask ? v : 0
    return _mm256_and_si256(mask, v);
}
inline Bytes FillWhere(Mask mask, Bytes v) { // mask ? 0xFF : v
    return _mm256_or_si256(v, mask);
}
inline Bytes MaskBytes(Mask mask) { // 0xFF where marked, else 0
    return mask;
}
inline Mask MaskOf(Bytes v) { // the lanes whose top bit is set (v holds 0x00 or 0xFF)
    return v;
}

inline Words EvenBytes(Bytes v) { // word k = byte 2k
    return _mm256_and_si256(v, _mm256_set1_epi16(0x00FF));
}
inline Words OddBytes(Bytes v) { // word k = byte 2k + 1
    return _mm256_srli_epi16(v, 8);
}
inline Words AddWords(Words a, Words b) {
    return _mm256_add_epi16(a, b);
}
// Byte 2k = even word k >> Shift, byte 2k + 1 = odd word k >> Shift (both below 256 then).
template <int Shift> inline Bytes JoinBytesShiftedRight(Words even, Words odd) {
    return _mm256_or_si256(_mm256_srli_epi16(even, Shift),
                           _mm256_slli_epi16(_mm256_srli_epi16(odd, Shift), 8));
}

// Lanes 0..15 onto the even bytes of `low`, lanes 16..31 onto those of `high`; odd bytes
// 0. The unpacks work within 128-bit halves, so the quarters are put in order first.
inline void SpreadOverEvenBytes(Bytes v, Bytes& low, Bytes& high) {
    const __m256i ordered = _mm256_permute4x64_epi64(v, 0xD8); // quarters 0, 2, 1, 3
    low = _mm256_unpacklo_epi8(ordered, _mm256_setzero_si256());
    high = _mm256_unpackhi_epi8(ordered, _mm256_setzero_si256());
}
} // namespace
