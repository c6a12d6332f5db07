// The products keep no counts.
#include "platform/present/run_rates.h"

void NoteGeneration() {}
void NotePresent() {}
void ReportRates(const char*) {}
