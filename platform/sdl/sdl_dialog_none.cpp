// Until the configuration dialog exists, a dialog run ends at once.
#include "platform/window_platform.h"

void ShowConfigurationDialog(PlatformInstance*) {}
