// Every path this build and processor can run, checked against the reference restatement
// with no test framework, so that the cross builds can prove theirs: the aarch64 build under
// qemu, the Windows build under Wine. One line a path, after the start-up choice's line if
// GLIMMERHEX_SIMD was refused; exit status 1 on any difference.
#include <cstdio>
#include <string>
#include <vector>

#include "effects/effect_frame.h"
#include "effects/fused_pass.h"
#include "reference_checks.h"

int main() {
    // The start-up choice first, as the saver makes it: GLIMMERHEX_SIMD is honoured or
    // refused on stderr.
    ChooseSimdPath();
    bool runnable[SimdPathCount];
    FindRunnableSimdPaths(runnable);
    const std::vector<TickEvent> events = {{3, 'X'}, {5, 'L'}, {12, 'A'}, {20, 'L'}, {21, 'A'}};
    int failures = 0;
    for (uint8_t path = 0; path < SimdPathCount; ++path) {
        if (!runnable[path]) {
            std::printf("%s: not run, this build or processor lacks it\n", SimdPathNames[path]);
            continue;
        }
        UseSimdPath(path);
        int runs = 0;
        std::string failure;
        for (uint8_t effect = 1; effect <= 7 && failure.empty(); ++effect) {
            const bool video = effect % 2 == 0;
            for (const ReferenceCase c : {ReferenceCase{effect, NativeDisplay, 352, video},
                                          ReferenceCase{effect, DoubledDisplay, 640, !video}}) {
                failure = CompareFramesWithReference(c, 4);
                if (failure.empty())
                    failure = CompareTicksWithReference(c, 4 + effect % 2, 30, events);
                if (!failure.empty()) {
                    failure = "effect " + std::to_string(effect) + ": " + failure;
                    break;
                }
                runs += 2;
            }
        }
        if (failure.empty()) {
            std::printf("%s: %d runs agree with the restatement\n", SimdPathNames[path], runs);
        } else {
            std::printf("%s: %s\n", SimdPathNames[path], failure.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
