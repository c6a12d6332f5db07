#include "platform/present/picture_scaling.h"

#include <cstring>

namespace {
// Window positions 0..size-1 over count picture positions: position p covers those whose
// nearest picture position, floor(x * count / size), is p.
void CountRuns(int32_t size, int32_t count, uint16_t* runs, int32_t* starts) {
    int32_t start = 0;
    for (int32_t p = 0; p < count; ++p) {
        const int32_t end = static_cast<int32_t>((int64_t{p + 1} * size + count - 1) / count);
        starts[p] = start;
        runs[p] = static_cast<uint16_t>(end - start);
        start = end;
    }
    starts[count] = start;
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
    CountRuns(fit.Rect.Width, PictureWidth, fit.ColumnRuns, fit.ColumnStarts);
    CountRuns(fit.Rect.Height, PictureHeight, fit.LineRuns, fit.LineStarts);
}

void ScalePicture(const uint8_t* indices, int32_t pitch, const uint32_t* colours,
                  const PictureFit& fit, uint8_t* window, int32_t windowPitch) {
    ScalePictureArea(indices, pitch, colours, fit, {0, 0, PictureWidth, PictureHeight}, window,
                     windowPitch);
}

PictureRect WindowAreaOf(const PictureFit& fit, const PictureRect& part) {
    const int32_t left = fit.ColumnStarts[part.X], top = fit.LineStarts[part.Y];
    return {fit.Rect.X + left, fit.Rect.Y + top, fit.ColumnStarts[part.X + part.Width] - left,
            fit.LineStarts[part.Y + part.Height] - top};
}

void ScalePictureArea(const uint8_t* indices, int32_t pitch, const uint32_t* colours,
                      const PictureFit& fit, const PictureRect& part, uint8_t* window,
                      int32_t windowPitch) {
    const PictureRect area = WindowAreaOf(fit, part);
    uint8_t* line = window + int64_t{area.Y} * windowPitch + int64_t{area.X} * 4;
    const size_t lineBytes = static_cast<size_t>(area.Width) * 4;
    indices += int64_t{part.Y} * pitch + part.X;
    for (int32_t y = part.Y; y < part.Y + part.Height; ++y, indices += pitch) {
        const int32_t repeats = fit.LineRuns[y];
        if (repeats == 0) continue;
        auto* to = reinterpret_cast<uint32_t*>(line);
        for (int32_t x = 0; x < part.Width; ++x) {
            const uint32_t colour = colours[indices[x]];
            for (int32_t run = fit.ColumnRuns[part.X + x]; run > 0; --run)
                *to++ = colour;
        }
        for (int32_t copy = 1; copy < repeats; ++copy)
            std::memcpy(line + int64_t{copy} * windowPitch, line, lineBytes);
        line += int64_t{repeats} * windowPitch;
    }
}
