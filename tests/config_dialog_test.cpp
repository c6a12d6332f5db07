#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_store.h"
#include "platform/headless/headless_window.h"
#include "settings/config_dialog.h"
#include "settings/saver_settings.h"
#include "shell/start_up.h"

namespace {
class ConfigDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHeadlessStore();
        ResetHeadlessDialog();
        ResetHeadlessWindow();
        GraphicEffect = PaletteScheme = 0;
    }
    static void Stored(uint8_t effect, uint8_t scheme) {
        StoreHeadlessByte("Version", 3);
        StoreHeadlessByte("GraphicEffect", effect);
        StoreHeadlessByte("PaletteScheme", scheme);
    }
    static int StoredByte(const std::string& name) {
        const auto found = HeadlessStore.Values.find(name);
        return found == HeadlessStore.Values.end() || found->second.Data.size() != 1
                   ? -1
                   : found->second.Data[0];
    }
    // A fresh process opening the dialog, as "glimmerhex /c" would.
    static void Open(std::vector<HeadlessDialogStep> script) {
        GraphicEffect = PaletteScheme = 0;
        HeadlessDialog.Script = std::move(script);
        HeadlessStore.Writes.clear();
        EXPECT_EQ(RunProgram(nullptr, "/c", 10), 0);
    }
};
} // namespace

TEST_F(ConfigDialog, AFirstRunShowsRandomTwiceAndCreatesTheStore) {
    Open({{PressCancel}});
    EXPECT_EQ(HeadlessDialog.ShownEffect, "<Random>");
    EXPECT_EQ(HeadlessDialog.ShownPalette, "<Random>");
    EXPECT_EQ(StoredByte("Version"), 3);
    EXPECT_EQ(StoredByte("GraphicEffect"), 0);
    EXPECT_EQ(StoredByte("PaletteScheme"), 0);
    EXPECT_EQ(HeadlessDialog.InitResult, 1);
    EXPECT_EQ(HeadlessDialog.Result, 42);
}

TEST_F(ConfigDialog, TheListsHoldEveryEntryInTableOrder) {
    Open({{PressCancel}});
    EXPECT_EQ(HeadlessDialog.Effects.Entries,
              (std::vector<std::string>{"<Random>", "Heated", "Heated (Alternative)", "Mutant Blob",
                                        "Mutant Blob (Alternative)", "Plasma Lite", "Plasma Max",
                                        "Plasma Max Lite"}));
    ASSERT_EQ(HeadlessDialog.Palettes.Entries.size(), 37u);
    EXPECT_EQ(HeadlessDialog.Palettes.Entries[1], "Blue");
    EXPECT_EQ(HeadlessDialog.Palettes.Entries[13], "Cyan Bar");
    EXPECT_EQ(HeadlessDialog.Palettes.Entries[36], "Yellow - Green - Red - Blue Smooth");
}

TEST_F(ConfigDialog, StoredChoicesAreShown) {
    Stored(5, 36);
    Open({{PressCancel}});
    EXPECT_EQ(HeadlessDialog.ShownEffect, "Plasma Lite");
    EXPECT_EQ(HeadlessDialog.ShownPalette, "Yellow - Green - Red - Blue Smooth");
}

TEST_F(ConfigDialog, ChoosingAndOkStoresTheChoice) {
    Stored(5, 36);
    Open({{ChooseEntry, PaletteList, 22}, {PressOk}});
    EXPECT_EQ(StoredByte("PaletteScheme"), 22);
    EXPECT_EQ(StoredByte("GraphicEffect"), 5);
    EXPECT_FALSE(HeadlessStore.UnflushedWrites);
    EXPECT_EQ(HeadlessDialog.Result, 42);
}

TEST_F(ConfigDialog, CancelEscapeAndTheCloseBoxWriteNothing) {
    for (HeadlessDialogAction leave : {PressCancel, PressEscape, CloseBox}) {
        SetUp();
        Stored(2, 9);
        Open({{ChooseEntry, EffectList, 6}, {ChooseEntry, PaletteList, 1}, {leave}});
        EXPECT_TRUE(HeadlessStore.Writes.empty()) << leave;
        EXPECT_TRUE(HeadlessDialog.Ended);
        Open({{PressCancel}});
        EXPECT_EQ(HeadlessDialog.ShownEffect, "Heated (Alternative)") << leave;
        EXPECT_EQ(HeadlessDialog.ShownPalette, "Blue - Red - Green - Yellow Smooth") << leave;
    }
}

TEST_F(ConfigDialog, OkWithoutAChangeWritesTheLoadedBytesBack) {
    Stored(7, 200);
    Open({{NotifyOnly, EffectList}, {PressOk}});
    EXPECT_EQ(HeadlessDialog.ShownPalette, "") << "an index beyond the list shows no selection";
    EXPECT_EQ(HeadlessStore.Writes, (std::vector<std::string>{"GraphicEffect", "PaletteScheme"}));
    EXPECT_EQ(StoredByte("GraphicEffect"), 7);
    EXPECT_EQ(StoredByte("PaletteScheme"), 200);
}

TEST_F(ConfigDialog, EveryNotificationCopiesTheSelectionAndNoneIs255) {
    Stored(3, 3);
    Open({{NotifyOnly, PaletteList}, {ClearEntry, EffectList}, {PressOk}});
    EXPECT_EQ(StoredByte("GraphicEffect"), 255);
    EXPECT_EQ(StoredByte("PaletteScheme"), 3);
}

TEST_F(ConfigDialog, OtherMessagesAndControlsAreLeftAlone) {
    EXPECT_EQ(ConfigDialogProc(nullptr, WmCommand, TitleTextId, 0), 0);
    EXPECT_EQ(ConfigDialogProc(nullptr, 0x0200, 0, 0), 0);
    EXPECT_FALSE(HeadlessDialog.Ended);
}

TEST_F(ConfigDialog, TheTemplateLaysOutSevenControlsInTabOrder) {
    const int32_t ids[] = {IdOk, TitleTextId, EffectList, PaletteList, -1, -1, IdCancel};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(DialogControls[i].Id, ids[i]);
    // Every control lies inside the 200 x 130 dialog, Cancel left of OK on one line.
    for (const DialogControl& c : DialogControls) {
        EXPECT_LE(c.X + c.Width, DialogWidth) << c.Text;
        EXPECT_LE(c.Y, DialogHeight) << c.Text;
    }
    EXPECT_EQ(DialogControls[6].X + DialogControls[6].Width, DialogControls[0].X);
    EXPECT_EQ(DialogControls[6].Y, DialogControls[0].Y);
}
