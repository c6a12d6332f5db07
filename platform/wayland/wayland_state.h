// What the Wayland program's halves share: the connection and its globals, and per output
// (in the slots of the output table) the surface that covers it and its buffers.
#pragma once
#include <wayland-client.h>

#include <cstdint>
#include <string>

#include "fractional-scale-v1-client.h"
#include "layer-shell-client.h"
#include "platform/present/paced_options.h"
#include "platform/wayland/ending_input.h"
#include "platform/wayland/output_picture.h"
#include "platform/wayland/output_table.h"
#include "platform/wayland/wayland_options.h"
#include "viewporter-client.h"
#include "xdg-shell-client.h"

struct wl_egl_window;

// One shared-memory buffer. The compositor reads it from commit until it releases it.
struct ShmBuffer {
    wl_buffer* Buffer;
    uint8_t* Pixels;
    size_t Bytes;
    bool Busy;
    uint64_t Holds; // the picture drawn in it (picture_changes.h); 0: none, all black
};

// A compositor keeps damage as a region of boxes in bands of lines, and one on wlroots turns a
// region of more than 20 boxes into the one box around it all: the damage told stays within 20
// boxes that span the changes, while each buffer is brought up to date tile by tile. (Headless
// sway at 1920x1080, "Heated": 3-4% of a core at 20 boxes, 6% at 24, 8% for the whole.)
inline constexpr int32_t MostDamageBoxes = 20;

// No more than two buffers an output: one the compositor shows, one to draw into.
inline constexpr int BuffersPerOutput = 2;

struct OutputSurface {
    // The output, as it describes itself.
    wl_output* Output;
    int32_t Scale; // whole factor
    int32_t ModeWidth, ModeHeight;
    int32_t RefreshMilliHertz;
    // The surface that covers it, by its role: a layer surface or a full-screen window.
    wl_surface* Surface;
    zwlr_layer_surface_v1* Layer;
    xdg_surface* Window;
    xdg_toplevel* Toplevel;
    wp_viewport* Viewport;
    wp_fractional_scale_v1* Fractional;
    uint32_t Scale120;     // the fractional scale the compositor prefers, 0 until it says
    int32_t Width, Height; // surface size (logical pixels), as configured
    int32_t OfferedWidth, OfferedHeight; // a window's size before its configure is done
    bool Configured;
    // Frame pacing: a frame callback is out until the output wants the next frame.
    wl_callback* Frame;
    bool FrameDue;
    uint64_t ShownGeneration;
    // The picture last committed (picture_changes.h): what the next commit's damage is
    // counted from; 0 where the compositor must take all of it.
    uint64_t Shows;
    uint32_t FramesDrawn; // for the test builds' report
    OutputPicture Plan;
    ShmBuffer Buffers[BuffersPerOutput];
    // The accelerated path's window and its EGL surface instead.
    wl_egl_window* EglWindow;
    void* EglSurface;
};

struct WaylandClient {
    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    wl_compositor* Compositor = nullptr;
    uint32_t CompositorVersion = 0;
    wl_shm* Shm = nullptr;
    zwlr_layer_shell_v1* LayerShell = nullptr;
    xdg_wm_base* WindowManager = nullptr;
    wp_viewporter* Viewporter = nullptr;
    wp_fractional_scale_manager_v1* FractionalScale = nullptr;
    wl_seat* Seat = nullptr;
    wl_keyboard* Keyboard = nullptr;
    wl_pointer* Pointer = nullptr;
    bool Wallpaper = false;                       // on the background layer, deaf to input
    PacedRenderer Renderer = PacedRenderer::Auto; // as asked for
    bool Ended = false;      // input (or the user closing a window) ended the run
    bool Lost = false;       // the connection broke
    uint64_t Generation = 0; // moves on with every generation presented
    EndingInput Input{};
    OutputTable Table{};
    OutputSurface Outputs[MaxOutputs]{};
};

extern WaylandClient Wl;

// A seat's device or an output given back: released where the compositor knows that
// request (it then forgets the object too), else only forgotten here.
template <typename Object>
void GiveBack(Object*& object, uint32_t releaseSince, void (*release)(Object*),
              void (*destroy)(Object*)) {
    if (object == nullptr) return;
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(object)) >= releaseSince)
        release(object);
    else
        destroy(object);
    object = nullptr;
}

// wayland_surfaces.cpp: the connection, the outputs and their surfaces.
// Connects and learns the globals and the outputs; false with one line in error when there
// is no compositor, none that answers within AnswerSeconds, or none this program can draw on.
bool ConnectToCompositor(bool wallpaper, std::string& error);
// Makes a surface for every output that needs one, and for those that come later.
void CoverOutputs();
// Takes every surface down, with its buffers; none is made again until CoverOutputs.
void UncoverOutputs();
// For the paced run: reads and handles what the compositor sent, never waiting; false
// once the run is over (input, or the connection lost).
bool ReadCompositorEvents();
int StartWaitingForCompositor();
void StopWaitingForCompositor(bool readable);
// The shortest refresh among the outputs, in nanoseconds.
int64_t FastestRefresh();

// wayland_connection.cpp: reaching the compositor, all of it within a few seconds.
inline constexpr int AnswerSeconds = 5;
// A connection to the compositor's socket, or the one handed over; -1 with one line in
// error where the environment names none, or none is made by the deadline (steady clock).
int OpenCompositorConnection(int64_t deadline, std::string& error);
// One round trip on Wl.Display; false with one line in error when the connection broke or
// the deadline passed first.
bool RoundTripBy(int64_t deadline, std::string& error);

// wayland_input.cpp: the seat's keyboard and pointer, which end the run.
void ListenToSeat(wl_seat* seat);

// wayland_buffers.cpp: drawing the picture into an output's surface.
// Shows the newest generation on every output that wants a frame now; the others show it
// when they do.
void PresentToOutputs();
// Draws the slot's surface if it is due and has not shown the newest generation.
void DrawIfDue(int slot);
// The buffers, or the accelerated path's surface, of a surface that goes or changes size.
void DropBuffers(OutputSurface& output);
// What presents, and on which surfaces: ROLE:WIDTHxHEIGHT:FRAMES each, for the test
// builds' report.
const char* DescribePresenter();

// wayland_gles.cpp: the accelerated path, taken where the renderer is a GPU (or where it is
// asked for by name and OpenGL ES can be had at all).
bool StartAccelerating(PacedRenderer wanted);
void StopAccelerating();
bool IsAccelerating();
const char* AcceleratedRenderer();
// Draws the picture, picture number newest, and commits the surface; false where EGL failed.
bool DrawWithGles(OutputSurface& output, const OutputPicture& plan, uint64_t newest);
void DropGlesSurface(OutputSurface& output);

// idle_run.cpp: glimmerhex-wayland --idle, the resident, until the process ends.
[[noreturn]] void RunResident(const WaylandOptions& options);
