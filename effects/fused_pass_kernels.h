// The fused passes of all seven effects, written once over the vector operations of the
// header included before this one (Bytes, Words, Mask, LaneSet, LaneCount and their
// routines; a Mask is a lane mask, kept in a mask register where the instruction set has
// them, else a vector of 0x00 or 0xFF bytes). Each fused_pass_*.cpp file compiles its own
// copy for its instruction set; internal linkage keeps those copies apart, so no routine
// built for AVX2 can stand in for another.
//
// The field is walked in bands of rows, each band in strips one vector wide (row by row
// where only 8 vector registers exist, see WalkField). Every row of the current grids is
// read once: its sums across (cells, and shades in 16-bit lanes) are kept while they feed
// the rows above and below it, so each output row costs one new row of reads.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

#include "effects/fused_pass.h"
#include "life/grids.h"

namespace {
// Deep enough to pay for the two rows each strip reads before its first output row, short
// enough that a strip's cache lines are still in the first-level cache for the next strip.
constexpr int32_t BandRows = 50;
static_assert(FieldHeight % BandRows == 0 && FieldWidth % LaneCount == 0);

// One row of a strip, read across: the cells themselves, their side neighbours' sum, and
// the sum of all three (what the row gives the rows above and below it).
struct CellsAcross {
    Bytes Centre, Sides, Three;
};

inline CellsAcross ReadCellsAcross(const uint8_t* cell) {
    const Bytes centre = LoadBytes(cell);
    const Bytes sides = AddBytes(LoadBytes(cell - 1), LoadBytes(cell + 1));
    return {centre, sides, AddBytes(sides, centre)};
}

// The same for shades, whose sums need 16 bits: even lanes hold the strip's even cells,
// odd lanes its odd cells. UpDown is what the row gives the rows above and below: all
// three shades (eight-neighbour average) or the centre alone (four-neighbour average).
struct ShadesAcross {
    Words SidesEven, SidesOdd, UpDownEven, UpDownOdd;
};

template <bool Orthogonal> inline ShadesAcross ReadShadesAcross(const uint8_t* shade) {
    // The vector one cell left holds each even cell's left neighbour in its even bytes and
    // the even cell itself in its odd bytes; the vector one cell right holds the odd cells
    // in its even bytes and their right neighbours in its odd bytes. So two reads serve
    // both halves, one load fewer (which would straddle a cache line as often as not) for
    // a shift more. That pays for the eight-neighbour average; the four-neighbour one
    // measured faster reading the row for its centre.
    const Bytes left = LoadBytes(shade - 1);
    const Words leftEven = EvenBytes(left);
    const Words centreEven = Orthogonal ? EvenBytes(LoadBytes(shade)) : OddBytes(left);
    const Bytes right = LoadBytes(shade + 1);
    const Words rightEven = EvenBytes(right);
    ShadesAcross row;
    row.SidesEven = AddWords(leftEven, rightEven);
    row.SidesOdd = AddWords(centreEven, OddBytes(right));
    if constexpr (Orthogonal) {
        row.UpDownEven = centreEven;
        row.UpDownOdd = rightEven;
    } else {
        row.UpDownEven = AddWords(row.SidesEven, centreEven);
        row.UpDownOdd = AddWords(row.SidesOdd, rightEven);
    }
    return row;
}

// The running sums of a strip: Ahead is complete but for the row below the output row,
// Behind is what the output row gives the row after it.
struct CellSums {
    Bytes Ahead, Behind, Self;
};

inline CellSums StartCellSums(const uint8_t* aboveCell) {
    const CellsAcross above = ReadCellsAcross(aboveCell);
    const CellsAcross here = ReadCellsAcross(aboveCell + GridStride);
    return {AddBytes(above.Three, here.Sides), here.Three, here.Centre};
}

// Reads the row below the output row; returns the output row's neighbour counts and its
// own cells, and moves the sums down one row.
inline Bytes StepCellSums(CellSums& sums, const uint8_t* belowCell, Bytes& self) {
    const CellsAcross below = ReadCellsAcross(belowCell);
    const Bytes count = AddBytes(sums.Ahead, below.Three);
    self = sums.Self;
    sums = {AddBytes(sums.Behind, below.Sides), below.Three, below.Centre};
    return count;
}

struct ShadeSums {
    Words AheadEven, AheadOdd, BehindEven, BehindOdd;
};

template <bool Orthogonal> inline ShadeSums StartShadeSums(const uint8_t* aboveShade) {
    const ShadesAcross above = ReadShadesAcross<Orthogonal>(aboveShade);
    const ShadesAcross here = ReadShadesAcross<Orthogonal>(aboveShade + GridStride);
    return {AddWords(above.UpDownEven, here.SidesEven), AddWords(above.UpDownOdd, here.SidesOdd),
            here.UpDownEven, here.UpDownOdd};
}

// The output row's neighbour shade average (the sum shifted right), moving the sums down.
template <bool Orthogonal> inline Bytes StepShadeSums(ShadeSums& sums, const uint8_t* belowShade) {
    constexpr int Shift = Orthogonal ? 2 : 3;
    const ShadesAcross below = ReadShadesAcross<Orthogonal>(belowShade);
    const Words even = AddWords(sums.AheadEven, below.UpDownEven);
    const Words odd = AddWords(sums.AheadOdd, below.UpDownOdd);
    sums = {AddWords(sums.BehindEven, below.SidesEven), AddWords(sums.BehindOdd, below.SidesOdd),
            below.UpDownEven, below.UpDownOdd};
    return JoinBytesShiftedRight<Shift>(even, odd);
}

// Lane k's bit lands in bit k % 8 of byte k / 8: one store, x86 being little-endian.
inline void StoreLaneBits(uint8_t* at, LaneSet bits) {
    std::memcpy(at, &bits, LaneCount / 8);
}

struct LifeStep {
    Mask Alive, Three; // alive in the next generation, three live neighbours
};

// The Life rule as (count | self) == 3: three neighbours, or two and alive itself.
inline LifeStep StepLife(Bytes count, Bytes self, uint8_t* next, uint8_t* bits) {
    const Bytes three = SplatBytes(3);
    const LifeStep step{EqualBytes(Or(count, self), three), EqualBytes(count, three)};
    StoreBytes(next, KeepWhere(step.Alive, SplatBytes(1)));
    StoreLaneBits(bits, LaneBits(step.Alive));
    return step;
}

// Where one step's pixels go: the picture, and (Native in video memory) our copy of it.
struct PixelSpot {
    uint8_t* Pixels;
    uint8_t* Copy;
    uint8_t* Known;
};

constexpr LaneSet AllLanes = static_cast<LaneSet>(~LaneSet{0} >> (8 * sizeof(LaneSet) - LaneCount));

// Copies the lanes marked in `lanes` from `from`, each stretch of marked lanes with the
// widest stores that fit.
inline void WriteRuns(uint8_t* to, const uint8_t* from, LaneSet lanes) {
    while (lanes != 0) {
        const int start = std::countr_zero(lanes);
        int length = std::countr_one(static_cast<LaneSet>(lanes >> start));
        // The stretch's bits cleared: the lanes above it are all that may be left.
        lanes = start + length >= LaneCount
                    ? 0
                    : lanes & static_cast<LaneSet>(AllLanes << (start + length));
        uint8_t* out = to + start;
        const uint8_t* in = from + start;
        for (; length >= 8; length -= 8, out += 8, in += 8)
            std::memcpy(out, in, 8);
        if (length & 4) {
            std::memcpy(out, in, 4);
            out += 4;
            in += 4;
        }
        if (length & 2) {
            std::memcpy(out, in, 2);
            out += 2;
            in += 2;
        }
        if (length & 1) *out = *in;
    }
}

// Draws the lanes marked in `drawn` (all of them when Every) one byte per cell, or on every
// other byte when Doubled. A picture that may be read back gets whole vectors, blended with
// what it held. One in video memory is never read: a Native one is written whole where each
// pixel is known to our copy or changed, else those pixels alone (one masked store where the
// instruction set has byte-masked stores, else a stretch at a time); a Doubled one the
// marked bytes alone (a masked store, else a byte at a time).
template <bool Doubled, bool Readable, bool Every>
inline void DrawPixels(const PixelSpot& at, Bytes values, Mask drawn) {
    uint8_t* const pixels = at.Pixels;
    if constexpr (!Doubled && Every) {
        StoreBytes(pixels, values);
        if constexpr (!Readable) {
            StoreBytes(at.Copy, values);
            StoreBytes(at.Known, SplatBytes(0xFF));
        }
    } else if constexpr (!Doubled && Readable) {
        StoreBytes(pixels, Select(drawn, values, LoadBytes(pixels)));
    } else if constexpr (Doubled && Readable) {
        Bytes low, high, lowDrawn, highDrawn;
        SpreadOverEvenBytes(values, low, high);
        SpreadOverEvenBytes(MaskBytes(drawn), lowDrawn, highDrawn);
        StoreBytes(pixels, Select(MaskOf(lowDrawn), low, LoadBytes(pixels)));
        StoreBytes(pixels + LaneCount,
                   Select(MaskOf(highDrawn), high, LoadBytes(pixels + LaneCount)));
    } else if constexpr (!Doubled) {
        if (LaneBits(drawn) == 0) return;
        const Bytes picture = Select(drawn, values, LoadBytes(at.Copy));
        StoreBytes(at.Copy, picture);
        const Mask known = OrMasks(MaskOf(LoadBytes(at.Known)), drawn);
        const LaneSet writable = LaneBits(known);
        if (writable == AllLanes) {
            StoreBytes(pixels, picture);
            return;
        }
        StoreBytes(at.Known, MaskBytes(known));
        if constexpr (HasMaskedStores) {
            StoreBytesWhere(known, pixels, picture);
        } else {
            uint8_t lanes[LaneCount];
            StoreBytes(lanes, picture);
            WriteRuns(pixels, lanes, writable);
        }
    } else {
        LaneSet marked = LaneBits(drawn);
        if (marked == 0) return;
        if constexpr (HasMaskedStores) {
            Bytes low, high, lowDrawn, highDrawn;
            SpreadOverEvenBytes(values, low, high);
            SpreadOverEvenBytes(MaskBytes(drawn), lowDrawn, highDrawn);
            StoreBytesWhere(MaskOf(lowDrawn), pixels, low);
            StoreBytesWhere(MaskOf(highDrawn), pixels + LaneCount, high);
            return;
        }
        uint8_t lanes[LaneCount];
        StoreBytes(lanes, values);
        for (; marked != 0; marked &= marked - 1) {
            const int k = std::countr_zero(marked);
            pixels[2 * k] = lanes[k];
        }
    }
}

// The running sums of one strip: its cells', and its shades' for the averaging effects.
template <bool Shades> struct StripSums {
    CellSums Cells;
    ShadeSums Shade;
};

template <bool Shades, bool Orthogonal>
inline StripSums<Shades> StartStrip(const PassGrids& g, int32_t aboveCell) {
    StripSums<Shades> sums;
    sums.Cells = StartCellSums(g.Cells + aboveCell);
    if constexpr (Shades) sums.Shade = StartShadeSums<Orthogonal>(g.Shades + aboveCell);
    return sums;
}

// Where one step's output cells are: their grid index, their bits, their pixels.
struct Spot {
    int32_t Cell;
    uint8_t* Bits;
    PixelSpot Pixels;
};

// 32-bit x86 has 8 vector registers, 64-bit 16.
constexpr bool FewVectorRegisters = sizeof(void*) == 4;

// Walks the field a vector at a time; each step gets its output cells and the running sums
// of their strip. With 16 vector registers the sums stay in registers down each strip (the
// bands keep a strip's cache lines warm for the next one). With 8 they would spill, so the
// walk goes row by row across the field and keeps them in a small buffer in L1 instead.
template <bool Doubled, bool Shades, bool Orthogonal, typename Step>
inline void WalkField(const PassGrids& g, Step step) {
    // Copies, since the stores could alias g.
    uint8_t* const bits = g.NextBits;
    uint8_t* const pixels = g.Pixels;
    uint8_t* const copy = g.Copy;
    uint8_t* const known = g.Known;
    const ptrdiff_t lineAdvance = g.LineAdvance;
    const auto spotAt = [=](int32_t row, int32_t x) {
        const int32_t pixel = (row - 1) * FieldWidth + x;
        return Spot{row * GridStride + 1 + x,
                    bits + (row - 1) * RowBitBytes + x / 8,
                    {pixels + (row - 1) * lineAdvance + (Doubled ? 2 * x : x), copy + pixel,
                     known + pixel}};
    };
    if constexpr (FewVectorRegisters) {
        StripSums<Shades> sums[FieldWidth / LaneCount];
        for (int32_t x = 0; x < FieldWidth; x += LaneCount)
            sums[x / LaneCount] = StartStrip<Shades, Orthogonal>(g, 1 + x);
        for (int32_t row = 1; row <= FieldHeight; ++row)
            for (int32_t x = 0; x < FieldWidth; x += LaneCount)
                step(sums[x / LaneCount], spotAt(row, x));
    } else {
        for (int32_t top = 1; top <= FieldHeight; top += BandRows)
            for (int32_t x = 0; x < FieldWidth; x += LaneCount) {
                StripSums<Shades> sums =
                    StartStrip<Shades, Orthogonal>(g, (top - 1) * GridStride + 1 + x);
                // Two rows a turn: the sums move from one set of registers to another and
                // back, where one row a turn copies them back into place every row. The
                // four-neighbour averages measured faster one row a turn.
                constexpr int32_t RowsATurn = Orthogonal ? 1 : 2;
                static_assert(BandRows % RowsATurn == 0);
                for (int32_t row = top; row < top + BandRows; row += RowsATurn) {
                    step(sums, spotAt(row, x));
                    if constexpr (RowsATurn == 2) step(sums, spotAt(row + 1, x));
                }
            }
    }
}

// "Heated" (Orthogonal: "Heated (Alternative)"): live cells hold 128 and a cell with three
// live neighbours shows 255. With Decay, "Mutant Blob" (and its alternative): each average
// loses one, live cells hold and show 255.
template <bool Orthogonal, bool Decay, bool Doubled, bool Readable>
void AveragingPass(const PassGrids& g) {
    const uint8_t* const cells = g.Cells;
    const uint8_t* const shades = g.Shades;
    uint8_t* const next = g.NextCells;
    uint8_t* const spare = g.SpareShades;
    WalkField<Doubled, true, Orthogonal>(g, [=](StripSums<true>& sums, const Spot& at) {
        Bytes self;
        const Bytes count = StepCellSums(sums.Cells, cells + at.Cell + GridStride, self);
        const LifeStep life = StepLife(count, self, next + at.Cell, at.Bits);
        const Bytes average = StepShadeSums<Orthogonal>(sums.Shade, shades + at.Cell + GridStride);
        Bytes shade, pixel;
        if constexpr (Decay) {
            shade = FillWhere(life.Alive, SubtractBytesSaturated(average, SplatBytes(1)));
            pixel = shade;
        } else {
            shade = Select(life.Alive, SplatBytes(128), average);
            pixel = FillWhere(life.Three, shade);
        }
        StoreBytes(spare + at.Cell, shade);
        DrawPixels<Doubled, Readable, true>(at.Pixels, pixel, EveryLane());
    });
}

// "Plasma Lite", "Plasma Max" and "Plasma Max Lite": three live neighbours give a fresh
// shade and 255; a cell dead after the step fades its shade by Fade, drawing the new value,
// until 0. Shades change in place; every other pixel keeps what the picture held.
template <uint8_t Fresh, uint8_t Fade, bool Doubled, bool Readable>
void PlasmaPass(const PassGrids& g) {
    const uint8_t* const cells = g.Cells;
    uint8_t* const shades = g.Shades;
    uint8_t* const next = g.NextCells;
    WalkField<Doubled, false, false>(g, [=](StripSums<false>& sums, const Spot& at) {
        Bytes self;
        const Bytes count = StepCellSums(sums.Cells, cells + at.Cell + GridStride, self);
        const LifeStep life = StepLife(count, self, next + at.Cell, at.Bits);
        const Bytes shade = LoadBytes(shades + at.Cell);
        const Mask fading = NotMask(OrMasks(life.Alive, EqualBytes(shade, SplatBytes(0))));
        const Bytes faded = SubtractBytes(shade, SplatBytes(Fade));
        const Bytes kept = SubtractBytes(shade, KeepWhere(fading, SplatBytes(Fade)));
        StoreBytes(shades + at.Cell, Select(life.Three, SplatBytes(Fresh), kept));
        DrawPixels<Doubled, Readable, false>(at.Pixels, FillWhere(life.Three, faded),
                                             OrMasks(life.Three, fading));
    });
}

} // namespace

#include "effects/fused_pass_table.h"
