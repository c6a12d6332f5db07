// For tests only: counts generations and presents and reports their rates on exit.
#include <cstdint>
#include <cstdio>

#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"

namespace {
struct {
    uint64_t Generations, Presents;
    int64_t First, Last; // when the first and the latest generation were made
} Counts{};
int64_t ShowAsked = 0;
} // namespace

void NoteGeneration() {
    Counts.Last = SteadyNanoseconds();
    if (Counts.Generations++ == 0) Counts.First = Counts.Last;
}

void NotePresent() {
    ++Counts.Presents;
}

void NoteShowAsked() {
    ShowAsked = SteadyNanoseconds();
}

void NoteEveryOutputShown(int outputs) {
    std::fprintf(stderr, "shown_after_ms=%.1f outputs=%d\n",
                 static_cast<double>(SteadyNanoseconds() - ShowAsked) / 1e6, outputs);
}

// Each of the resident's shows reports its own rates.
void ReportRates(const char* presenter) {
    const double seconds = static_cast<double>(Counts.Last - Counts.First) / 1e9;
    std::fprintf(
        stderr, "generations=%llu presents=%llu generations_per_second=%.1f presenter=%s\n",
        static_cast<unsigned long long>(Counts.Generations),
        static_cast<unsigned long long>(Counts.Presents),
        seconds > 0 ? static_cast<double>(Counts.Generations - 1) / seconds : 0.0, presenter);
    Counts = {};
}
