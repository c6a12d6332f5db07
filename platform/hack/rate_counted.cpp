// For tests only: counts generations and presents and reports their rates on exit, per
// second of time and per second of this process's own processor time (which the other
// work of a shared machine does not change).
#include <time.h>

#include <cstdio>

#include "platform/hack/hack_state.h"

namespace {
uint64_t Generations = 0;
uint64_t Presents = 0;
int64_t FirstGeneration = 0;
int64_t LastGeneration = 0;
int64_t FirstProcessorTime = 0;

int64_t ProcessorNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}
} // namespace

void NoteGeneration() {
    LastGeneration = SteadyNanoseconds();
    if (Generations++ == 0) {
        FirstGeneration = LastGeneration;
        FirstProcessorTime = ProcessorNanoseconds();
    }
}

void NotePresent() {
    ++Presents;
}

void ReportRates() {
    const double seconds = static_cast<double>(LastGeneration - FirstGeneration) / 1e9;
    const double processor = static_cast<double>(ProcessorNanoseconds() - FirstProcessorTime) / 1e9;
    const double counted = static_cast<double>(Generations > 0 ? Generations - 1 : 0);
    std::fprintf(stderr,
                 "generations=%llu presents=%llu generations_per_second=%.1f "
                 "generations_per_cpu_second=%.1f presenter=%s\n",
                 static_cast<unsigned long long>(Generations),
                 static_cast<unsigned long long>(Presents), seconds > 0 ? counted / seconds : 0.0,
                 processor > 0 ? counted / processor : 0.0, PresenterName());
}
