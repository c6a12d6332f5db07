// The connection to the compositor, its globals, and one surface for each output: on the
// overlay layer (the background layer for --wallpaper) where the compositor offers
// layer-shell, else a full-screen window on that output. Outputs come and go while the
// program runs; the output table decides what each slot needs.
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/present/present_pacing.h"
#include "platform/wayland/wayland_state.h"

WaylandClient Wl;

namespace {
// The highest versions whose events the listeners below handle.
constexpr uint32_t CompositorVersionWanted = 4; // damage in buffer pixels
constexpr uint32_t OutputVersionWanted = 3;     // scale and done; release
constexpr uint32_t SeatVersionWanted = 5;       // pointer frames
constexpr uint32_t LayerShellVersionWanted = 4; // the keyboard taken exclusively

// Listeners get the slot as their data; it stays the output's while the objects live.
void* SlotData(int slot) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(slot));
}
int SlotFrom(void* data) {
    return static_cast<int>(reinterpret_cast<intptr_t>(data));
}

// A window's or layer surface's size is known: buffers of the new size from the next
// frame on, and a frame at once (there is no frame callback before the first commit).
void TakeSize(int slot, int32_t width, int32_t height) {
    OutputSurface& output = Wl.Outputs[slot];
    if (width != output.Width || height != output.Height) DropBuffers(output);
    output.Width = width;
    output.Height = height;
    output.Configured = width > 0 && height > 0;
    if (output.Configured && output.Frame == nullptr) output.FrameDue = true;
    // Nothing under the surface needs drawing: it covers it all.
    wl_region* opaque = wl_compositor_create_region(Wl.Compositor);
    wl_region_add(opaque, 0, 0, width, height);
    wl_surface_set_opaque_region(output.Surface, opaque);
    wl_region_destroy(opaque);
    // Committed again, whole, whatever it showed: the configure is acknowledged with it.
    output.ShownGeneration = output.Shows = 0;
    DrawIfDue(slot);
}

// Destroys an object the surface holds, if it holds one, and forgets it.
template <typename Object> void Drop(Object*& object, void (*destroy)(Object*)) {
    if (object != nullptr) destroy(object);
    object = nullptr;
}

// The surface and everything made for it go; the output itself stays.
void DropSurface(OutputSurface& output) {
    DropBuffers(output);
    // The roles first, the surface they were given to last.
    Drop(output.Frame, wl_callback_destroy);
    Drop(output.Fractional, wp_fractional_scale_v1_destroy);
    Drop(output.Viewport, wp_viewport_destroy);
    Drop(output.Layer, zwlr_layer_surface_v1_destroy);
    Drop(output.Toplevel, xdg_toplevel_destroy);
    Drop(output.Window, xdg_surface_destroy);
    Drop(output.Surface, wl_surface_destroy);
    output.Configured = false;
    output.FrameDue = false;
    output.Width = output.Height = 0;
    output.Scale120 = 0;
}

void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width,
                      uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    TakeSize(SlotFrom(data), static_cast<int32_t>(width), static_cast<int32_t>(height));
}

// Its output went away, or the compositor took the surface back for reasons of its own:
// made again once the output describes itself anew.
void OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
    const int slot = SlotFrom(data);
    DropSurface(Wl.Outputs[slot]);
    NoteSurfaceClosed(Wl.Table, slot);
}

const zwlr_layer_surface_v1_listener LayerListener{OnLayerConfigure, OnLayerClosed};

// A full-screen window gets its size in the toplevel's configure and applies it in the
// surface's; 0 leaves it to us: the output's own size.
void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    OutputSurface& output = Wl.Outputs[SlotFrom(data)];
    output.OfferedWidth = width;
    output.OfferedHeight = height;
}

// Closing the window is the user's doing (a key of the window manager's): the run ends,
// as on any other input.
void OnToplevelClose(void*, xdg_toplevel*) {
    Wl.Ended = true;
}

// Bound at version 1: the later events never come.
const xdg_toplevel_listener ToplevelListener{OnToplevelConfigure, OnToplevelClose, nullptr,
                                             nullptr};

void OnWindowConfigure(void* data, xdg_surface* window, uint32_t serial) {
    xdg_surface_ack_configure(window, serial);
    const int slot = SlotFrom(data);
    const OutputSurface& output = Wl.Outputs[slot];
    const int32_t scale = std::max(output.Scale, 1);
    const int32_t width = output.OfferedWidth > 0 ? output.OfferedWidth : output.ModeWidth / scale;
    const int32_t height =
        output.OfferedHeight > 0 ? output.OfferedHeight : output.ModeHeight / scale;
    TakeSize(slot, width, height);
}

const xdg_surface_listener WindowListener{OnWindowConfigure};

void OnPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale120) {
    const int slot = SlotFrom(data);
    Wl.Outputs[slot].Scale120 = scale120;
    Wl.Outputs[slot].ShownGeneration = 0; // drawn again at the new size
    DrawIfDue(slot);
}

const wp_fractional_scale_v1_listener FractionalListener{OnPreferredScale};

void MakeSurface(int slot) {
    OutputSurface& output = Wl.Outputs[slot];
    output.Surface = wl_compositor_create_surface(Wl.Compositor);
    // The buffer is drawn in the output's own pixels; with a viewport the surface gets its
    // logical size whatever the scale, fractional ones included.
    if (Wl.Viewporter != nullptr) {
        output.Viewport = wp_viewporter_get_viewport(Wl.Viewporter, output.Surface);
        if (Wl.FractionalScale != nullptr) {
            output.Fractional = wp_fractional_scale_manager_v1_get_fractional_scale(
                Wl.FractionalScale, output.Surface);
            wp_fractional_scale_v1_add_listener(output.Fractional, &FractionalListener,
                                                SlotData(slot));
        }
    }
    if (Wl.LayerShell != nullptr) {
        output.Layer = zwlr_layer_shell_v1_get_layer_surface(
            Wl.LayerShell, output.Surface, output.Output,
            Wl.Wallpaper ? ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
            "glimmerhex");
        zwlr_layer_surface_v1_set_anchor(output.Layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                           ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over the panels and their reserved space too.
        zwlr_layer_surface_v1_set_exclusive_zone(output.Layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            output.Layer, Wl.Wallpaper ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE
                                       : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        zwlr_layer_surface_v1_add_listener(output.Layer, &LayerListener, SlotData(slot));
    } else {
        output.Window = xdg_wm_base_get_xdg_surface(Wl.WindowManager, output.Surface);
        xdg_surface_add_listener(output.Window, &WindowListener, SlotData(slot));
        output.Toplevel = xdg_surface_get_toplevel(output.Window);
        xdg_toplevel_add_listener(output.Toplevel, &ToplevelListener, SlotData(slot));
        xdg_toplevel_set_title(output.Toplevel, "Glimmerhex");
        xdg_toplevel_set_app_id(output.Toplevel, "glimmerhex");
        xdg_toplevel_set_fullscreen(output.Toplevel, output.Output);
    }
    // The first commit, without a buffer, asks for the configure that gives the size.
    wl_surface_commit(output.Surface);
    NoteSurfaceMade(Wl.Table, slot);
}

void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t) {}

void OnMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height,
            int32_t refresh) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    OutputSurface& output = Wl.Outputs[SlotFrom(data)];
    output.ModeWidth = width;
    output.ModeHeight = height;
    output.RefreshMilliHertz = refresh;
}

void OnOutputDone(void* data, wl_output*) {
    const int slot = SlotFrom(data);
    NoteOutputDescribed(Wl.Table, slot);
    if (NeedsSurface(Wl.Table, slot)) MakeSurface(slot);
}

void OnOutputScale(void* data, wl_output*, int32_t factor) {
    const int slot = SlotFrom(data);
    if (Wl.Outputs[slot].Scale == factor) return;
    Wl.Outputs[slot].Scale = factor;
    Wl.Outputs[slot].ShownGeneration = 0;
}

// Bound at version 3 at most: names and descriptions never come.
const wl_output_listener OutputListener{OnGeometry,    OnMode,  OnOutputDone,
                                        OnOutputScale, nullptr, nullptr};

void AddOutputGlobal(uint32_t name, uint32_t version) {
    const int slot = AddOutput(Wl.Table, name);
    if (slot < 0) {
        // Said once; the run goes on over the outputs it has.
        static bool told = false;
        if (!told)
            std::fprintf(stderr,
                         "glimmerhex-wayland: more than %d outputs; the others stay "
                         "uncovered\n",
                         MaxOutputs);
        told = true;
        return;
    }
    OutputSurface& output = Wl.Outputs[slot];
    output = {};
    output.Scale = 1;
    output.Output = static_cast<wl_output*>(wl_registry_bind(
        Wl.Registry, name, &wl_output_interface, std::min(version, OutputVersionWanted)));
    wl_output_add_listener(output.Output, &OutputListener, SlotData(slot));
}

void OnPing(void*, xdg_wm_base* manager, uint32_t serial) {
    xdg_wm_base_pong(manager, serial);
}

const xdg_wm_base_listener WindowManagerListener{OnPing};

template <typename Interface>
Interface* Bind(uint32_t name, const wl_interface* interface, uint32_t version, uint32_t wanted) {
    return static_cast<Interface*>(
        wl_registry_bind(Wl.Registry, name, interface, std::min(version, wanted)));
}

void OnGlobal(void*, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
    const std::string_view kind = interface;
    if (kind == wl_compositor_interface.name) {
        Wl.CompositorVersion = std::min(version, CompositorVersionWanted);
        Wl.Compositor =
            Bind<wl_compositor>(name, &wl_compositor_interface, version, CompositorVersionWanted);
    } else if (kind == wl_shm_interface.name) {
        Wl.Shm = Bind<wl_shm>(name, &wl_shm_interface, version, 1);
    } else if (kind == wl_output_interface.name) {
        AddOutputGlobal(name, version);
    } else if (kind == zwlr_layer_shell_v1_interface.name) {
        Wl.LayerShell = Bind<zwlr_layer_shell_v1>(name, &zwlr_layer_shell_v1_interface, version,
                                                  LayerShellVersionWanted);
    } else if (kind == xdg_wm_base_interface.name) {
        Wl.WindowManager = Bind<xdg_wm_base>(name, &xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(Wl.WindowManager, &WindowManagerListener, nullptr);
    } else if (kind == wp_viewporter_interface.name) {
        Wl.Viewporter = Bind<wp_viewporter>(name, &wp_viewporter_interface, version, 1);
    } else if (kind == wp_fractional_scale_manager_v1_interface.name) {
        Wl.FractionalScale = Bind<wp_fractional_scale_manager_v1>(
            name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (kind == wl_seat_interface.name && Wl.Seat == nullptr && !Wl.Wallpaper) {
        // One seat: the one a desktop has. A wallpaper takes no input at all.
        Wl.Seat = Bind<wl_seat>(name, &wl_seat_interface, version, SeatVersionWanted);
        ListenToSeat(Wl.Seat);
    }
}

// An output unplugged: its surface and buffers go with it. If it comes back it is a new
// global, covered like any new output.
void OnGlobalRemove(void*, wl_registry*, uint32_t name) {
    const int slot = RemoveOutput(Wl.Table, name);
    if (slot < 0) return;
    OutputSurface& output = Wl.Outputs[slot];
    DropSurface(output);
    GiveBack(output.Output, WL_OUTPUT_RELEASE_SINCE_VERSION, wl_output_release, wl_output_destroy);
    output = {};
}

const wl_registry_listener RegistryListener{OnGlobal, OnGlobalRemove};

bool Reading = false; // between a prepared read and its end

bool NoteLost() {
    Wl.Lost = true;
    return false;
}
} // namespace

bool ConnectToCompositor(bool wallpaper, std::string& error) {
    Wl.Wallpaper = wallpaper;
    const int64_t deadline = SteadyNanoseconds() + int64_t{AnswerSeconds} * 1'000'000'000;
    const int connection = OpenCompositorConnection(deadline, error);
    if (connection < 0) return false;
    Wl.Display = wl_display_connect_to_fd(connection);
    if (Wl.Display == nullptr) {
        error = "cannot connect to the Wayland compositor: out of memory";
        return false;
    }
    Wl.Registry = wl_display_get_registry(Wl.Display);
    wl_registry_add_listener(Wl.Registry, &RegistryListener, nullptr);
    // The globals, then what the outputs and the seat say of themselves.
    if (!RoundTripBy(deadline, error) || !RoundTripBy(deadline, error)) return false;
    if (Wl.Compositor == nullptr || Wl.Shm == nullptr) {
        error = "the Wayland compositor offers no shared-memory buffers";
        return false;
    }
    if (Wl.LayerShell == nullptr && (Wl.Wallpaper || Wl.WindowManager == nullptr)) {
        error = Wl.Wallpaper ? "--wallpaper needs a compositor with layer-shell"
                             : "the Wayland compositor offers neither layer-shell nor windows";
        return false;
    }
    return true;
}

void CoverOutputs() {
    Wl.Table.Withdrawn = false;
    for (int slot = 0; slot < MaxOutputs; ++slot)
        if (NeedsSurface(Wl.Table, slot)) MakeSurface(slot);
}

void UncoverOutputs() {
    for (OutputSurface& output : Wl.Outputs) {
        DropSurface(output);
        output.FramesDrawn = 0;
    }
    NoteSurfacesWithdrawn(Wl.Table);
    // What the compositor sent to those surfaces and is read later belongs to the show
    // that ended: it neither ends the wait nor counts against the next show.
    Wl.Input = {};
    Wl.Ended = false;
}

bool ReadCompositorEvents() {
    if (Wl.Lost) return false;
    // What has arrived is read without waiting, so a run that never waits (--delay 0)
    // still hears the compositor.
    if (wl_display_prepare_read(Wl.Display) == 0) {
        pollfd connection{wl_display_get_fd(Wl.Display), POLLIN, 0};
        wl_display_flush(Wl.Display);
        if (poll(&connection, 1, 0) > 0) {
            if (wl_display_read_events(Wl.Display) < 0) return NoteLost();
        } else {
            wl_display_cancel_read(Wl.Display);
        }
    }
    if (wl_display_dispatch_pending(Wl.Display) < 0) return NoteLost();
    return !Wl.Ended;
}

int StartWaitingForCompositor() {
    while (wl_display_prepare_read(Wl.Display) != 0)
        if (wl_display_dispatch_pending(Wl.Display) < 0) {
            Wl.Lost = true;
            return -1; // not waited on; the next read ends the run
        }
    Reading = true;
    // Frames drawn since the last wait go out now; a full socket waits for the next turn.
    wl_display_flush(Wl.Display);
    return wl_display_get_fd(Wl.Display);
}

void StopWaitingForCompositor(bool readable) {
    if (!Reading) return;
    Reading = false;
    if (!readable)
        wl_display_cancel_read(Wl.Display);
    else if (wl_display_read_events(Wl.Display) < 0)
        Wl.Lost = true;
}

int64_t FastestRefresh() {
    int32_t fastest = 0;
    for (int slot = 0; slot < MaxOutputs; ++slot)
        if (Wl.Table.Slots[slot].Phase != OutputPhase::Free)
            fastest = std::max(fastest, Wl.Outputs[slot].RefreshMilliHertz);
    return fastest > 0 ? 1'000'000'000'000 / fastest : 16'666'667;
}
