#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_store.h"
#include "ports/store_port.h"
#include "settings/saver_settings.h"
#include "settings/settings_store.h"

namespace {
class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetHeadlessStore();
        GraphicEffect = 0;
        PaletteScheme = 0;
    }
    static std::vector<uint8_t> Stored(const std::string& name) {
        const auto found = HeadlessStore.Values.find(name);
        return found == HeadlessStore.Values.end() ? std::vector<uint8_t>{} : found->second.Data;
    }
    static std::vector<uint8_t> Byte(uint8_t value) { return {value}; }
};
} // namespace

TEST_F(SettingsStore, AFirstLoadCreatesTheKeyWithTheValuesInMemory) {
    LoadSettings();
    EXPECT_TRUE(HeadlessStore.KeyExists);
    EXPECT_EQ(HeadlessStore.Writes,
              (std::vector<std::string>{"Version", "GraphicEffect", "PaletteScheme"}));
    EXPECT_EQ(Stored("Version"), Byte(3));
    EXPECT_EQ(Stored("GraphicEffect"), Byte(0));
    EXPECT_EQ(Stored("PaletteScheme"), Byte(0));
    EXPECT_EQ(HeadlessStore.Values["Version"].Type, 3u);
    EXPECT_FALSE(HeadlessStore.UnflushedWrites);
    EXPECT_EQ(HeadlessStore.OpenCalls, 2);
    EXPECT_EQ(GraphicEffect, 0);
    EXPECT_EQ(PaletteScheme, 0);
}

TEST_F(SettingsStore, VersionTwoIsRaisedToThreeAndOtherVersionsStay) {
    for (uint8_t version : {1, 2, 3, 4, 255}) {
        ResetHeadlessStore();
        StoreHeadlessByte("Version", version);
        StoreHeadlessByte("GraphicEffect", 4);
        StoreHeadlessByte("PaletteScheme", 12);
        LoadSettings();
        EXPECT_EQ(Stored("Version"), Byte(version == 2 ? 3 : version)) << +version;
        EXPECT_EQ(GraphicEffect, 4);
        EXPECT_EQ(PaletteScheme, 12);
        EXPECT_EQ(HeadlessStore.CreateCalls, 0);
    }
}

TEST_F(SettingsStore, OnlyOneByteValuesAreTakenWhateverTheirType) {
    struct Case {
        HeadlessStoredValue Value;
        uint8_t Expected;
    };
    const Case cases[] = {
        {{3, {6}}, 6},          // binary
        {{4, {6, 0, 0, 0}}, 9}, // a four-byte number does not fit: kept
        {{3, {}}, 9},           // empty: kept
        {{3, {6, 7}}, 9},       // too long: kept
        {{1, {6}}, 6},          // another type, one byte: taken
        {{11, {6}}, 6},
    };
    for (const Case& c : cases) {
        ResetHeadlessStore();
        StoreHeadlessByte("Version", 3);
        HeadlessStore.Values["GraphicEffect"] = c.Value;
        GraphicEffect = 9;
        LoadSettings();
        EXPECT_EQ(GraphicEffect, c.Expected)
            << "type " << c.Value.Type << " size " << c.Value.Data.size();
    }
}

TEST_F(SettingsStore, AMissingValueKeepsTheSettingInMemory) {
    StoreHeadlessByte("Version", 3);
    StoreHeadlessByte("PaletteScheme", 30);
    GraphicEffect = 5;
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 5);
    EXPECT_EQ(PaletteScheme, 30);
}

TEST_F(SettingsStore, OutOfRangeBytesTravelUnchanged) {
    StoreHeadlessByte("Version", 3);
    StoreHeadlessByte("GraphicEffect", 77);
    StoreHeadlessByte("PaletteScheme", 200);
    LoadSettings();
    EXPECT_EQ(PaletteScheme, 200);
    HeadlessStore.Writes.clear();
    SaveSettings();
    EXPECT_EQ(Stored("PaletteScheme"), Byte(200));
    EXPECT_EQ(Stored("GraphicEffect"), Byte(77));
    EXPECT_EQ(HeadlessStore.Writes, (std::vector<std::string>{"GraphicEffect", "PaletteScheme"}));
    EXPECT_FALSE(HeadlessStore.UnflushedWrites);
}

TEST_F(SettingsStore, ASaveAfterTheKeyWasDeletedCreatesItWithTheNewChoices) {
    GraphicEffect = 5;
    PaletteScheme = 22;
    SaveSettings();
    EXPECT_EQ(Stored("Version"), Byte(3));
    EXPECT_EQ(Stored("GraphicEffect"), Byte(5));
    EXPECT_EQ(Stored("PaletteScheme"), Byte(22));
    EXPECT_FALSE(HeadlessStore.UnflushedWrites);
}

TEST_F(SettingsStore, AStoreThatCannotBeOpenedOrCreatedLeavesEverythingAsItWas) {
    HeadlessStore.OpenFailures = -1;
    HeadlessStore.CreateResult = StoreAccessDenied;
    GraphicEffect = 3;
    PaletteScheme = 4;
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(GraphicEffect, 3);
    EXPECT_EQ(PaletteScheme, 4);
    EXPECT_FALSE(HeadlessStore.KeyExists);
    EXPECT_TRUE(HeadlessStore.Writes.empty());
    EXPECT_EQ(HeadlessStore.CloseCalls, 0) << "nothing opened, nothing to close";
}

TEST_F(SettingsStore, AKeyThatOpensOnlyAfterCreationIsStillRead) {
    StoreHeadlessByte("Version", 3);
    StoreHeadlessByte("GraphicEffect", 2);
    HeadlessStore.OpenFailures = 1;
    LoadSettings();
    EXPECT_EQ(HeadlessStore.CreateCalls, 1);
    EXPECT_EQ(GraphicEffect, 0) << "creation wrote the values in memory first";

    ResetHeadlessStore();
    StoreHeadlessByte("Version", 3);
    HeadlessStore.OpenFailures = 2; // created, but still not openable
    GraphicEffect = 6;
    LoadSettings();
    EXPECT_EQ(GraphicEffect, 6);
    EXPECT_EQ(HeadlessStore.CloseCalls, 1) << "only the created key was closed";
}
