// The product build keeps no counts.
#include "platform/hack/hack_state.h"

void NoteGeneration() {}
void NotePresent() {}
void ReportRates() {}
