// The hack's display: the effects draw into the memory picture, and presenting scales it
// into the window. Where the display has a GPU an accelerated SDL renderer scales it;
// otherwise (a display drawn in software, where OpenGL would be emulated slowly) our own
// scaling writes into SDL's window surface, which X11 shows from shared memory.
#include <string>

#include "platform/hack/hack_state.h"
#include "platform/present/memory_picture.h"
#include "platform/present/picture_changes.h"
#include "platform/present/sdl_picture.h"
#include "ports/display_port.h"

struct PlatformSurface {};

namespace {
PlatformSurface TheSurface;
std::string Presenter = "none";

// The accelerated path.
SDL_Renderer* Renderer = nullptr;
SDL_Texture* Texture = nullptr;

// The software path.
SDL_Surface* WindowSurface = nullptr; // as last drawn into; SDL makes a new one on resize
SDL_Surface* Staging = nullptr;       // 32-bit copy for windows of other depths
uint32_t WindowColours[PaletteSize];  // the palette in the window surface's own format
uint32_t MappedPalette = 0;           // the palette change WindowColours were mapped from
PictureFit Fit;
uint64_t WindowHas = 0; // the picture the window surface holds (picture_changes.h)

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
    Presenter = std::string("accelerated (") + reinterpret_cast<const char*>(name) + ")";
    return IsSoftwareRasteriser(reinterpret_cast<const char*>(name));
}

// Asked for by name, the renderer is kept even where OpenGL is emulated.
bool CreateRenderer() {
    Renderer = SDL_CreateRenderer(Hack.Window, -1, SDL_RENDERER_ACCELERATED);
    if (Renderer != nullptr && (!IsEmulatedOpenGl() || Hack.Renderer == HackRenderer::Accelerated))
        Texture = CreatePictureTexture(Renderer);
    if (Texture != nullptr) return true;
    if (Renderer != nullptr) SDL_DestroyRenderer(Renderer);
    Renderer = nullptr;
    return false;
}

void PresentWithSurface() {
    SDL_Surface* surface = SDL_GetWindowSurface(Hack.Window);
    if (surface == nullptr) return;
    const bool fresh =
        surface != WindowSurface || Hack.RedrawAll || MappedPalette != Picture.PaletteChanges;
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
        for (int i = 0; i < PaletteSize; ++i) {
            const PaletteEntry& c = Picture.Entries[i];
            WindowColours[i] = SDL_MapRGB(target->format, c.Red, c.Green, c.Blue);
        }
        MappedPalette = Picture.PaletteChanges;
        // The bars are drawn only now: nothing else ever writes outside the picture.
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        WindowHas = 0;
    }
    const uint64_t newest = NotePicture(Picture.Pixels, Picture.PaletteChanges);
    if (newest == WindowHas) return; // the same picture: nothing to send
    PictureChanges changes;
    ListChangesSince(WindowHas, MaxChangedRects, changes);
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
    SDL_Rect sent[MaxChangedRects];
    int count = 0;
    for (int i = 0; i < changes.Count; ++i) {
        ScalePictureArea(Picture.Pixels, PictureWidth, WindowColours, Fit, changes.Rects[i],
                         static_cast<uint8_t*>(target->pixels), target->pitch);
        const PictureRect area = WindowAreaOf(Fit, changes.Rects[i]);
        if (area.Width > 0 && area.Height > 0)
            sent[count++] = {area.X, area.Y, area.Width, area.Height};
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    if (target != surface) // converted to the window's depth as it is copied
        for (int i = 0; i < (fresh ? 1 : count); ++i)
            SDL_BlitSurface(Staging, fresh ? nullptr : &sent[i], surface,
                            fresh ? nullptr : &sent[i]);
    if (fresh)
        SDL_UpdateWindowSurface(Hack.Window);
    else if (count > 0)
        SDL_UpdateWindowSurfaceRects(Hack.Window, sent, count);
    WindowHas = newest;
    WindowSurface = surface;
    Hack.RedrawAll = false;
}
} // namespace

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    if (Hack.Renderer == HackRenderer::Software || !CreateRenderer()) {
        Hack.Renderer = HackRenderer::Software;
        Presenter = "software";
        if (SDL_GetWindowSurface(Hack.Window) == nullptr) return DisplayFailed;
    }
    *surface = &TheSurface;
    return DisplayOk;
}

void ReleaseSurface(PlatformSurface*) {
    if (Texture != nullptr) SDL_DestroyTexture(Texture);
    if (Renderer != nullptr) SDL_DestroyRenderer(Renderer);
    SDL_FreeSurface(Staging);
    Texture = nullptr;
    Renderer = nullptr;
    Staging = nullptr;
    WindowSurface = nullptr;
    WindowHas = 0;
}

void PresentPicture() {
    if (Renderer != nullptr) {
        PresentWithRenderer(Renderer, Texture, Hack.RedrawAll);
        Hack.RedrawAll = false;
    } else if (Hack.Window != nullptr)
        PresentWithSurface();
}

const char* PresenterName() {
    return Presenter.c_str();
}
