// What changed in the memory picture from one present to the next, so that every place the
// picture is shown from (a window surface, a texture, each shared-memory buffer) is sent only
// what it lacks. Between two generations 4-17% of the pixels change, in 13-32% of the 8 x 4
// tiles: scaling and sending only those tiles is most of what a present can save.
//
// Each place keeps the number of the picture it last received (0: none, or nothing known);
// the pictures noted since are remembered as tile masks, for a place that was not drawn for a
// present or two (a buffer the compositor held) to catch up with all of them at once.
#pragma once
#include <cstdint>

#include "platform/present/picture_scaling.h"

// In picture pixels. A tile's line is one word to compare.
inline constexpr int32_t TileWidth = 8;
inline constexpr int32_t TileHeight = 4;
inline constexpr int32_t TileColumns = PictureWidth / TileWidth;
inline constexpr int32_t TileRows = PictureHeight / TileHeight;
// More boxes than this cost more to send, one request each, than the pixels between them.
inline constexpr int32_t MaxChangedRects = 128;
// A place that held a buffer back for this many pictures or more is drawn whole: more than two
// buffers' worth of history is never needed by a compositor that paces its frames.
inline constexpr uint64_t RememberedPictures = 32;

struct PictureChanges {
    int32_t Count;                      // 0: the place already has the newest picture
    PictureRect Rects[MaxChangedRects]; // in picture pixels, apart from one another
};

// Compares a picture (PictureWidth bytes a line; with the number of palette changes made so
// far) with the one noted last, and notes it. Returns its number, from 1 up: the number noted
// last where nothing changed.
uint64_t NotePicture(const uint8_t* pixels, uint32_t paletteChanges);

// What a place that holds picture number had (0: nothing it can keep) lacks of the one noted
// last, in rectangles that cross at most most boxes in all (up to MaxChangedRects), a box being
// a rectangle's part within one band of lines: everything where it holds none, or one too old
// to be remembered. The fewer boxes, the more unchanged pixels they span.
void ListChangesSince(uint64_t had, int32_t most, PictureChanges& changes);

// Forgets every picture noted, as when a run starts over in the same process (the tests).
void ForgetNotedPictures();
