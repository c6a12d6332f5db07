// Runs a parametrised test on one path of the fused pass, skipped with a clear message
// where the processor cannot run it; the path chosen at start is back afterwards.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "effects/fused_pass.h"

template <typename Param> class OnSimdPath : public ::testing::TestWithParam<Param> {
  protected:
    void SetUp() override {
        const uint8_t path = this->GetParam().Path;
        if (!UseSimdPath(path))
            GTEST_SKIP() << "this processor cannot run the " << SimdPathNames[path] << " path";
    }
    void TearDown() override { ActiveSimdPath = chosen_; }

  private:
    const SimdPath* chosen_ = ActiveSimdPath;
};
