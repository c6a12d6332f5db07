#include "platform/present/picture_scaling.h"

#include <cstring>

namespace {
// Window positions 0..size-1 over count picture positions: position p covers those whose
// nearest picture position, floor(x * count / size), is p.
void CountRuns(int32_t size, int32_t count, uint16_t* runs) {
    int32_t start = 0;
    for (int32_t p = 0; p < count; ++p) {
        const int32_t end = static_cast<int32_t>((int64_t{p + 1} * size + count - 1) / count);
        runs[p] = static_cast<uint16_t>(end - start);
        start = end;
    }
}
} // namespace

void FitPictureRect(int32_t windowWidth, int32_t windowHeight, PictureRect& rect) {
    const int64_t width = windowWidth > 0 ? windowWidth : 0;
    const int64_t height = windowHeight > 0 ? windowHeight : 0;
    if (width * PictureHeight <= height * PictureWidth) { // bars above and below
        rect.Width = static_cast<int32_t>(width);
        rect.Height =
            static_cast<int32_t>((width * PictureHeight + PictureWidth / 2) / PictureWidth);
    } else { // bars left and right
        rect.Height = static_cast<int32_t>(height);
        rect.Width =
            static_cast<int32_t>((height * PictureWidth + PictureHeight / 2) / PictureHeight);
    }
    rect.X = static_cast<int32_t>((width - rect.Width) / 2);
    rect.Y = static_cast<int32_t>((height - rect.Height) / 2);
}

void FitPicture(int32_t windowWidth, int32_t windowHeight, PictureFit& fit) {
    FitPictureRect(windowWidth, windowHeight, fit.Rect);
    CountRuns(fit.Rect.Width, PictureWidth, fit.ColumnRuns);
    CountRuns(fit.Rect.Height, PictureHeight, fit.LineRuns);
}

void ScalePicture(const uint8_t* indices, int32_t pitch, const uint32_t* colours,
                  const PictureFit& fit, uint8_t* window, int32_t windowPitch) {
    const PictureRect& rect = fit.Rect;
    uint8_t* line = window + int64_t{rect.Y} * windowPitch + int64_t{rect.X} * 4;
    const size_t lineBytes = static_cast<size_t>(rect.Width) * 4;
    for (int32_t y = 0; y < PictureHeight; ++y, indices += pitch) {
        const int32_t repeats = fit.LineRuns[y];
        if (repeats == 0) continue;
        auto* to = reinterpret_cast<uint32_t*>(line);
        for (int32_t x = 0; x < PictureWidth; ++x) {
            const uint32_t colour = colours[indices[x]];
            for (int32_t run = fit.ColumnRuns[x]; run > 0; --run)
                *to++ = colour;
        }
        for (int32_t copy = 1; copy < repeats; ++copy)
            std::memcpy(line + int64_t{copy} * windowPitch, line, lineBytes);
        line += int64_t{repeats} * windowPitch;
    }
}
