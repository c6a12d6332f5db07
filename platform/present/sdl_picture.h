// Showing the memory picture through an SDL renderer, as the saver does and the hack does
// where the display has a GPU: a streaming texture of the picture in 32-bit colour, scaled
// nearest-neighbour into the fitted rectangle, black around it.
#pragma once
#include <SDL.h>

#include <cstdint>

// Null when the renderer cannot make one.
SDL_Texture* CreatePictureTexture(SDL_Renderer* renderer);
// Uploads what changed since the texture's last present and presents it; where nothing
// changed, presents nothing unless again (the window was exposed). False where it did not.
bool PresentWithRenderer(SDL_Renderer* renderer, SDL_Texture* texture, bool again);

// One refresh of the display the window is on.
int64_t RefreshIntervalOf(SDL_Window* window);
