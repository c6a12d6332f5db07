// The product build keeps no tick count.
#include "platform/x11/sdl_state.h"

void NoteIdleTurn() {}
void ReportTickRate() {}
