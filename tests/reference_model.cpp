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
