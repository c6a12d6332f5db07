// The products keep no counts.
#include "platform/present/run_rates.h"

void NoteGeneration() {}
void NotePresent() {}
void NoteShowAsked() {}
void NoteEveryOutputShown(int) {}
void ReportRates(const char*) {}
