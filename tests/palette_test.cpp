#include <gtest/gtest.h>

#include <cstring>

#include "life/random_source.h"
#include "palettes/palette_catalogue.h"
#include "palettes/palette_selection.h"
#include "platform/headless/headless_display.h"
#include "ports/display_objects.h"
#include "test_support.h"

namespace {
uint64_t Fnv1a(const Palette& palette) {
    uint64_t hash = 0xcbf29ce484222325ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(palette.Entries);
    for (size_t i = 0; i < sizeof palette.Entries; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

struct SchemeHash {
    int Scheme;
    uint64_t Hash;
};

// FNV-1a of the 1024 palette bytes, computed by a separate script that evaluated the
// catalogue's written band expressions one entry at a time.
const SchemeHash CatalogueHashes[] = {
    {1, 0xb4d3d31e0e7a3725ull},  {2, 0x990eb34c16742b25ull},  {3, 0x3ca110328dfa84ccull},
    {4, 0x575cdd77e009b325ull},  {5, 0xb7d223202fcb4f4aull},  {6, 0xe08b939a2b474d25ull},
    {7, 0x00ad62d7a255ed25ull},  {8, 0x3e8c739d167cab0bull},  {9, 0xdbd254630df64c25ull},
    {10, 0x279dd3d42869ad25ull}, {11, 0x300522d8287a1725ull}, {12, 0x1268c37f209cf725ull},
    {13, 0x4d95381c3e73f8a7ull}, {14, 0x49e308572e40bf25ull}, {15, 0xa35af4204e820e8dull},
    {16, 0x12839e5a1b709925ull}, {17, 0x400be434dc883325ull}, {18, 0xa5f314cd36527f0bull},
    {19, 0x60c49a6829b07925ull}, {20, 0xd2c12d983fdd9725ull}, {21, 0x5e58770f2f09ab25ull},
    {22, 0x766c0ebb53985f25ull}, {23, 0x818c7e5aef21fd25ull}, {24, 0x8084b7f6c938af25ull},
    {25, 0x398a430dc949b325ull}, {26, 0x31bd4f436b4958b2ull}, {27, 0xd71b6e1146ae9d25ull},
    {28, 0x8a4ddaa2a61cd525ull}, {29, 0x2491970e5f8ff50bull}, {30, 0xba0c32c892049725ull},
    {31, 0xb922276f8f9ff8ccull}, {32, 0xc86b6b9a0dce3725ull}, {33, 0x365422341bc9870bull},
    {34, 0x5172ce6c04a9bb30ull}, {35, 0xf50a26e56e5ded25ull}, {36, 0x1499f5664b344425ull},
};

struct Entry {
    int Scheme;
    int Index;
    uint8_t Red, Green, Blue;
};

const Entry NotableEntries[] = {
    // Every band of these starts again from black.
    {2, 64, 0, 0, 0},
    {2, 128, 0, 0, 0},
    {2, 192, 0, 0, 0},
    {7, 64, 0, 0, 0},
    {7, 128, 0, 0, 0},
    {7, 192, 0, 0, 0},
    {35, 64, 0, 0, 0},
    {35, 128, 0, 0, 0},
    {35, 192, 0, 0, 0},
    {4, 128, 0, 0, 0},
    {10, 128, 0, 0, 0},
    {14, 128, 0, 0, 0},
    {25, 128, 0, 0, 0},
    {28, 128, 0, 0, 0},
    // Bar schemes: dim end of the last ramp, then a full-intensity entry 255.
    {5, 254, 4, 0, 0},
    {5, 255, 255, 0, 0},
    {31, 254, 2, 2, 2},
    {31, 255, 255, 255, 255},
    {3, 254, 8, 8, 8},
    {3, 255, 255, 255, 255},
    // Held channels step up where a ramp meets them.
    {19, 127, 254, 0, 0},
    {19, 128, 255, 0, 0},
    {21, 127, 0, 0, 254},
    {21, 128, 0, 0, 255},
    {16, 127, 0, 254, 254},
    {16, 128, 0, 254, 255},
    {9, 191, 0, 252, 0},
    {9, 192, 0, 255, 0},
    {36, 63, 252, 252, 0},
    {36, 64, 252, 255, 0},
    // Entry 255 of the schemes without a last colour.
    {30, 255, 255, 255, 255},
    {10, 255, 254, 254, 0},
    {19, 255, 255, 254, 0},
    {2, 255, 252, 252, 252},
    {20, 255, 252, 252, 252},
    {36, 255, 0, 0, 252},
    // Single colours: entry i holds i in the lit channels.
    {1, 200, 0, 0, 200},
    {12, 77, 0, 77, 77},
    {23, 9, 9, 0, 9},
};
} // namespace

TEST(PaletteCatalogue, EverySchemeMatchesItsIndependentlyComputedBytes) {
    ASSERT_EQ(std::size(CatalogueHashes), 36u);
    for (const SchemeHash& expected : CatalogueHashes) {
        Palette palette;
        std::memset(&palette, 0xEE, sizeof palette);
        BuildSchemePalette(expected.Scheme, palette);
        EXPECT_EQ(Fnv1a(palette), expected.Hash) << "scheme " << expected.Scheme;
    }
}

TEST(PaletteCatalogue, NotableEntries) {
    for (const Entry& e : NotableEntries) {
        Palette palette;
        BuildSchemePalette(e.Scheme, palette);
        const PaletteEntry& got = palette.Entries[e.Index];
        EXPECT_EQ(+got.Red, +e.Red) << "scheme " << e.Scheme << " entry " << e.Index;
        EXPECT_EQ(+got.Green, +e.Green) << "scheme " << e.Scheme << " entry " << e.Index;
        EXPECT_EQ(+got.Blue, +e.Blue) << "scheme " << e.Scheme << " entry " << e.Index;
    }
}

TEST(PaletteCatalogue, EntryZeroIsBlackAndFlagsAreZeroEverywhere) {
    for (int scheme = 1; scheme <= 36; ++scheme) {
        Palette palette;
        std::memset(&palette, 0xEE, sizeof palette);
        BuildSchemePalette(scheme, palette);
        EXPECT_EQ(palette.Entries[0].Red + palette.Entries[0].Green + palette.Entries[0].Blue, 0)
            << "scheme " << scheme;
        for (const PaletteEntry& entry : palette.Entries)
            ASSERT_EQ(entry.Flags, 0) << "scheme " << scheme;
    }
}

TEST(PaletteCatalogue, NamesFollowTheDialogOrder) {
    EXPECT_STREQ(PaletteSchemeNames[0], "<Random>");
    EXPECT_STREQ(PaletteSchemeNames[8], "Blue - Red - Green - Yellow Bars");
    EXPECT_STREQ(PaletteSchemeNames[22], "Icy Heat");
    EXPECT_STREQ(PaletteSchemeNames[36], "Yellow - Green - Red - Blue Smooth");
}

class PaletteSelection : public ::testing::Test {
  protected:
    void SetUp() override { StartHeadlessWorld(1, 1); }
    static Palette Scheme(int scheme) {
        Palette palette;
        BuildSchemePalette(scheme, palette);
        return palette;
    }
    static bool Shows(const Palette& palette) {
        return std::memcmp(HeadlessDisplay.Colours, palette.Entries, sizeof palette.Entries) == 0;
    }
};

TEST_F(PaletteSelection, ZeroRollsAndRecordsTheRoll) {
    PaletteScheme = 0;
    SeedRandomSource(12345);
    const uint32_t before = RandomState;
    ASSERT_TRUE(SelectPalette());
    SeedRandomSource(before);
    const int expected = DrawRandom() % 36 + 1;
    EXPECT_EQ(PaletteScheme, expected);
    EXPECT_TRUE(RandomPalette);
    EXPECT_TRUE(Shows(Scheme(expected)));
}

TEST_F(PaletteSelection, OutOfRangeSchemesShowSchemeEightAndKeepTheirByte) {
    for (int value : {8, 37, 200, 255}) {
        PaletteScheme = static_cast<uint8_t>(value);
        const uint32_t state = RandomState;
        ASSERT_TRUE(SelectPalette());
        EXPECT_TRUE(Shows(Scheme(8))) << value;
        EXPECT_EQ(PaletteScheme, value);
        EXPECT_FALSE(RandomPalette);
        EXPECT_EQ(RandomState, state) << "a fixed scheme takes no draw";
    }
}

TEST_F(PaletteSelection, PaletteIsCreatedOnceThenRewrittenWhole) {
    EXPECT_EQ(HeadlessDisplay.PaletteCreations, 1);
    PlatformPalette* const first = PaletteObject;
    PaletteScheme = 19;
    ASSERT_TRUE(SelectPalette());
    PaletteScheme = 22;
    ASSERT_TRUE(SelectPalette());
    EXPECT_EQ(HeadlessDisplay.PaletteCreations, 1);
    EXPECT_EQ(HeadlessDisplay.PaletteRewrites, 2);
    EXPECT_EQ(PaletteObject, first);
    EXPECT_TRUE(Shows(Scheme(22)));
}

TEST_F(PaletteSelection, FailuresAreReportedAsFalse) {
    HeadlessDisplay.SetEntriesResult = DisplayFailed;
    PaletteScheme = 0;
    EXPECT_FALSE(SelectPalette());
    EXPECT_NE(PaletteScheme, 0) << "the roll is kept whatever the display shows";

    ReleaseDisplayObjects();
    CreateDisplayDevice(&DisplayDevice);
    HeadlessDisplay.CreatePaletteResult = 1; // any non-zero value is a failure
    PaletteScheme = 3;
    EXPECT_FALSE(SelectPalette());
    EXPECT_EQ(PaletteObject, nullptr);
}
