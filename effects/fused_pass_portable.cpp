// The fused passes in plain C++, for every processor. The walk is the vector paths' one,
// taken a whole row at a time: each row of the current grids is read once and its sums
// across are kept, one entry a column, while they feed the rows above and below it. Each
// row loop is written one cell at a time so that the compiler can vectorise it for
// whatever vector unit it knows (a wrapper over plain arrays compiles one operation at a
// time and runs ten times slower).
#include <bit>
#include <cstdint>
#include <cstring>

#include "effects/fused_pass.h"
#include "life/grids.h"

// A row loop's writes never alias what it reads; saying so lets the compiler vectorise it
// without run-time overlap checks.
#if defined(__clang__)
// A row loop clang declines to vectorise still runs right, one cell at a time: not an error.
#pragma clang diagnostic ignored "-Wpass-failed"
#define VECTORISE_ROW _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define VECTORISE_ROW _Pragma("GCC ivdep")
#else
#define VECTORISE_ROW
#endif

namespace {
// Running sums, one entry a column: Ahead is complete but for the row below the output row,
// Behind is what the output row gives the row after it.
struct RunningSums {
    uint8_t CellsAhead[FieldWidth], CellsBehind[FieldWidth];
    uint16_t ShadesAhead[FieldWidth], ShadesBehind[FieldWidth];
};

// The sums of rows 0 and 1, ready for output row 1; the shades' for eight-neighbour
// averages only.
template <bool ShadeSums> void StartSums(const PassGrids& g, RunningSums& sums) {
    const uint8_t* above = g.Cells + 1;
    const uint8_t* here = above + GridStride;
    for (int32_t x = 0; x < FieldWidth; ++x) {
        sums.CellsAhead[x] = static_cast<uint8_t>(above[x - 1] + above[x] + above[x + 1] +
                                                  here[x - 1] + here[x + 1]);
        sums.CellsBehind[x] = static_cast<uint8_t>(here[x - 1] + here[x] + here[x + 1]);
    }
    if constexpr (ShadeSums) {
        const uint8_t* shadeAbove = g.Shades + 1;
        const uint8_t* shadeHere = shadeAbove + GridStride;
        for (int32_t x = 0; x < FieldWidth; ++x) {
            sums.ShadesAhead[x] =
                static_cast<uint16_t>(shadeAbove[x - 1] + shadeAbove[x] + shadeAbove[x + 1] +
                                      shadeHere[x - 1] + shadeHere[x + 1]);
            sums.ShadesBehind[x] =
                static_cast<uint16_t>(shadeHere[x - 1] + shadeHere[x] + shadeHere[x + 1]);
        }
    }
}

// The Life rule as (count | self) == 3: three neighbours, or two and alive itself.
inline uint8_t LifeRule(uint8_t count, uint8_t self) {
    return static_cast<uint8_t>((count | self) == 3);
}

// One output row's grids: the row below it is read, the rest belong to the row itself.
struct RowCells {
    const uint8_t* __restrict Below;
    const uint8_t* __restrict Self;
    uint8_t* __restrict Next;
};

// The neighbour count of cell x of the output row, moving its cell sums down a row.
inline uint8_t CountNeighbours(const RowCells& row, RunningSums& sums, int32_t x) {
    const auto sides = static_cast<uint8_t>(row.Below[x - 1] + row.Below[x + 1]);
    const auto three = static_cast<uint8_t>(sides + row.Below[x]);
    const auto count = static_cast<uint8_t>(sums.CellsAhead[x] + three);
    sums.CellsAhead[x] = static_cast<uint8_t>(sums.CellsBehind[x] + sides);
    sums.CellsBehind[x] = three;
    return count;
}

// One bit a cell for a row of the next generation (cells 0 or 1): eight cells gathered by
// one multiplication, each cell's bit landing in its own place of the top byte (the
// multiplier depends on which end of the word the first cell loads into).
void PackRowBits(const uint8_t* next, uint8_t* bits) {
    constexpr uint64_t Gather =
        std::endian::native == std::endian::little ? 0x0102040810204080ull : 0x8040201008040201ull;
    for (int32_t byte = 0; byte < RowBitBytes; ++byte) {
        uint64_t cells;
        std::memcpy(&cells, next + 8 * byte, sizeof cells);
        bits[byte] = static_cast<uint8_t>((cells * Gather) >> 56);
    }
}

// Draws a row's marked pixels (marks 0x00 or 0xFF) one at a time, on every byte or every
// other byte: for Doubled rows, and for a picture that may not be read back (this path
// keeps no copy of one; the vector paths do).
template <int32_t Step>
void DrawMarkedPixels(uint8_t* __restrict pixels, const uint8_t* __restrict drawn,
                      const uint8_t* __restrict marked) {
    for (int32_t x = 0; x < FieldWidth; x += 8) {
        uint64_t any;
        std::memcpy(&any, marked + x, sizeof any);
        if (any == 0) continue;
        for (int32_t k = x; k < x + 8; ++k)
            if (marked[k] != 0) pixels[k * Step] = drawn[k];
    }
}

// "Heated" (Orthogonal: "Heated (Alternative)"): live cells hold 128 and a cell with three
// live neighbours shows 255. With Decay, "Mutant Blob" (and its alternative): each average
// loses one, live cells hold and show 255. The eight-neighbour average comes from running
// sums; the four-neighbour one reads its shades directly, which costs less.
template <bool Orthogonal, bool Decay>
inline void AverageRow(const RowCells& row, RunningSums& sums, const uint8_t* __restrict shadeHere,
                       uint8_t* __restrict spare, uint8_t* __restrict drawn) {
    constexpr uint8_t LiveShade = Decay ? 255 : 128;
    const uint8_t* __restrict shadeBelow = shadeHere + GridStride;
    const uint8_t* __restrict shadeAbove = shadeHere - GridStride;
    VECTORISE_ROW
    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t count = CountNeighbours(row, sums, x);
        uint8_t average;
        if constexpr (Orthogonal) {
            average = static_cast<uint8_t>(
                (shadeAbove[x] + shadeHere[x - 1] + shadeHere[x + 1] + shadeBelow[x]) >> 2);
        } else {
            const auto sides = static_cast<uint16_t>(shadeBelow[x - 1] + shadeBelow[x + 1]);
            const auto three = static_cast<uint16_t>(sides + shadeBelow[x]);
            average = static_cast<uint8_t>((sums.ShadesAhead[x] + three) >> 3);
            sums.ShadesAhead[x] = static_cast<uint16_t>(sums.ShadesBehind[x] + sides);
            sums.ShadesBehind[x] = three;
        }
        if constexpr (Decay) average = static_cast<uint8_t>(average - (average != 0));
        const uint8_t live = LifeRule(count, row.Self[x]);
        const auto liveMask = static_cast<uint8_t>(-live);
        const auto threeMask = static_cast<uint8_t>(-(count == 3));
        const auto shade = static_cast<uint8_t>((liveMask & LiveShade) | (~liveMask & average));
        row.Next[x] = live;
        spare[x] = shade;
        drawn[x] = static_cast<uint8_t>(shade | threeMask);
    }
}

template <bool Orthogonal, bool Decay, bool Doubled, bool Readable>
void AveragingPass(const PassGrids& g) {
    RunningSums sums;
    StartSums<!Orthogonal>(g, sums);
    alignas(16) uint8_t drawn[FieldWidth] = {};
    for (int32_t row = 1; row <= FieldHeight; ++row) {
        const int32_t first = row * GridStride + 1;
        uint8_t* const pixels = g.Pixels + (row - 1) * g.LineAdvance;
        const RowCells cells{g.Cells + first + GridStride, g.Cells + first, g.NextCells + first};
        // Native rows are drawn straight into the picture, Doubled ones a pixel at a time.
        AverageRow<Orthogonal, Decay>(cells, sums, g.Shades + first, g.SpareShades + first,
                                      Doubled ? drawn : pixels);
        if constexpr (Doubled)
            for (int32_t x = 0; x < FieldWidth; ++x)
                pixels[2 * x] = drawn[x];
        PackRowBits(cells.Next, g.NextBits + (row - 1) * RowBitBytes);
    }
}

// "Plasma Lite", "Plasma Max" and "Plasma Max Lite": three live neighbours give a fresh
// shade and 255; a cell dead after the step fades its shade by Fade, drawing the new value,
// until 0. Shades change in place. Where the picture may be read back, a Native row is
// blended with what it held; else the changed pixels are marked and drawn one at a time.
template <uint8_t Fresh, uint8_t Fade, bool Blend>
inline void PlasmaRow(const RowCells& row, RunningSums& sums, uint8_t* __restrict shades,
                      uint8_t* __restrict pixels, uint8_t* __restrict drawn,
                      uint8_t* __restrict marked) {
    VECTORISE_ROW
    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t count = CountNeighbours(row, sums, x);
        const uint8_t live = LifeRule(count, row.Self[x]);
        row.Next[x] = live;
        const uint8_t shade = shades[x];
        const auto threeMask = static_cast<uint8_t>(-(count == 3));
        const auto fadeMask = static_cast<uint8_t>(-((live ^ 1) & (shade != 0)));
        const auto faded = static_cast<uint8_t>(shade - Fade);
        const auto kept = static_cast<uint8_t>((fadeMask & faded) | (~fadeMask & shade));
        shades[x] = static_cast<uint8_t>((threeMask & Fresh) | (~threeMask & kept));
        const auto value = static_cast<uint8_t>(threeMask | faded);
        const auto mark = static_cast<uint8_t>(threeMask | fadeMask);
        if constexpr (Blend) {
            pixels[x] = static_cast<uint8_t>((mark & value) | (~mark & pixels[x]));
        } else {
            drawn[x] = value;
            marked[x] = mark;
        }
    }
}

template <uint8_t Fresh, uint8_t Fade, bool Doubled, bool Readable>
void PlasmaPass(const PassGrids& g) {
    constexpr bool Blend = Readable && !Doubled;
    RunningSums sums;
    StartSums<false>(g, sums);
    alignas(16) uint8_t drawn[FieldWidth] = {};
    alignas(16) uint8_t marked[FieldWidth] = {};
    for (int32_t row = 1; row <= FieldHeight; ++row) {
        const int32_t first = row * GridStride + 1;
        uint8_t* const pixels = g.Pixels + (row - 1) * g.LineAdvance;
        const RowCells cells{g.Cells + first + GridStride, g.Cells + first, g.NextCells + first};
        PlasmaRow<Fresh, Fade, Blend>(cells, sums, g.Shades + first, pixels, drawn, marked);
        if constexpr (!Blend) DrawMarkedPixels<Doubled ? 2 : 1>(pixels, drawn, marked);
        PackRowBits(cells.Next, g.NextBits + (row - 1) * RowBitBytes);
    }
}

} // namespace

#include "effects/fused_pass_table.h"

const SimdPath PortableSimdPath = MakeSimdPath();
