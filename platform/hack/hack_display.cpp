// The hack's display: the effects draw into an 8-bit picture in memory, and presenting
// maps it through the palette and scales it into the window. Where the display has a GPU
// an accelerated SDL renderer scales it; otherwise (a display drawn in software, where
// OpenGL would be emulated slowly) our own scaling writes into SDL's window surface,
// which X11 shows from shared memory.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "palettes/palette_catalogue.h"
#include "platform/hack/hack_state.h"
#include "platform/present/picture_scaling.h"
#include "ports/display_port.h"

struct PlatformDevice {};
struct PlatformSurface {};
struct PlatformPalette {};

namespace {
PlatformDevice TheDevice;
PlatformSurface TheSurface;
PlatformPalette ThePalette;

uint8_t Picture[PictureWidth * PictureHeight];
PaletteEntry Colours[PaletteSize];
uint32_t ArgbColours[PaletteSize];
std::string Presenter = "none";

// The accelerated path.
SDL_Renderer* Renderer = nullptr;
SDL_Texture* Texture = nullptr;

// The software path.
SDL_Surface* WindowSurface = nullptr; // as last drawn into; SDL makes a new one on resize
SDL_Surface* Staging = nullptr;       // 32-bit copy for windows of other depths
uint32_t WindowColours[PaletteSize];  // Colours in the window surface's own format
PictureFit Fit;

Uint64 NextPresent = 0;
Uint64 PresentInterval = 0;

void SetColours(const PaletteEntry* entries) {
    std::copy(entries, entries + PaletteSize, Colours);
    for (int i = 0; i < PaletteSize; ++i)
        ArgbColours[i] = 0xFF000000u | uint32_t{entries[i].Red} << 16 |
                         uint32_t{entries[i].Green} << 8 | entries[i].Blue;
    WindowSurface = nullptr; // recolour in the window's format at the next present
}

// Names what presents, and tells whether it is OpenGL without a GPU (Mesa's software
// rasterisers), which scales more slowly than our own software path.
bool IsEmulatedOpenGl() {
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(Renderer, &info);
    Presenter = std::string("accelerated (") + (info.name != nullptr ? info.name : "?") + ")";
    using GetString = const unsigned char* (*)(unsigned);
    constexpr unsigned GlRenderer = 0x1F01;
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString != nullptr ? getString(GlRenderer) : nullptr;
    if (name == nullptr) return false;
    std::string lower(reinterpret_cast<const char*>(name));
    Presenter = "accelerated (" + lower + ")";
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software"})
        if (lower.find(software) != std::string::npos) return true;
    return false;
}

// Asked for by name, the renderer is kept even where OpenGL is emulated.
bool CreateRenderer() {
    Renderer = SDL_CreateRenderer(Hack.Window, -1, SDL_RENDERER_ACCELERATED);
    if (Renderer != nullptr && (!IsEmulatedOpenGl() || Hack.Renderer == HackRenderer::Accelerated))
        Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                    PictureWidth, PictureHeight);
    if (Texture != nullptr) {
        SDL_SetTextureScaleMode(Texture, SDL_ScaleModeNearest);
        return true;
    }
    if (Renderer != nullptr) SDL_DestroyRenderer(Renderer);
    Renderer = nullptr;
    return false;
}

void PresentWithRenderer() {
    void* texels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(Texture, nullptr, &texels, &pitch) == 0) {
        for (int y = 0; y < PictureHeight; ++y) {
            auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(texels) + y * pitch);
            const uint8_t* from = Picture + y * PictureWidth;
            for (int x = 0; x < PictureWidth; ++x)
                to[x] = ArgbColours[from[x]];
        }
        SDL_UnlockTexture(Texture);
    }
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(Renderer, &width, &height);
    FitPicture(width, height, Fit);
    const SDL_Rect rect{Fit.Rect.X, Fit.Rect.Y, Fit.Rect.Width, Fit.Rect.Height};
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    SDL_RenderCopy(Renderer, Texture, nullptr, &rect);
    SDL_RenderPresent(Renderer);
}

void PresentWithSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(Hack.Window);
    if (surface == nullptr) return;
    const bool fresh = surface != WindowSurface || Hack.RedrawAll;
    SDL_Surface* target = surface;
    if (surface->format->BytesPerPixel != 4) {
        if (Staging == nullptr || Staging->w != surface->w || Staging->h != surface->h) {
            SDL_FreeSurface(Staging);
            Staging = SDL_CreateRGBSurfaceWithFormat(0, surface->w, surface->h, 32,
                                                     SDL_PIXELFORMAT_ARGB8888);
            if (Staging == nullptr) return;
        }
        target = Staging;
    }
    if (fresh) {
        FitPicture(surface->w, surface->h, Fit);
        for (int i = 0; i < PaletteSize; ++i)
            WindowColours[i] =
                SDL_MapRGB(target->format, Colours[i].Red, Colours[i].Green, Colours[i].Blue);
        // The bars are drawn only now: nothing else ever writes outside the picture.
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    }
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
    ScalePicture(Picture, PictureWidth, WindowColours, Fit, static_cast<uint8_t*>(target->pixels),
                 target->pitch);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_Rect rect{Fit.Rect.X, Fit.Rect.Y, Fit.Rect.Width, Fit.Rect.Height};
    if (target != surface) { // converted to the window's depth as it is copied
        SDL_Rect area = rect;
        SDL_BlitSurface(Staging, fresh ? nullptr : &area, surface, fresh ? nullptr : &area);
    }
    if (fresh)
        SDL_UpdateWindowSurface(Hack.Window);
    else
        SDL_UpdateWindowSurfaceRects(Hack.Window, &rect, 1);
    WindowSurface = surface;
    Hack.RedrawAll = false;
}
} // namespace

int32_t CreateDisplayDevice(PlatformDevice** device) {
    if (Hack.Window == nullptr) return DisplayFailed;
    *device = &TheDevice;
    return DisplayOk;
}

// The host decides the window and its size; there is nothing to take over.
int32_t SetExclusiveFullScreen(PlatformDevice*, PlatformWindow*) {
    return DisplayOk;
}

int32_t SetDisplayModeTo(PlatformDevice*, int32_t width, int32_t height, int32_t bits, uint32_t) {
    return width == PictureWidth && height == PictureHeight && bits == 8 ? DisplayOk
                                                                         : DisplayFailed;
}

void RestoreDisplayModeOf(PlatformDevice*) {}

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    if (Hack.Renderer == HackRenderer::Software || !CreateRenderer()) {
        Hack.Renderer = HackRenderer::Software;
        Presenter = "software";
        if (SDL_GetWindowSurface(Hack.Window) == nullptr) return DisplayFailed;
    }
    SDL_DisplayMode mode{};
    const int refresh = SDL_GetWindowDisplayMode(Hack.Window, &mode) == 0 && mode.refresh_rate > 0
                            ? mode.refresh_rate
                            : 60;
    PresentInterval = SDL_GetPerformanceFrequency() / static_cast<Uint64>(refresh);
    *surface = &TheSurface;
    return DisplayOk;
}

int32_t CreateDisplayPalette(PlatformDevice*, const PaletteEntry* entries,
                             PlatformPalette** palette) {
    SetColours(entries);
    *palette = &ThePalette;
    return DisplayOk;
}

int32_t SetPaletteEntries(PlatformPalette*, const PaletteEntry* entries) {
    SetColours(entries);
    return DisplayOk;
}

int32_t AttachPalette(PlatformSurface*, PlatformPalette*) {
    return DisplayOk;
}

int32_t LockSurface(PlatformSurface*, uint8_t** pixels, int32_t* pitch) {
    *pixels = Picture;
    *pitch = PictureWidth;
    return DisplayOk;
}

void UnlockSurface(PlatformSurface*) {}
void RestoreSurface(PlatformSurface*) {}
bool SurfaceIsInSystemMemory(PlatformSurface*) {
    return true; // our own picture, scaled into the host's window on present
}

void ReleaseSurface(PlatformSurface*) {
    if (Texture != nullptr) SDL_DestroyTexture(Texture);
    if (Renderer != nullptr) SDL_DestroyRenderer(Renderer);
    SDL_FreeSurface(Staging);
    Texture = nullptr;
    Renderer = nullptr;
    Staging = nullptr;
    WindowSurface = nullptr;
}

void ReleasePalette(PlatformPalette*) {}
void ReleaseDevice(PlatformDevice*) {}

void PresentPicture() {
    if (Renderer != nullptr)
        PresentWithRenderer();
    else if (Hack.Window != nullptr)
        PresentWithSurface();
    NotePresent();
}

void PresentIfDue() {
    const Uint64 now = SDL_GetPerformanceCounter();
    if (now < NextPresent && !Hack.RedrawAll) return;
    PresentPicture();
    // Once per refresh at most, and never more than a twentieth of the time: unpaced, the
    // generations come first.
    const Uint64 took = SDL_GetPerformanceCounter() - now;
    NextPresent = now + std::max(PresentInterval, 20 * took);
}

const char* PresenterName() {
    return Presenter.c_str();
}
