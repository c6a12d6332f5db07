#pragma once
#include <cstdint>

inline constexpr int32_t GunCellCount = 43;
struct GunCell {
    int8_t Dx, Dy;
};
extern const GunCell GunPattern[GunCellCount];

void SeedPatterns();
void SeedRings();
void SeedGliderGuns();

// The writes behind the two seeders: a ring of eight cells around a centre (2..317,
// 2..197), and a gun in the 36 x 9 box whose top-left cell is (1..284, 1..191),
// mirrored unless it runs towards larger columns (rightward) and rows (downward).
void PlaceRing(int32_t x, int32_t y);
void PlaceGliderGun(int32_t bx, int32_t by, bool rightward, bool downward);
