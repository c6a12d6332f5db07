// For tests only: counts generations and presents and reports their rates on exit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/whole_numbers.h"
#include "platform/present/present_pacing.h"
#include "platform/present/run_rates.h"

namespace {
struct {
    uint64_t Generations, Presents;
    int64_t First, Last; // when the first and the latest generation were made
    bool Done;           // GLIMMERHEX_GENERATIONS reached and said
} Counts{};
int64_t ShowAsked = 0;

// A whole number from the environment, or fallback where it names none.
uint64_t NumberFromEnvironment(const char* name, uint64_t limit, uint64_t fallback) {
    const char* text = std::getenv(name);
    uint64_t value = 0;
    return text != nullptr && ParseWholeNumber(text, 10, limit, value) ? value : fallback;
}
} // namespace

void NoteGeneration() {
    Counts.Last = SteadyNanoseconds();
    if (Counts.Generations++ == 0) Counts.First = Counts.Last;
}

uint32_t SeedOfRun(uint32_t seed) {
    return static_cast<uint32_t>(NumberFromEnvironment("GLIMMERHEX_SEED", UINT32_MAX, seed));
}

bool MayGenerate() {
    static const uint64_t Limit =
        NumberFromEnvironment("GLIMMERHEX_GENERATIONS", UINT64_MAX / 2, 0);
    if (Limit == 0 || Counts.Generations < Limit) return true;
    if (!Counts.Done) {
        std::fprintf(stderr, "generations_done=%llu\n", static_cast<unsigned long long>(Limit));
        Counts.Done = true;
    }
    return false;
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
