#include "reference_model.h"

int RefNeighbours(const RefCells& cells, int x, int y) {
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0)
                n += cells[(y + dy + RefHeight) % RefHeight][(x + dx + RefWidth) % RefWidth];
    return n;
}

namespace {
// Shades do not wrap: outside the field they read as 0.
int ShadeAt(const RefCells& shades, int x, int y) {
    if (x < 0 || y < 0 || x >= RefWidth || y >= RefHeight) return 0;
    return shades[y][x];
}

int Average(const RefCells& shades, int x, int y, bool orthogonal) {
    if (orthogonal)
        return (ShadeAt(shades, x, y - 1) + ShadeAt(shades, x - 1, y) + ShadeAt(shades, x + 1, y) +
                ShadeAt(shades, x, y + 1)) /
               4;
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) sum += ShadeAt(shades, x + dx, y + dy);
    return sum / 8;
}
} // namespace

void RefFrame(int effect, const RefCells& cells, const RefCells& shades, RefCells& nextCells,
              RefCells& nextShades, RefPixels& pixels) {
    const bool orthogonal = effect == 2 || effect == 4;
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x) {
            const int n = RefNeighbours(cells, x, y);
            const bool alive = cells[y][x] == 1;
            const bool nextAlive = n == 3 || (n == 2 && alive);
            nextCells[y][x] = nextAlive ? 1 : 0;
            pixels[y][x] = -1;
            if (effect <= 4) {
                int shade = Average(shades, x, y, orthogonal);
                if (effect >= 3 && shade > 0) shade -= 1;
                if (nextAlive) shade = effect >= 3 ? 255 : 128;
                nextShades[y][x] = static_cast<uint8_t>(shade);
                pixels[y][x] = n == 3 ? 255 : shade;
                continue;
            }
            const int fresh = effect == 5 ? 128 : effect == 6 ? 254 : 252;
            const int fade = effect == 7 ? 4 : 2;
            nextShades[y][x] = shades[y][x];
            if (n == 3) {
                nextShades[y][x] = static_cast<uint8_t>(fresh);
                pixels[y][x] = 255;
            } else if (!nextAlive && shades[y][x] != 0) {
                nextShades[y][x] = static_cast<uint8_t>(shades[y][x] - fade);
                pixels[y][x] = nextShades[y][x];
            }
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

int NextDraw(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
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

void RefSeed(uint32_t& state, RefCells& cells, RefCells& shades) {
    auto set = [&](int column, int row) {
        cells[row - 1][column - 1] = 1;
        shades[row - 1][column - 1] = 128;
    };
    const bool rings = NextDraw(state) % 2 == 0;
    for (int copy = 0; copy < 4; ++copy) {
        if (rings) {
            const int x = NextDraw(state) % 316 + 2;
            const int y = NextDraw(state) % 196 + 2;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (dx != 0 || dy != 0) set(x + dx, y + dy);
        } else {
            const int left = NextDraw(state) % 284 + 1;
            const int top = NextDraw(state) % 191 + 1;
            const bool rightward = NextDraw(state) % 2 == 1;
            const bool downward = NextDraw(state) % 2 == 1;
            for (const auto& [column, row] : RefGunCells(left, top, rightward, downward))
                set(column, row);
        }
    }
}

namespace {
RefCells Interior(const RefGrid& grid) {
    RefCells cells;
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x)
            cells[y][x] = grid[y + 1][x + 1];
    return cells;
}

void SetInterior(RefGrid& grid, const RefCells& cells) {
    for (int y = 0; y < RefHeight; ++y)
        for (int x = 0; x < RefWidth; ++x)
            grid[y + 1][x + 1] = cells[y][x];
}

// Row 0 and row 201 copy the opposite edge rows, column 0 and 321 the opposite edge
// columns, each corner the opposite corner of the field.
void WrapBorder(RefGrid& grid) {
    for (int row = 0; row < RefHeight + 2; ++row)
        for (int column = 0; column < RefWidth + 2; ++column) {
            const bool border =
                row == 0 || row == RefHeight + 1 || column == 0 || column == RefWidth + 1;
            if (border)
                grid[row][column] = grid[(row + RefHeight - 1) % RefHeight + 1]
                                        [(column + RefWidth - 1) % RefWidth + 1];
        }
}
} // namespace

void RefNormaliseShades(RefCells& shades) {
    for (auto& row : shades)
        for (uint8_t& shade : row)
            if (shade != 0) shade = shade < 4 ? 4 : static_cast<uint8_t>(shade / 4 * 4);
}

void RefSeedPatterns(RefWorld& world) {
    RefCells cells = Interior(world.Next);
    RefSeed(world.Random, cells, world.Shades);
    SetInterior(world.Next, cells);
}

RefPixels RefIdleTick(RefWorld& world, bool frameLost) {
    const RefGrid sixBack = world.Snapshots.size() >= 6 ? world.Snapshots[5] : RefGrid{};
    if (world.Next == sixBack) RefSeedPatterns(world);
    world.Snapshots.push_front(world.Next);
    if (world.Snapshots.size() > 6) world.Snapshots.pop_back();
    WrapBorder(world.Next);
    std::swap(world.Current, world.Next);
    if (world.Count > 10000) {
        world.Current = RefGrid{};
        world.Count = 0;
    }
    ++world.Count;
    RefPixels pixels;
    for (auto& row : pixels)
        row.fill(-1);
    if (frameLost) return pixels;
    RefCells nextCells, nextShades;
    RefFrame(world.Effect, Interior(world.Current), world.Shades, nextCells, nextShades, pixels);
    SetInterior(world.Next, nextCells);
    world.Shades = nextShades;
    return pixels;
}
