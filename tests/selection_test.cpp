#include <gtest/gtest.h>

#include "effects/effect_selection.h"
#include "effects/renderers.h"
#include "life/generation.h"
#include "life/grids.h"
#include "life/random_source.h"
#include "test_support.h"

TEST(SelectEffect, ARandomSettingRollsFromTheNextDraw) {
    struct Case {
        int Draw;
        uint8_t Effect;
        EffectRenderer Renderer;
    };
    const Case cases[] = {{6, 7, RenderPlasmaMaxLite}, {7, 1, RenderHeated},
                          {0, 1, RenderHeated},        {32767, 1, RenderHeated},
                          {5, 6, RenderPlasmaMax},     {3, 4, RenderMutantBlobAlternative}};
    for (const Case& c : cases) {
        StartHeadlessWorld(2);
        GraphicEffect = 0;
        SeedRandomSource(StateBeforeDraw(c.Draw));
        SelectEffect();
        EXPECT_EQ(GraphicEffect, c.Effect) << c.Draw;
        EXPECT_TRUE(RandomEffect);
        EXPECT_EQ(ActiveEffectRenderer, c.Renderer) << c.Draw;
    }
}

TEST(SelectEffect, AFixedSettingInstallsItsRendererWithoutADraw) {
    const EffectRenderer expected[] = {
        RenderHeated,     RenderHeatedAlternative, RenderMutantBlob,   RenderMutantBlobAlternative,
        RenderPlasmaLite, RenderPlasmaMax,         RenderPlasmaMaxLite};
    for (uint8_t effect = 1; effect <= 7; ++effect) {
        StartHeadlessWorld(effect);
        EXPECT_EQ(ActiveEffectRenderer, expected[effect - 1]);
        EXPECT_FALSE(RandomEffect);
        EXPECT_EQ(RandomState, 1u) << "no draw taken";
    }
}

TEST(SelectEffect, AnUnknownStoredEffectStillGetsARendererAndKeepsItsByte) {
    for (uint8_t effect : {8, 200, 255}) {
        StartHeadlessWorld(effect);
        EXPECT_EQ(ActiveEffectRenderer, RenderHeated);
        EXPECT_EQ(GraphicEffect, effect);
        EXPECT_FALSE(RandomEffect);
    }
    // Once a renderer runs, such a byte leaves it in place.
    StartHeadlessWorld(6);
    GraphicEffect = 99;
    SelectEffect();
    EXPECT_EQ(ActiveEffectRenderer, RenderPlasmaMax);
}

TEST(NormaliseShades, RoundsDownToMultiplesOfFourAndNeverToZero) {
    const std::pair<uint8_t, uint8_t> cases[] = {
        {0, 0}, {1, 4},     {2, 4},     {3, 4},     {4, 4},     {5, 4},     {7, 4},
        {8, 8}, {128, 128}, {130, 128}, {131, 128}, {254, 252}, {255, 252},
    };
    StartHeadlessWorld(1);
    for (size_t k = 0; k < std::size(cases); ++k)
        CurrentShade(static_cast<int32_t>(10 + k), 20) = cases[k].first;
    NormaliseShades();
    for (size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(CurrentShade(static_cast<int32_t>(10 + k), 20), cases[k].second)
            << +cases[k].first;
    for (int32_t column = 0; column < GridStride; ++column)
        ASSERT_EQ(CurrentShadeGrid[column], 0) << "the border stays zero";
}

TEST(NormaliseShades, LetsPlasmaFadesEndAtExactlyZero) {
    // A 254 left by "Plasma Max" and a 2 both fade by 4 to zero under "Plasma Max Lite".
    StartHeadlessWorld(7);
    NextCell(40, 40) = 1;
    CurrentShade(40, 40) = 254;
    NextCell(80, 80) = 1;
    CurrentShade(80, 80) = 2;
    NormaliseShades();
    EXPECT_EQ(CurrentShade(40, 40), 252);
    EXPECT_EQ(CurrentShade(80, 80), 4);
    for (int frame = 0; frame < 63; ++frame) {
        AdvanceGeneration();
        ActiveEffectRenderer();
    }
    EXPECT_EQ(CurrentShade(40, 40), 0);
    EXPECT_EQ(CurrentShade(80, 80), 0);
}

TEST(SelectEffect, AtSetUpTheEffectIsRolledBeforeThePalette) {
    StartHeadlessWorld(0, 0, NativeDisplay, 0, 777);
    const uint32_t effectState = StepLcg(777);
    const uint32_t paletteState = StepLcg(effectState);
    EXPECT_EQ(GraphicEffect, LcgDraw(effectState) % 7 + 1);
    EXPECT_EQ(PaletteScheme, LcgDraw(paletteState) % 36 + 1);
    EXPECT_TRUE(RandomEffect && RandomPalette);
}
