// Picture writers for glimmerhex-render: raw frame bytes, a palettised PNG and an
// animated GIF whose frames each carry the palette in force when they were taken.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "palettes/palette_catalogue.h"

struct FrameImage {
    const uint8_t* Pixels;
    int32_t Width, Height, Pitch;
    const PaletteEntry* Colours; // 256 entries
};

// Each returns an empty string on success, otherwise what went wrong.
std::string WriteRawFrame(int fd, const FrameImage& frame);
std::string WritePngFrame(int fd, const FrameImage& frame);

struct GifWriter; // an animation being written
GifWriter* BeginGif(int fd, int32_t width, int32_t height, std::string& error);
std::string AddGifFrame(GifWriter* gif, const FrameImage& frame, int32_t delayCentiseconds);
std::string EndGif(GifWriter* gif);
