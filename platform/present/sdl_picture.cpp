#include "platform/present/sdl_picture.h"

#include "platform/present/memory_picture.h"
#include "platform/present/present_pacing.h"

SDL_Texture* CreatePictureTexture(SDL_Renderer* renderer) {
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                          PictureWidth, PictureHeight);
    if (texture != nullptr) SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    return texture;
}

void PresentWithRenderer(SDL_Renderer* renderer, SDL_Texture* texture) {
    void* texels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, nullptr, &texels, &pitch) == 0) {
        for (int y = 0; y < PictureHeight; ++y) {
            auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(texels) + y * pitch);
            const uint8_t* from = Picture.Pixels + y * PictureWidth;
            for (int x = 0; x < PictureWidth; ++x)
                to[x] = Picture.Colours[from[x]];
        }
        SDL_UnlockTexture(texture);
    }
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    PictureRect rect{};
    FitPictureRect(width, height, rect);
    const SDL_Rect target{rect.X, rect.Y, rect.Width, rect.Height};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &target);
    SDL_RenderPresent(renderer);
}

int64_t RefreshIntervalOf(SDL_Window* window) {
    SDL_DisplayMode mode{};
    return RefreshInterval(SDL_GetWindowDisplayMode(window, &mode) == 0 ? mode.refresh_rate : 0);
}
