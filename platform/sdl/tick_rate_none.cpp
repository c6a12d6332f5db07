// The product build keeps no tick count.
#include "platform/sdl/sdl_state.h"

void NoteIdleTurn() {}
void ReportTickRate() {}
