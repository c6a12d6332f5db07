// The three display objects of a saver run: null until created, null again once released.
#pragma once
#include "ports/display_port.h"

extern PlatformDevice* DisplayDevice;
extern PlatformSurface* PrimarySurface;
extern PlatformPalette* PaletteObject;

void ReleaseDisplayObjects();
