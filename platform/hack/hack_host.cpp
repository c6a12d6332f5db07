// The window the hack draws into: the host's (by its id), the root window, or one of our
// own. SDL wraps it; Xlib does the few things SDL does not do for a window it did not
// create: checking that it exists, hearing its resizes and its end, and surviving X errors
// once the host has destroyed it.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/hack/hack_state.h"
#include "platform/present/paced_run.h"

HackBackend Hack;

namespace {
int LastErrorCode = 0;
::Window RootWindow = 0;

// Errors are expected once the host has destroyed its window under us: they are noted,
// never fatal. (SDL's own handler can deadlock in that case, and Xlib's exits.)
int NoteXError(Display*, XErrorEvent* error) {
    LastErrorCode = error->error_code;
    if (Hack.XWindow != 0 && error->resourceid == Hack.XWindow &&
        (error->error_code == BadWindow || error->error_code == BadDrawable))
        Hack.WindowGone = true;
    return 0;
}

int LeaveOnLostDisplay(Display*) {
    if (StopRequested == 0)
        std::fputs("glimmerhex-hack: lost the connection to the display\n", stderr);
    _exit(StopRequested != 0 ? 0 : 1);
}

std::string DisplayName() {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr ? name : "";
}

// Checks on a short connection of our own, before SDL opens anything, so that bad input
// leaves no window behind.
bool ProbeDisplay(const HackOptions& options, std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = DisplayName().empty() ? "no display: DISPLAY is not set"
                                      : "cannot open display '" + DisplayName() + "'";
        return false;
    }
    XSetErrorHandler(NoteXError);
    RootWindow = DefaultRootWindow(display);
    bool good = true;
    if (options.Target != HackTarget::OwnWindow) {
        const ::Window window =
            options.Target == HackTarget::GivenWindow ? options.WindowId : RootWindow;
        XWindowAttributes attributes{};
        char id[16];
        std::snprintf(id, sizeof id, "0x%lx", window);
        LastErrorCode = 0;
        if (XGetWindowAttributes(display, window, &attributes) == 0 || LastErrorCode != 0) {
            error =
                std::string("window ") + id + " does not exist on display '" + DisplayName() + "'";
            good = false;
        } else if (attributes.c_class == InputOnly) {
            error = std::string("window ") + id + " is input-only: nothing can be drawn in it";
            good = false;
        } else if (attributes.visual->c_class != TrueColor &&
                   attributes.visual->c_class != DirectColor) {
            // SDL draws nothing visible into a palette-based window.
            error = std::string("window ") + id + " has no true-colour visual";
            good = false;
        }
    }
    int opcode = 0, event = 0, errorBase = 0;
    for (const char* extension : {"DRI3", "DRI2", "NV-GLX"})
        Hack.DisplayHasGpu =
            Hack.DisplayHasGpu || XQueryExtension(display, extension, &opcode, &event, &errorBase);
    XCloseDisplay(display);
    return good;
}

bool WantsRenderer(const HackOptions& options) {
    return options.Renderer == HackRenderer::Accelerated ||
           (options.Renderer == HackRenderer::Auto && Hack.DisplayHasGpu);
}

SDL_Window* WrapWindow(const HackOptions& options, bool openGl) {
    if (options.Target == HackTarget::OwnWindow) {
        const Uint32 flags = SDL_WINDOW_RESIZABLE | (openGl ? SDL_WINDOW_OPENGL : 0);
        return SDL_CreateWindow("Glimmerhex", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                3 * 320, 3 * 200, flags);
    }
    // Marked for OpenGL from the start: SDL would otherwise try to re-create the window
    // for its renderer, which it cannot do to a window it does not own.
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, openGl ? "1" : "0");
    const ::Window window =
        options.Target == HackTarget::GivenWindow ? options.WindowId : RootWindow;
    return SDL_CreateWindowFrom(reinterpret_cast<const void*>(window));
}
} // namespace

bool OpenHostWindow(const HackOptions& options, std::string& error) {
    if (!ProbeDisplay(options, error)) return false;
    // SIGTERM is ours to handle; the host, not SDL, decides whether the screen saver may
    // run; the window surface goes through plain X11 (shared memory), not through an
    // OpenGL context, which a display without a GPU would emulate slowly.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("cannot start the display: ") + SDL_GetError();
        return false;
    }
    XSetErrorHandler(NoteXError);
    XSetIOErrorHandler(LeaveOnLostDisplay);
    Hack.Renderer = WantsRenderer(options) ? options.Renderer : HackRenderer::Software;
    Hack.Window = WrapWindow(options, Hack.Renderer != HackRenderer::Software);
    if (Hack.Window == nullptr && Hack.Renderer != HackRenderer::Software) {
        Hack.Renderer = HackRenderer::Software; // no OpenGL to be had
        Hack.Window = WrapWindow(options, false);
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (Hack.Window == nullptr || !SDL_GetWindowWMInfo(Hack.Window, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        error = std::string("cannot use the window: ") + SDL_GetError();
        CloseHostWindow();
        return false;
    }
    Hack.XDisplay = info.info.x11.display;
    Hack.XWindow = info.info.x11.window;
    if (options.Target != HackTarget::OwnWindow) {
        // Only these two: the host owns the window's input, and asking for its button
        // presses would be refused with an error.
        XSelectInput(Hack.XDisplay, Hack.XWindow, StructureNotifyMask | ExposureMask);
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    return true;
}

void CloseHostWindow() {
    if (Hack.Window != nullptr) SDL_DestroyWindow(Hack.Window);
    Hack.Window = nullptr;
    Hack.XWindow = 0;
    SDL_Quit();
}

bool ReadHostEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            Hack.WindowGone = true;
        } else if (event.type == SDL_WINDOWEVENT) {
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                Hack.WindowGone = true;
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                       event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                Hack.RedrawAll = true;
                PresentSoon();
            }
        } else if (event.type == SDL_SYSWMEVENT) {
            const XEvent& x = event.syswm.msg->msg.x11.event;
            if (x.type == DestroyNotify && x.xdestroywindow.window == Hack.XWindow)
                Hack.WindowGone = true;
        }
    }
    return !Hack.WindowGone;
}

int HostConnection() {
    return ConnectionNumber(Hack.XDisplay);
}
