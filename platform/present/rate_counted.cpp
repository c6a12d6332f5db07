// For tests only: counts generations and presents and reports their rates on exit.
#include <cstdint>
#include <cstdio>

#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"

namespace {
uint64_t Generations = 0;
uint64_t Presents = 0;
int64_t FirstGeneration = 0;
int64_t LastGeneration = 0;
} // namespace

void NoteGeneration() {
    LastGeneration = SteadyNanoseconds();
    if (Generations++ == 0) FirstGeneration = LastGeneration;
}

void NotePresent() {
    ++Presents;
}

void ReportRates(const char* presenter) {
    const double seconds = static_cast<double>(LastGeneration - FirstGeneration) / 1e9;
    std::fprintf(
        stderr, "generations=%llu presents=%llu generations_per_second=%.1f presenter=%s\n",
        static_cast<unsigned long long>(Generations), static_cast<unsigned long long>(Presents),
        seconds > 0 ? static_cast<double>(Generations - 1) / seconds : 0.0, presenter);
}
