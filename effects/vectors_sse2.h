// 16-byte vectors with SSE2 alone, the baseline of every x86 processor the saver runs on.
// Included by one file only (fused_pass_sse2.cpp), ahead of fused_pass_kernels.h.
#pragma once
#include <emmintrin.h>

#include <cstdint>

namespace {
constexpr int32_t LaneCount = 16;
using Bytes = __m128i; // 16 lanes of uint8_t
using Words = __m128i; // 8 lanes of uint16_t

inline Bytes LoadBytes(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
inline void StoreBytes(uint8_t* at, Bytes v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
}
inline Bytes SplatBytes(uint8_t value) {
    return _mm_set1_epi8(static_cast<char>(value));
}
inline Bytes AddBytes(Bytes a, Bytes b) {
    return _mm_add_epi8(a, b);
}
inline Bytes SubtractBytes(Bytes a, Bytes b) {
    return _mm_sub_epi8(a, b);
}
inline Bytes SubtractBytesSaturated(Bytes a, Bytes b) {
    return _mm_subs_epu8(a, b);
}
inline Bytes EqualBytes(Bytes a, Bytes b) {
    return _mm_cmpeq_epi8(a, b);
}
inline Bytes Or(Bytes a, Bytes b) {
    return _mm_or_si128(a, b);
}
inline Bytes And(Bytes a, Bytes b) {
    return _mm_and_si128(a, b);
}
inline Bytes AndNot(Bytes a, Bytes b) { // ~a & b
    return _mm_andnot_si128(a, b);
}
inline Bytes Select(Bytes mask, Bytes a, Bytes b) { // mask ? a : b, mask lanes 0x00 or 0xFF
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}
inline uint32_t LaneBits(Bytes mask) { // bit k = top bit of lane k
    return static_cast<uint32_t>(_mm_movemask_epi8(mask));
}

inline Words EvenBytes(Bytes v) { // word k = byte 2k
    return _mm_and_si128(v, _mm_set1_epi16(0x00FF));
}
inline Words OddBytes(Bytes v) { // word k = byte 2k + 1
    return _mm_srli_epi16(v, 8);
}
inline Words AddWords(Words a, Words b) {
    return _mm_add_epi16(a, b);
}
template <int Shift> inline Words ShiftWordsRight(Words v) {
    return _mm_srli_epi16(v, Shift);
}
inline Bytes JoinBytes(Words even, Words odd) { // both below 256
    return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

// Lanes 0..7 onto the even bytes of `low`, lanes 8..15 onto those of `high`; odd bytes 0.
inline void SpreadOverEvenBytes(Bytes v, Bytes& low, Bytes& high) {
    low = _mm_unpacklo_epi8(v, _mm_setzero_si128());
    high = _mm_unpackhi_epi8(v, _mm_setzero_si128());
}
} // namespace

#include "effects/vector_byte_masks.h"
