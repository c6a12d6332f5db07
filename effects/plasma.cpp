// "Plasma Lite", "Plasma Max" and "Plasma Max Lite": cells with three live neighbours
// flash and take a fresh shade; dead cells fade in place by a fixed step. Nothing else
// is drawn, so the picture keeps every pixel that did not change.
#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "effects/row_views.h"

namespace {
template <int32_t Step, uint8_t Fresh, uint8_t Fade>
void PlasmaRow(int32_t firstCell, uint8_t* pixels) {
    const CellRowViews cells = ViewCellRow(firstCell);
    uint8_t* __restrict shades = CurrentShadeGrid + firstCell;
    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t n = CountLiveNeighbours(cells, x);
        if (n == 3) {
            cells.Next[x] = 1;
            shades[x] = Fresh;
            pixels[x * Step] = 255;
        } else if (n == 2 && cells.Self[x] != 0) {
            cells.Next[x] = 1;
        } else {
            cells.Next[x] = 0;
            if (shades[x] != 0) {
                const uint8_t faded = static_cast<uint8_t>(shades[x] - Fade);
                shades[x] = faded;
                pixels[x * Step] = faded;
            }
        }
    }
}

template <uint8_t Fresh, uint8_t Fade> void RenderPlasmaFrame() {
    RunEffectFrame(PlasmaRow<1, Fresh, Fade>, PlasmaRow<2, Fresh, Fade>);
}
} // namespace

void RenderPlasmaLite() { RenderPlasmaFrame<128, 2>(); }
void RenderPlasmaMax() { RenderPlasmaFrame<254, 2>(); }
void RenderPlasmaMaxLite() { RenderPlasmaFrame<252, 4>(); }
