// The 8-bit picture every Linux front end draws into: the effects write palette indices into
// memory, and each front end shows them in 32-bit colour however its display takes them.
// memory_picture.cpp is the half of the display operations that is the same for all of them
// (the mode, the palette, lock and unlock); each front end supplies the rest (device,
// exclusive access, surface) and PictureDrawn.
#pragma once
#include <cstdint>

#include "palettes/palette_catalogue.h"
#include "platform/present/picture_scaling.h"

// On a cache line, as the grid rows are: where the picture lay was the linker's luck, and
// the wide paths' picture stores split a line wherever it did not start one.
struct alignas(64) MemoryPicture {
    alignas(64) uint8_t Pixels[PictureWidth * PictureHeight]; // PictureWidth bytes a line
    PaletteEntry Entries[PaletteSize];
    uint32_t Colours[PaletteSize]; // the entries as XRGB8888, the top byte 0xFF
    // Moves on with every palette change, so a front end that maps the colours into a
    // format of its own, or must show a new palette at once, can tell.
    uint32_t PaletteChanges;
};

extern MemoryPicture Picture;

// Supplied by each front end: a frame has just been drawn into the picture. The unpaced
// saver shows it once a display refresh has passed; paced programs show it on their own
// clock and do nothing here.
void PictureDrawn();
