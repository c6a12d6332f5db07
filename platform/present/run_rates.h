// What the test builds of the Linux programs count: generations and presents, reported as
// rates on stderr at the end. The products link rate_none.cpp and keep no counts.
#pragma once
#include <cstdint>

void NoteGeneration();
void NotePresent();
// The resident's shows: the moment the idle source said idle, and the moment the last of
// the outputs showed its first frame, reported then as one line: shown_after_ms=T outputs=N.
void NoteShowAsked();
void NoteEveryOutputShown(int outputs);
// One line: generations=N presents=N generations_per_second=R presenter=NAME.
void ReportRates(const char* presenter);

// For the end-to-end checks that what reaches the screen is the picture the render tool
// makes: GLIMMERHEX_SEED sets the seed of a paced run, and GLIMMERHEX_GENERATIONS=N stops
// its generations after N while it goes on presenting the last, saying so once on stderr:
// generations_done=N. The products keep the seed given and never stop.
uint32_t SeedOfRun(uint32_t seed);
bool MayGenerate();
