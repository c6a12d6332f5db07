// 64-byte vectors with AVX-512 (F, BW, VL): a row of 320 cells is five of them. Lane masks
// live in mask registers, so a comparison, a blend or a masked move is one instruction and
// 32 vector registers hold a strip's sums without spilling. Included by one file only
// (fused_pass_avx512.cpp, the one file built for AVX-512), ahead of fused_pass_kernels.h.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace {
constexpr int32_t LaneCount = 64;
using Bytes = __m512i;    // 64 lanes of uint8_t
using Words = __m512i;    // 32 lanes of uint16_t
using Mask = __mmask64;   // bit k = lane k
using LaneSet = uint64_t; // one bit a lane

inline Bytes LoadBytes(const uint8_t* at) {
    return _mm512_loadu_si512(at);
}
inline void StoreBytes(uint8_t* at, Bytes v) {
    _mm512_storeu_si512(at, v);
}
// Writes the marked lanes alone; the bytes of the others are neither read nor written.
constexpr bool HasMaskedStores = true;
inline void StoreBytesWhere(Mask mask, uint8_t* at, Bytes v) {
    _mm512_mask_storeu_epi8(at, mask, v);
}
inline Bytes SplatBytes(uint8_t value) {
    return _mm512_set1_epi8(static_cast<char>(value));
}
inline Bytes AddBytes(Bytes a, Bytes b) {
    return _mm512_add_epi8(a, b);
}
inline Bytes SubtractBytes(Bytes a, Bytes b) {
    return _mm512_sub_epi8(a, b);
}
inline Bytes SubtractBytesSaturated(Bytes a, Bytes b) {
    return _mm512_subs_epu8(a, b);
}
inline Mask EqualBytes(Bytes a, Bytes b) {
    return _mm512_cmpeq_epi8_mask(a, b);
}
inline Bytes Or(Bytes a, Bytes b) {
    return _mm512_or_si512(a, b);
}
inline Bytes Select(Mask mask, Bytes a, Bytes b) { // mask ? a : b
    return _mm512_mask_blend_epi8(mask, b, a);
}
inline LaneSet LaneBits(Mask mask) {
    return mask;
}
inline Mask OrMasks(Mask a, Mask b) {
    return a | b;
}
inline Mask NotMask(Mask mask) {
    return ~mask;
}
inline Mask EveryLane() {
    return ~Mask{0};
}
inline Bytes KeepWhere(Mask mask, Bytes v) { // mask ? v : 0
    return _mm512_maskz_mov_epi8(mask, v);
}
inline Bytes FillWhere(Mask mask, Bytes v) { // mask ? 0xFF : v
    return _mm512_mask_mov_epi8(v, mask, _mm512_set1_epi8(-1));
}
inline Bytes MaskBytes(Mask mask) { // 0xFF where marked, else 0
    return _mm512_movm_epi8(mask);
}
inline Mask MaskOf(Bytes v) { // the lanes whose top bit is set
    return _mm512_movepi8_mask(v);
}

inline Words EvenBytes(Bytes v) { // word k = byte 2k
    return _mm512_and_si512(v, _mm512_set1_epi16(0x00FF));
}
inline Words OddBytes(Bytes v) { // word k = byte 2k + 1
    return _mm512_srli_epi16(v, 8);
}
inline Words AddWords(Words a, Words b) {
    return _mm512_add_epi16(a, b);
}
// Byte 2k = even word k >> Shift, byte 2k + 1 = odd word k >> Shift (both below 256 then).
// An odd word shifted left by 8 - Shift has its result in its high byte already, since the
// sums stay below 2^(8 + Shift); a masked move takes the odd bytes from it.
template <int Shift> inline Bytes JoinBytesShiftedRight(Words even, Words odd) {
    constexpr Mask OddLanes = 0xAAAAAAAAAAAAAAAAull;
    return _mm512_mask_mov_epi8(_mm512_srli_epi16(even, Shift), OddLanes,
                                _mm512_slli_epi16(odd, 8 - Shift));
}

// Lanes 0..31 onto the even bytes of `low`, lanes 32..63 onto those of `high`; odd bytes
// 0. The unpacks work within 128-bit quarters, so the eighths are put in order first.
inline void SpreadOverEvenBytes(Bytes v, Bytes& low, Bytes& high) {
    // (The zero-masked form with every lane kept: GCC 12 warns on the plain one's header.)
    const __m512i ordered =
        _mm512_maskz_permutexvar_epi64(0xFF, _mm512_setr_epi64(0, 4, 1, 5, 2, 6, 3, 7), v);
    low = _mm512_unpacklo_epi8(ordered, _mm512_setzero_si512());
    high = _mm512_unpackhi_epi8(ordered, _mm512_setzero_si512());
}
} // namespace
