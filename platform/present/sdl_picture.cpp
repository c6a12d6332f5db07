#include "platform/present/sdl_picture.h"

#include "platform/present/memory_picture.h"
#include "platform/present/picture_changes.h"
#include "platform/present/present_pacing.h"

namespace {
uint64_t TextureHas = 0;                       // the picture the texture holds
uint32_t Texels[PictureWidth * PictureHeight]; // what is uploaded, in the texture's format
} // namespace

SDL_Texture* CreatePictureTexture(SDL_Renderer* renderer) {
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                          PictureWidth, PictureHeight);
    if (texture != nullptr) SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    TextureHas = 0;
    return texture;
}

bool PresentWithRenderer(SDL_Renderer* renderer, SDL_Texture* texture, bool again) {
    const uint64_t newest = NotePicture(Picture.Pixels, Picture.PaletteChanges);
    if (newest == TextureHas && !again) return false;
    PictureChanges changes;
    ListChangesSince(TextureHas, MaxChangedRects, changes);
    for (int i = 0; i < changes.Count; ++i) {
        const PictureRect& part = changes.Rects[i];
        uint32_t* first = Texels + part.Y * PictureWidth + part.X;
        for (int y = 0; y < part.Height; ++y) {
            const uint8_t* from = Picture.Pixels + (part.Y + y) * PictureWidth + part.X;
            uint32_t* to = first + y * PictureWidth;
            for (int x = 0; x < part.Width; ++x)
                to[x] = Picture.Colours[from[x]];
        }
        const SDL_Rect area{part.X, part.Y, part.Width, part.Height};
        SDL_UpdateTexture(texture, &area, first, PictureWidth * 4);
    }
    TextureHas = newest;
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    PictureRect rect{};
    FitPictureRect(width, height, rect);
    const SDL_Rect target{rect.X, rect.Y, rect.Width, rect.Height};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &target);
    SDL_RenderPresent(renderer);
    return true;
}

int64_t RefreshIntervalOf(SDL_Window* window) {
    SDL_DisplayMode mode{};
    return RefreshInterval(SDL_GetWindowDisplayMode(window, &mode) == 0 ? mode.refresh_rate : 0);
}
