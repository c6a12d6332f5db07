#include "platform/present/picture_changes.h"

#include <cstring>

static_assert(TileColumns * TileWidth == PictureWidth && TileRows * TileHeight == PictureHeight);
static_assert(TileColumns <= 64, "a band's tiles are the bits of one word");

namespace {
// Changed runs of tiles closer than this are sent as one rectangle: a few unchanged tiles
// cost less than a request more.
constexpr int32_t JoinedGap = 2;
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

// Appends the rectangle of tiles [first, end) of band, or grows the one above it with the same
// columns; false when there is no room.
bool AddTiles(PictureChanges& changes, int32_t band, int32_t first, int32_t end) {
    const PictureRect tiles{first * TileWidth, band * TileHeight, (end - first) * TileWidth,
                            TileHeight};
    for (int32_t i = 0; i < changes.Count; ++i) {
        PictureRect& above = changes.Rects[i];
        if (above.X == tiles.X && above.Width == tiles.Width && above.Y + above.Height == tiles.Y) {
            above.Height += TileHeight;
            return true;
        }
    }
    if (changes.Count == MaxChangedRects) return false;
    changes.Rects[changes.Count++] = tiles;
    return true;
}

// The mask's changed tiles as rectangles: runs along each band, joined across small gaps and
// with the same run of the band above. False when they do not fit.
bool ListRects(const TileMask& mask, int32_t joinedGap, PictureChanges& changes) {
    changes.Count = 0;
    for (int32_t band = 0; band < TileRows; ++band) {
        uint64_t tiles = mask[band];
        while (tiles != 0) {
            const int32_t first = __builtin_ctzll(tiles);
            int32_t end = first + __builtin_ctzll(~(tiles >> first));
            for (uint64_t after = tiles >> end; after != 0 && __builtin_ctzll(after) <= joinedGap;
                 after = tiles >> end) {
                end += __builtin_ctzll(after);
                end += __builtin_ctzll(~(tiles >> end));
            }
            tiles &= ~uint64_t{0} << end;
            if (!AddTiles(changes, band, first, end)) return false;
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

void ListChangesSince(uint64_t had, PictureChanges& changes) {
    if (had != 0 && had <= Newest && Newest - had < RememberedPictures) {
        TileMask mask{};
        for (uint64_t n = had + 1; n <= Newest; ++n)
            for (int32_t band = 0; band < TileRows; ++band)
                mask[band] |= Masks[n % RememberedPictures][band];
        // Too scattered to list: joined across ever wider gaps, up to one run a band.
        for (int32_t gap = JoinedGap; gap < 2 * TileColumns; gap = gap * 2 + 1)
            if (ListRects(mask, gap, changes)) return;
    }
    changes.Count = 1;
    changes.Rects[0] = {0, 0, PictureWidth, PictureHeight};
}

void ForgetNotedPictures() {
    Newest = 0;
}
