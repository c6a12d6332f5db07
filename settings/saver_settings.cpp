#include "settings/saver_settings.h"

uint8_t GraphicEffect = 0;
uint8_t PaletteScheme = 0;
bool RandomEffect = false;
bool RandomPalette = false;
