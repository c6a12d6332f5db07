// "Plasma Lite", "Plasma Max" and "Plasma Max Lite": cells with three live neighbours
// flash and take a fresh shade; dead cells fade in place by a fixed step. Nothing else
// is drawn, so the picture keeps every pixel that did not change.
#include <cstring>

#include "effects/effect_frame.h"
#include "effects/renderers.h"
#include "effects/row_views.h"

namespace {
template <int32_t Step, uint8_t Fresh, uint8_t Fade>
inline void PlasmaKernel(NeighbourRow cells, const uint8_t* __restrict self,
                         uint8_t* __restrict next, uint8_t* __restrict shades,
                         uint8_t* __restrict pixels) {
    // First the whole row branch-free, so it vectorises; then only the marked pixels are
    // written, since the picture keeps every pixel that did not change.
    alignas(16) uint8_t drawn[FieldWidth];
    alignas(16) uint8_t marked[FieldWidth];
    VECTORISE_ROW
    for (int32_t x = 0; x < FieldWidth; ++x) {
        const uint8_t count = CountNeighbours(cells, x);
        const uint8_t live = LifeRule(count, self[x]);
        next[x] = live;
        const uint8_t shade = shades[x];
        const auto threeMask = static_cast<uint8_t>(-(count == 3));
        const auto lit = static_cast<uint8_t>(shade != 0);
        const auto fadeMask = static_cast<uint8_t>(-((live ^ 1) & lit));
        const auto faded = static_cast<uint8_t>(shade - Fade);
        const auto kept = static_cast<uint8_t>((fadeMask & faded) | (~fadeMask & shade));
        shades[x] = static_cast<uint8_t>((threeMask & Fresh) | (~threeMask & kept));
        drawn[x] = static_cast<uint8_t>(threeMask | faded);
        marked[x] = static_cast<uint8_t>(threeMask | fadeMask);
    }
    for (int32_t x = 0; x < FieldWidth; x += 8) {
        uint64_t any;
        std::memcpy(&any, marked + x, sizeof any);
        if (any == 0) continue;
        for (int32_t k = x; k < x + 8; ++k)
            if (marked[k] != 0) pixels[k * Step] = drawn[k];
    }
}

template <int32_t Step, uint8_t Fresh, uint8_t Fade>
void PlasmaRow(int32_t firstCell, uint8_t* pixels) {
    PlasmaKernel<Step, Fresh, Fade>(ViewRow(CellNeighbourViews, firstCell),
                                    CurrentCellGrid + firstCell, NextCellGrid + firstCell,
                                    CurrentShadeGrid + firstCell, pixels);
}

template <uint8_t Fresh, uint8_t Fade> void RenderPlasmaFrame() {
    RunEffectFrame(PlasmaRow<1, Fresh, Fade>, PlasmaRow<2, Fresh, Fade>);
}
} // namespace

void RenderPlasmaLite() {
    RenderPlasmaFrame<128, 2>();
}
void RenderPlasmaMax() {
    RenderPlasmaFrame<254, 2>();
}
void RenderPlasmaMaxLite() {
    RenderPlasmaFrame<252, 4>();
}
