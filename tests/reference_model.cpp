#include "reference_model.h"

#include <cstddef>
#include <cstring>

namespace {
constexpr int Stride = RefWidth + 2;
constexpr int Neighbours[8] = {-Stride - 1, -Stride,    -Stride + 1, -1,
                               1,           Stride - 1, Stride,      Stride + 1};

uint8_t* Flat(RefGrid& grid) {
    return &grid[0][0];
}

int NextDraw(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

// One cell of a frame (flat index i of the 322 x 202 grids): the Life rule, then the
// effect's shade and pixel. The averaging effects write their shades to spare; Plasma
// changes shades in place. Returns the pixel drawn, or -1 for none.
int FrameCell(int effect, const uint8_t* cells, uint8_t* next, uint8_t* shades, uint8_t* spare,
              int i) {
    int n = 0;
    for (const int offset : Neighbours)
        n += cells[i + offset];
    const bool alive = n == 3 || (n == 2 && cells[i] == 1);
    next[i] = alive ? 1 : 0;
    if (effect <= 4) {
        int average = 0;
        if (effect == 2 || effect == 4) {
            average = (shades[i - Stride] + shades[i - 1] + shades[i + 1] + shades[i + Stride]) / 4;
        } else {
            for (const int offset : Neighbours)
                average += shades[i + offset];
            average /= 8;
        }
        if (effect >= 3 && average > 0) --average; // Mutant Blob's halo fades
        const int shade = alive ? (effect >= 3 ? 255 : 128) : average;
        spare[i] = static_cast<uint8_t>(shade);
        return n == 3 ? 255 : shade;
    }
    const uint8_t fresh = effect == 5 ? 128 : effect == 6 ? 254 : 252;
    const uint8_t fade = effect == 7 ? 4 : 2;
    if (n == 3) {
        shades[i] = fresh;
        return 255;
    }
    if (!alive && shades[i] != 0) return shades[i] -= fade;
    return -1;
}
} // namespace

RefCells RefStep(const RefCells& cells) {
    RefGrid grid{};
    RefSetInterior(grid, cells);
    RefWrapBorder(grid);
    RefGrid next{}, shades{}, spare{};
    for (int row = 1; row <= RefHeight; ++row)
        for (int column = 1; column <= RefWidth; ++column)
            FrameCell(1, Flat(grid), Flat(next), Flat(shades), Flat(spare), row * Stride + column);
    return RefInterior(next);
}

RefCells RefInterior(const RefGrid& grid) {
    RefCells cells;
    for (int y = 0; y < RefHeight; ++y)
        std::memcpy(cells[y].data(), &grid[y + 1][1], RefWidth);
    return cells;
}

void RefSetInterior(RefGrid& grid, const RefCells& cells) {
    for (int y = 0; y < RefHeight; ++y)
        std::memcpy(&grid[y + 1][1], cells[y].data(), RefWidth);
}

void RefWrapBorder(RefGrid& grid) {
    // Each border cell copies the field cell its row and column stand for on the torus.
    const auto wrap = [&](int row, int column) {
        grid[row][column] =
            grid[(row + RefHeight - 1) % RefHeight + 1][(column + RefWidth - 1) % RefWidth + 1];
    };
    for (int column = 0; column < RefWidth + 2; ++column) {
        wrap(0, column);
        wrap(RefHeight + 1, column);
    }
    for (int row = 1; row <= RefHeight; ++row) {
        wrap(row, 0);
        wrap(row, RefWidth + 1);
    }
}

namespace {
const char* const GunPicture[] = {
    ".........................O..........", "......................OOOO..........",
    ".............O.......OOOO...........", "............O.O......O..O.........OO",
    "...........O...OO....OOOO.........OO", "OO.........O...OO.....OOOO..........",
    "OO.........O...OO........O..........", "............O.O.....................",
    ".............O......................",
};
} // namespace

std::vector<std::pair<int, int>> RefGunCells(int left, int top, bool rightward, bool downward) {
    std::vector<std::pair<int, int>> cells;
    for (int dy = 0; dy < 9; ++dy)
        for (int dx = 0; dx < 36; ++dx)
            if (GunPicture[dy][dx] == 'O')
                cells.push_back(
                    {left + (rightward ? dx : 35 - dx), top + (downward ? dy : 8 - dy)});
    return cells;
}

void RefNormaliseShades(RefWorld& world) {
    for (auto& row : world.Shades())
        for (uint8_t& shade : row)
            if (shade != 0) shade = shade < 4 ? 4 : static_cast<uint8_t>(shade / 4 * 4);
}

void RefSeedPatterns(RefWorld& world) {
    auto set = [&](int column, int row) {
        world.Next()[row][column] = 1;
        world.Shades()[row][column] = 128;
    };
    const bool rings = NextDraw(world.Random) % 2 == 0;
    for (int copy = 0; copy < 4; ++copy) {
        if (rings) {
            const int x = NextDraw(world.Random) % 316 + 2;
            const int y = NextDraw(world.Random) % 196 + 2;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (dx != 0 || dy != 0) set(x + dx, y + dy);
        } else {
            const int left = NextDraw(world.Random) % 284 + 1;
            const int top = NextDraw(world.Random) % 191 + 1;
            const bool rightward = NextDraw(world.Random) % 2 == 1;
            const bool downward = NextDraw(world.Random) % 2 == 1;
            for (const auto& [column, row] : RefGunCells(left, top, rightward, downward))
                set(column, row);
        }
    }
}

void RefFrame(RefWorld& world, const RefSurface& surface) {
    const int step = surface.Doubled ? 2 : 1;
    const int effect = world.Effect;
    const uint8_t* const cells = Flat(world.Current());
    uint8_t* const next = Flat(world.Next());
    uint8_t* const shades = Flat(world.Shades());
    uint8_t* const spare = Flat(world.Spare());
    for (int row = 1; row <= RefHeight; ++row) {
        uint8_t* pixel = surface.Pixels == nullptr
                             ? nullptr
                             : surface.Pixels + ((surface.Doubled ? 40 : 0) + step * (row - 1)) *
                                                    static_cast<std::ptrdiff_t>(surface.Pitch);
        for (int column = 1; column <= RefWidth; ++column) {
            const int drawn = FrameCell(effect, cells, next, shades, spare, row * Stride + column);
            if (pixel != nullptr && drawn >= 0)
                pixel[step * (column - 1)] = static_cast<uint8_t>(drawn);
        }
    }
    if (world.Effect <= 4) world.CurrentShades = 1 - world.CurrentShades;
}

void RefIdleTick(RefWorld& world, bool frameLost, const RefSurface& surface) {
    // Equal to the snapshot six ticks old, border included: seed.
    if (world.Next() == world.Snapshots[world.Slots[6]]) RefSeedPatterns(world);
    world.Snapshots[world.Slots[0]] = world.Next();
    const int oldest = world.Slots[6];
    for (int slot = 6; slot > 0; --slot)
        world.Slots[slot] = world.Slots[slot - 1];
    world.Slots[0] = oldest;
    RefWrapBorder(world.Next());
    world.NextCells = 1 - world.NextCells;
    if (world.Count > 10000) {
        world.Current() = RefGrid{};
        world.Count = 0;
    }
    ++world.Count;
    if (!frameLost) RefFrame(world, surface);
}
