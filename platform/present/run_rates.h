// What the test builds of the Linux programs count: generations and presents, reported as
// rates on stderr at the end. The products link rate_none.cpp and keep no counts.
#pragma once

void NoteGeneration();
void NotePresent();
// One line: generations=N presents=N generations_per_second=R presenter=NAME.
void ReportRates(const char* presenter);
