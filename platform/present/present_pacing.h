// When to show the picture: at most once per display refresh, and so that showing it never
// takes more than a twentieth of the time, whatever the display costs (a display drawn in
// software can take longer than a refresh to present).
#pragma once
#include <cstdint>

int64_t SteadyNanoseconds(); // the monotonic clock

struct PresentPace {
    int64_t Next = 0;              // when the next present is due; 0: at once
    int64_t Interval = 16'666'667; // one display refresh
};

// The refresh interval for a rate in hertz; 60 Hz where the display does not say.
int64_t RefreshInterval(int hertz);

inline bool PresentIsDue(const PresentPace& pace, int64_t now) {
    return now >= pace.Next;
}
// After a present that began at started and ended at finished.
void NotePresentTook(PresentPace& pace, int64_t started, int64_t finished);
