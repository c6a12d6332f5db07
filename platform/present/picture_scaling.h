// The 320 x 200 picture in a window of any size: the largest rectangle of its aspect,
// centred, with black bars around it, and nearest-neighbour scaling so pixels stay sharp.
#pragma once
#include <cstdint>

inline constexpr int32_t PictureWidth = 320;
inline constexpr int32_t PictureHeight = 200;

struct PictureRect {
    int32_t X, Y, Width, Height;
};

// How the picture fits a window: where it goes, and how many window columns and lines
// each picture column and line covers (0 where a tiny window drops some).
struct PictureFit {
    PictureRect Rect;
    uint16_t ColumnRuns[PictureWidth];
    uint16_t LineRuns[PictureHeight];
    // Where each picture column and line starts within the rectangle; the last entry is its
    // width or height.
    int32_t ColumnStarts[PictureWidth + 1];
    int32_t LineStarts[PictureHeight + 1];
};

// The rectangle alone, for a presenter that scales by itself; then the runs as well.
void FitPictureRect(int32_t windowWidth, int32_t windowHeight, PictureRect& rect);
void FitPicture(int32_t windowWidth, int32_t windowHeight, PictureFit& fit);

// Draws the picture's palette indices as 32-bit colours into the fitted rectangle of a
// window whose first pixel is window and whose lines are windowPitch bytes apart. Each
// window line is built once per picture line and copied for the lines that repeat it.
void ScalePicture(const uint8_t* indices, int32_t pitch, const uint32_t* colours,
                  const PictureFit& fit, uint8_t* window, int32_t windowPitch);
// The same for one part of the picture (in picture pixels) alone: the window pixels it covers,
// which WindowAreaOf gives, come out as they would in the whole picture's drawing.
void ScalePictureArea(const uint8_t* indices, int32_t pitch, const uint32_t* colours,
                      const PictureFit& fit, const PictureRect& part, uint8_t* window,
                      int32_t windowPitch);
PictureRect WindowAreaOf(const PictureFit& fit, const PictureRect& part);
