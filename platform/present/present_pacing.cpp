#include "platform/present/present_pacing.h"

#include <algorithm>
#include <chrono>

int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t RefreshInterval(int hertz) {
    return 1'000'000'000 / (hertz > 0 ? hertz : 60);
}

void NotePresentTook(PresentPace& pace, int64_t started, int64_t finished) {
    pace.Next = started + std::max(pace.Interval, 20 * (finished - started));
}
