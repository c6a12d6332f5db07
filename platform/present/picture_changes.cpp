#include "platform/present/picture_changes.h"

#include <algorithm>
#include <cstring>

static_assert(TileColumns * TileWidth == PictureWidth && TileRows * TileHeight == PictureHeight);
static_assert(TileColumns <= 64, "a band's tiles are the bits of one word");

namespace {
constexpr uint64_t AllTiles = (uint64_t{1} << TileColumns) - 1;

using TileMask = uint64_t[TileRows]; // bit c of band r: tile (c, r) changed

uint8_t Noted[PictureWidth * PictureHeight]; // the picture as last noted
uint32_t NotedPalette;
uint64_t Newest;                    // the number of the picture noted last; 0: none
TileMask Masks[RememberedPictures]; // Masks[n % RememberedPictures]: from n - 1 to n

// Compares the picture with the noted one tile row by tile row, bringing the noted one up to
// date; true where anything changed.
bool CompareWithNoted(const uint8_t* pixels, TileMask& mask) {
    bool changed = false;
    for (int32_t band = 0; band < TileRows; ++band) {
        uint64_t tiles = 0;
        for (int32_t line = band * TileHeight; line < (band + 1) * TileHeight; ++line) {
            const uint8_t* now = pixels + line * PictureWidth;
            uint8_t* before = Noted + line * PictureWidth;
            if (std::memcmp(now, before, PictureWidth) == 0) continue;
            for (int32_t column = 0; column < TileColumns; ++column) {
                uint64_t a, b;
                std::memcpy(&a, now + column * TileWidth, sizeof a);
                std::memcpy(&b, before + column * TileWidth, sizeof b);
                if (a != b) tiles |= uint64_t{1} << column;
            }
            std::memcpy(before, now, PictureWidth);
        }
        mask[band] = tiles;
        changed = changed || tiles != 0;
    }
    return changed;
}

// Appends the rectangle of tiles [first, end) across rows tile rows from row, or grows the one
// above it with the same columns.
void AddTiles(PictureChanges& changes, int32_t row, int32_t rows, int32_t first, int32_t end) {
    const PictureRect tiles{first * TileWidth, row * TileHeight, (end - first) * TileWidth,
                            rows * TileHeight};
    for (int32_t i = 0; i < changes.Count; ++i) {
        PictureRect& above = changes.Rects[i];
        if (above.X == tiles.X && above.Width == tiles.Width && above.Y + above.Height == tiles.Y) {
            above.Height += tiles.Height;
            return;
        }
    }
    changes.Rects[changes.Count++] = tiles;
}

// How coarsely the changed tiles are listed: tile rows taken together, and the unchanged
// tiles a rectangle may span to take in the next changed ones. The last gives one rectangle.
struct Coarseness {
    int32_t Rows, Gap;
};
constexpr Coarseness Coarser[] = {{1, 2},   {1, 5},   {2, 5},   {2, 8},        {3, 8},  {4, 8},
                                  {4, 12},  {5, 12},  {6, 16},  {8, 16},       {8, 24}, {10, 24},
                                  {12, 32}, {16, 40}, {25, 64}, {TileRows, 64}};

// The mask's changed tiles as runs along each group of rows, joined across gaps, each run one
// rectangle or part of the one of the same run above. False where there are more than most
// runs: a rectangle counts once for each group it spans, as a compositor that keeps damage in
// bands of lines (pixman's regions) counts its boxes.
bool ListRects(const TileMask& mask, Coarseness coarseness, int32_t most, PictureChanges& changes) {
    changes.Count = 0;
    int32_t runs = 0;
    for (int32_t row = 0; row < TileRows; row += coarseness.Rows) {
        const int32_t rows = std::min(coarseness.Rows, TileRows - row);
        uint64_t tiles = 0;
        for (int32_t each = row; each < row + rows; ++each)
            tiles |= mask[each];
        while (tiles != 0) {
            const int32_t first = __builtin_ctzll(tiles);
            int32_t end = first + __builtin_ctzll(~(tiles >> first));
            for (uint64_t after = tiles >> end;
                 after != 0 && __builtin_ctzll(after) <= coarseness.Gap; after = tiles >> end) {
                end += __builtin_ctzll(after);
                end += __builtin_ctzll(~(tiles >> end));
            }
            tiles &= ~uint64_t{0} << end;
            if (++runs > most) return false;
            AddTiles(changes, row, rows, first, end);
        }
    }
    return true;
}
} // namespace

uint64_t NotePicture(const uint8_t* pixels, uint32_t paletteChanges) {
    TileMask mask;
    if (Newest == 0 || NotedPalette != paletteChanges) {
        std::memcpy(Noted, pixels, sizeof Noted);
        NotedPalette = paletteChanges;
        for (uint64_t& tiles : mask)
            tiles = AllTiles;
    } else if (!CompareWithNoted(pixels, mask)) {
        return Newest;
    }
    ++Newest;
    std::memcpy(Masks[Newest % RememberedPictures], mask, sizeof mask);
    return Newest;
}

void ListChangesSince(uint64_t had, int32_t most, PictureChanges& changes) {
    if (had != 0 && had <= Newest && Newest - had < RememberedPictures) {
        TileMask mask{};
        for (uint64_t n = had + 1; n <= Newest; ++n)
            for (int32_t row = 0; row < TileRows; ++row)
                mask[row] |= Masks[n % RememberedPictures][row];
        // As finely as fits: the coarsest is one rectangle around every change.
        for (const Coarseness& coarseness : Coarser)
            if (ListRects(mask, coarseness, std::min(most, MaxChangedRects), changes)) return;
    }
    changes.Count = 1;
    changes.Rects[0] = {0, 0, PictureWidth, PictureHeight};
}

void ForgetNotedPictures() {
    Newest = 0;
}
