// What the test builds of the Linux programs count: generations and presents, reported as
// rates on stderr at the end. The products link rate_none.cpp and keep no counts.
#pragma once

void NoteGeneration();
void NotePresent();
// The resident's shows: the moment the idle source said idle, and the moment the last of
// the outputs showed its first frame, reported then as one line: shown_after_ms=T outputs=N.
void NoteShowAsked();
void NoteEveryOutputShown(int outputs);
// One line: generations=N presents=N generations_per_second=R presenter=NAME.
void ReportRates(const char* presenter);
