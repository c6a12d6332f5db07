// The saver window on Linux: a borderless, top-most SDL window over the whole screen,
// its events turned into the Win32 messages the saver's window procedure reads.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <string>

#include "platform/present/run_rates.h"
#include "platform/x11/saver_endings.h"
#include "platform/x11/saver_marker.h"
#include "platform/x11/sdl_state.h"
#include "ports/window_port.h"
#include "shell/saver_window.h"
#include "shell/window_messages.h"

// After SDL.h, which says whether X11 is in.
#include <SDL_syswm.h>

struct PlatformWindow {};

namespace {
PlatformWindow TheWindow;

struct PostedMessage {
    uint32_t Message; // WmClose, or QuitMessage
    int32_t Code;
};
constexpr uint32_t QuitMessage = 0x0012;
std::deque<PostedMessage> Posted;
Uint64 NextPump = 0;

uint32_t VirtualKeyOf(const SDL_Keysym& key) {
    const SDL_Keycode code = key.sym;
    if (code >= 'a' && code <= 'z') return static_cast<uint32_t>(code - 'a' + 'A');
    if (code >= '0' && code <= '9') return static_cast<uint32_t>(code);
    // Where the layout gives no Latin letter or digit (Cyrillic, Greek ...), the key's place
    // decides, as Windows' key codes stay 'A' to 'Z' on any layout.
    const SDL_Scancode place = key.scancode;
    if (place >= SDL_SCANCODE_A && place <= SDL_SCANCODE_Z)
        return static_cast<uint32_t>('A' + (place - SDL_SCANCODE_A));
    if (place >= SDL_SCANCODE_1 && place <= SDL_SCANCODE_9)
        return static_cast<uint32_t>('1' + (place - SDL_SCANCODE_1));
    if (place == SDL_SCANCODE_0) return '0';
    if (code >= SDLK_F1 && code <= SDLK_F12) return VkF1 + static_cast<uint32_t>(code - SDLK_F1);
    switch (code) {
    case SDLK_BACKSPACE:
        return VkBack;
    case SDLK_TAB:
        return VkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VkReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VkShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VkControl;
    case SDLK_LALT:
    case SDLK_RALT:
        return VkMenu;
    case SDLK_ESCAPE:
        return VkEscape;
    case SDLK_SPACE:
        return VkSpace;
    case SDLK_LEFT:
        return VkLeft;
    case SDLK_UP:
        return VkUp;
    case SDLK_RIGHT:
        return VkRight;
    case SDLK_DOWN:
        return VkDown;
    default:
        // Any other key still ends the saver; 0xFF is no command key's code.
        return 0xFF;
    }
}

void Deliver(uint32_t message, uintptr_t wParam = 0) {
    SaverWindowProc(&TheWindow, message, wParam, 0);
}

void DeliverEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN: // auto-repeats included: every one acts again
        Deliver((event.key.keysym.mod & KMOD_ALT) != 0 ? WmSysKeyDown : WmKeyDown,
                VirtualKeyOf(event.key.keysym));
        break;
    case SDL_KEYUP:
        Deliver(WmKeyUp, VirtualKeyOf(event.key.keysym));
        break;
    case SDL_MOUSEBUTTONDOWN:
        Deliver(event.button.button == SDL_BUTTON_LEFT     ? WmLButtonDown
                : event.button.button == SDL_BUTTON_RIGHT  ? WmRButtonDown
                : event.button.button == SDL_BUTTON_MIDDLE ? WmMButtonDown
                                                           : WmXButtonDown);
        break;
    case SDL_MOUSEBUTTONUP:
        Deliver(WmLButtonUp);
        break;
    case SDL_MOUSEMOTION:
        Deliver(WmSetCursor);
        Deliver(WmMouseMove);
        break;
    case SDL_MOUSEWHEEL:
        Deliver(WmMouseWheel);
        break;
    case SDL_QUIT:
        Deliver(WmClose);
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            Deliver(WmClose);
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
            RedrawSoon();
        break;
    default:
        break;
    }
}

// As on Windows, the window leaves the screen before its destruction is handled: the desktop
// is back at once, however long the teardown then waits for its share of a busy machine.
// (Unmapped first, SDL also skips its wait for a window manager to undo full screen.)
void HideAtOnce() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(Sdl.Window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    XUnmapWindow(info.info.x11.display, info.info.x11.window);
    XFlush(info.info.x11.display);
}

// Without a window the user must still learn why the saver did not start: a box when one
// can be shown, else a line on stderr.
void ReportNoWindow(const std::string& text) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Glimmerhex", text.c_str(), nullptr) != 0)
        std::fprintf(stderr, "Glimmerhex: %s\n", text.c_str());
}
} // namespace

// "Is there a saver window?" is "is the saver's marker held?". A crashed saver's marker
// goes with its process, so no stale one is ever left.
bool IsSaverWindowPresent(bool claimMarker) {
    if (!claimMarker) return IsMarkerHeld();
    if (!TakeMarker()) return true;
    EndWithTheHost();
    return false;
}

// Nice 19 is the lowest priority the hosts' idle class stands for. Not the idle scheduling
// class: under it a busy machine kept a key press waiting for seconds.
void SetIdlePriority() {
    setpriority(PRIO_PROCESS, 0, 19);
}

uint32_t CurrentTimeSeconds() {
    return static_cast<uint32_t>(std::time(nullptr));
}

PlatformWindow* CreateSaverWindow(PlatformInstance*, int32_t) {
    // A click must end the saver even when it comes with the window getting the focus
    // (SDL drops such clicks by default).
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The host's signals end the saver our way (EndWithTheHost), never through SDL's queue.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL keeps the desktop from blanking, powering the monitor down and locking while its
    // window is up; a screen saver leaves all that to the user's own timers.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // On a Wayland desktop, a Wayland window even where DISPLAY is set as well (for the X11
    // programs, through Xwayland): sharp at any scale, and given the keyboard where it
    // appears. SDL_VIDEODRIVER, if set, still decides.
    if (std::getenv("WAYLAND_DISPLAY") != nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland,x11");
    std::string problem;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        problem = SDL_GetError();
    } else if (const std::string driver = SDL_GetCurrentVideoDriver();
               driver == "offscreen" || driver == "dummy") {
        // These drivers run without showing anything: no display after all.
        problem = "no display was found";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (!problem.empty()) {
        // No box is tried without a display: one shown through a helper program (zenity)
        // would fail on its own and still count as shown, and nothing would say why.
        std::fprintf(stderr, "Glimmerhex: Cannot start the display: %s\n", problem.c_str());
        return nullptr;
    }
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        desktop = {SDL_PIXELFORMAT_UNKNOWN, 640, 480, 0, nullptr};
    SDL_ClearError();
    // A Wayland window goes full screen once it is shown where the compositor put it
    // (sdl_display.cpp), and draws in the output's own pixels at any scale.
    const bool wayland = SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0;
    Sdl.Window =
        SDL_CreateWindow("Glimmerhex", 0, 0, desktop.w, desktop.h,
                         SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP |
                             (wayland ? SDL_WINDOW_ALLOW_HIGHDPI : SDL_WINDOW_FULLSCREEN_DESKTOP));
    if (Sdl.Window == nullptr) {
        const std::string reason = SDL_GetError();
        ReportNoWindow("Cannot create the saver window" + (reason.empty() ? "" : ": " + reason));
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    SDL_ShowCursor(SDL_DISABLE);
    SDL_RaiseWindow(Sdl.Window);
    SDL_SetWindowInputFocus(Sdl.Window);
    return &TheWindow;
}

void DestroySaverWindow(PlatformWindow* window) {
    HideAtOnce();
    SaverWindowProc(window, WmDestroy, 0, 0);
    SDL_DestroyWindow(Sdl.Window);
    Sdl.Window = nullptr;
}

intptr_t DefaultWindowProc(PlatformWindow* window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WmClose) DestroySaverWindow(window);
    return 0;
}

void HidePointer() {
    SDL_ShowCursor(SDL_DISABLE);
}
void PostCloseMessage(PlatformWindow*) {
    Posted.push_back({WmClose, 0});
}
void PostQuitMessageWith(int32_t exitCode) {
    Posted.push_back({QuitMessage, exitCode});
}

bool IsMessageWaiting() {
    if (!Posted.empty()) return true;
    // Asking the display server costs a system call; a tick is far shorter than anyone
    // can notice, so it is asked at most once a millisecond.
    const Uint64 now = SDL_GetPerformanceCounter();
    if (now >= NextPump) {
        NextPump = now + SDL_GetPerformanceFrequency() / 1000;
        SDL_PumpEvents();
    }
    if (SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return true;
    NoteGeneration(); // one tick follows
    return false;
}

bool DispatchNextMessage(int32_t& exitCode) {
    if (!Posted.empty()) {
        const PostedMessage message = Posted.front();
        Posted.pop_front();
        if (message.Message == QuitMessage) {
            exitCode = message.Code;
            return false;
        }
        Deliver(message.Message);
        return true;
    }
    SDL_Event event;
    if (SDL_PollEvent(&event) != 0) DeliverEvent(event);
    return true;
}

void ShowMessageBox(PlatformWindow*, const char* text, const char* caption) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, Sdl.Window) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
}
