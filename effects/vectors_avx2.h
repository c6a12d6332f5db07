// 32-byte vectors with AVX2. Included by one file only (fused_pass_avx2.cpp, the one file
// built for AVX2), ahead of fused_pass_kernels.h.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace {
constexpr int32_t LaneCount = 32;
using Bytes = __m256i; // 32 lanes of uint8_t
using Words = __m256i; // 16 lanes of uint16_t

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
inline Bytes EqualBytes(Bytes a, Bytes b) {
    return _mm256_cmpeq_epi8(a, b);
}
inline Bytes Or(Bytes a, Bytes b) {
    return _mm256_or_si256(a, b);
}
inline Bytes And(Bytes a, Bytes b) {
    return _mm256_and_si256(a, b);
}
inline Bytes AndNot(Bytes a, Bytes b) { // ~a & b
    return _mm256_andnot_si256(a, b);
}
inline Bytes Select(Bytes mask, Bytes a, Bytes b) { // mask ? a : b, mask lanes 0x00 or 0xFF
    return _mm256_blendv_epi8(b, a, mask);
}
inline uint32_t LaneBits(Bytes mask) { // bit k = top bit of lane k
    return static_cast<uint32_t>(_mm256_movemask_epi8(mask));
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
template <int Shift> inline Words ShiftWordsRight(Words v) {
    return _mm256_srli_epi16(v, Shift);
}
inline Bytes JoinBytes(Words even, Words odd) { // both below 256
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

// Lanes 0..15 onto the even bytes of `low`, lanes 16..31 onto those of `high`; odd bytes
// 0. The unpacks work within 128-bit halves, so the quarters are put in order first.
inline void SpreadOverEvenBytes(Bytes v, Bytes& low, Bytes& high) {
    const __m256i ordered = _mm256_permute4x64_epi64(v, 0xD8); // quarters 0, 2, 1, 3
    low = _mm256_unpacklo_epi8(ordered, _mm256_setzero_si256());
    high = _mm256_unpackhi_epi8(ordered, _mm256_setzero_si256());
}
} // namespace

#include "effects/vector_byte_masks.h"
