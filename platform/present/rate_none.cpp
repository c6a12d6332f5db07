// The products keep no counts.
#include "platform/present/run_rates.h"

void NoteGeneration() {}
void NotePresent() {}
void NoteShowAsked() {}
void NoteEveryOutputShown(int) {}
void ReportRates(const char*) {}
uint32_t SeedOfRun(uint32_t seed) {
    return seed;
}
bool MayGenerate() {
    return true;
}
