// The Wayland program's display: the effects draw into the memory picture, and each output
// shows it scaled in the processor into shared-memory buffers of the output's own pixels
// (no compositor can be asked to scale without blurring), drawn only when that output
// wants a frame.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/present/memory_picture.h"
#include "platform/present/picture_changes.h"
#include "platform/wayland/wayland_state.h"
#include "ports/display_port.h"

struct PlatformSurface {};

namespace {
PlatformSurface TheSurface;

void OnRelease(void* data, wl_buffer*) {
    auto* buffer = static_cast<ShmBuffer*>(data);
    buffer->Busy = false;
    // The output may have wanted a frame while both buffers were out.
    for (int slot = 0; slot < MaxOutputs; ++slot)
        for (const ShmBuffer& each : Wl.Outputs[slot].Buffers)
            if (&each == buffer) DrawIfDue(slot);
}

const wl_buffer_listener BufferListener{OnRelease};

// A buffer of the plan's size, black: a new file is all zeros, which is black in XRGB, so
// the bars are never drawn.
bool MakeBuffer(const OutputPicture& plan, ShmBuffer& buffer) {
    buffer = {};
    buffer.Bytes = static_cast<size_t>(plan.Stride) * static_cast<size_t>(plan.Height);
    const int file = memfd_create("glimmerhex-wayland", MFD_CLOEXEC);
    if (file < 0) return false;
    void* pixels = MAP_FAILED;
    if (ftruncate(file, static_cast<off_t>(buffer.Bytes)) == 0)
        pixels = mmap(nullptr, buffer.Bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (pixels == MAP_FAILED) {
        close(file);
        return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(Wl.Shm, file, static_cast<int32_t>(buffer.Bytes));
    buffer.Buffer = wl_shm_pool_create_buffer(pool, 0, plan.Width, plan.Height, plan.Stride,
                                              WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool); // the buffer keeps what it needs of the pool
    close(file);
    buffer.Pixels = static_cast<uint8_t*>(pixels);
    wl_buffer_add_listener(buffer.Buffer, &BufferListener, &buffer);
    return true;
}

void OnFrameDone(void* data, wl_callback* callback, uint32_t) {
    const int slot = static_cast<int>(reinterpret_cast<intptr_t>(data));
    wl_callback_destroy(callback);
    Wl.Outputs[slot].Frame = nullptr;
    Wl.Outputs[slot].FrameDue = true;
    DrawIfDue(slot);
}

const wl_callback_listener FrameListener{OnFrameDone};

ShmBuffer* FreeBuffer(OutputSurface& output) {
    for (ShmBuffer& buffer : output.Buffers) {
        if (buffer.Busy) continue;
        if (buffer.Buffer == nullptr && !MakeBuffer(output.Plan, buffer)) return nullptr;
        return &buffer;
    }
    return nullptr;
}

// What every commit carries: the surface's size however the buffer is scaled, and the
// request to hear when the output wants the next frame.
void PrepareCommit(int slot, OutputSurface& output) {
    if (output.Viewport != nullptr)
        wp_viewport_set_destination(output.Viewport, output.Width, output.Height);
    else
        wl_surface_set_buffer_scale(output.Surface, output.Scale);
    output.Frame = wl_surface_frame(output.Surface);
    wl_callback_add_listener(output.Frame, &FrameListener,
                             reinterpret_cast<void*>(static_cast<intptr_t>(slot)));
    output.FrameDue = false;
    output.ShownGeneration = Wl.Generation;
    ++output.FramesDrawn;
}

// Brings a free buffer up to the newest picture, scaling only what it lacks, and tells the
// compositor only what differs from the picture it shows.
void DrawInMemory(int slot, OutputSurface& output, const OutputPicture& plan, uint64_t newest) {
    if (plan.Width != output.Plan.Width || plan.Height != output.Plan.Height) DropBuffers(output);
    output.Plan = plan;
    ShmBuffer* buffer = FreeBuffer(output);
    if (buffer == nullptr) return; // drawn once one comes back
    PictureChanges changes;
    ListChangesSince(buffer->Holds, MaxChangedRects, changes);
    for (int i = 0; i < changes.Count; ++i)
        ScalePictureArea(Picture.Pixels, PictureWidth, Picture.Colours, plan.Fit, changes.Rects[i],
                         buffer->Pixels, plan.Stride);
    wl_surface* surface = output.Surface;
    wl_surface_attach(surface, buffer->Buffer, 0, 0);
    if (Wl.CompositorVersion < WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
    } else if (output.Shows == 0) { // the bars too
        wl_surface_damage_buffer(surface, 0, 0, plan.Width, plan.Height);
    } else {
        ListChangesSince(output.Shows, MostDamageBoxes, changes);
        for (int i = 0; i < changes.Count; ++i) {
            const PictureRect area = WindowAreaOf(plan.Fit, changes.Rects[i]);
            wl_surface_damage_buffer(surface, area.X, area.Y, area.Width, area.Height);
        }
    }
    PrepareCommit(slot, output);
    wl_surface_commit(surface);
    buffer->Busy = true;
    buffer->Holds = newest;
    output.Shows = newest;
}

void Draw(int slot, OutputSurface& output) {
    OutputPicture plan{};
    PlanOutputPicture(output.Width, output.Height, output.Scale, output.Scale120, plan);
    const uint64_t newest = NotePicture(Picture.Pixels, Picture.PaletteChanges);
    // The same picture at the same size: no commit, and the output stays due for the next.
    if (newest == output.Shows && plan.Width == output.Plan.Width &&
        plan.Height == output.Plan.Height) {
        output.ShownGeneration = Wl.Generation;
        return;
    }
    if (!IsAccelerating()) return DrawInMemory(slot, output, plan, newest);
    PrepareCommit(slot, output);
    // Where EGL fails the output stays black; the others carry on.
    DrawWithGles(output, plan, newest);
    output.Plan = plan;
}
} // namespace

void DrawIfDue(int slot) {
    OutputSurface& output = Wl.Outputs[slot];
    if (output.Surface != nullptr && output.Configured && output.FrameDue &&
        output.ShownGeneration != Wl.Generation)
        Draw(slot, output);
}

void PresentToOutputs() {
    ++Wl.Generation;
    for (int slot = 0; slot < MaxOutputs; ++slot)
        DrawIfDue(slot);
}

void DropBuffers(OutputSurface& output) {
    DropGlesSurface(output);
    for (ShmBuffer& buffer : output.Buffers) {
        // The compositor keeps what it shows until the next commit; the memory is ours
        // to give back at once.
        if (buffer.Buffer != nullptr) wl_buffer_destroy(buffer.Buffer);
        if (buffer.Pixels != nullptr) munmap(buffer.Pixels, buffer.Bytes);
        buffer = {};
    }
    output.Plan = {};
    output.Shows = 0;
}

const char* DescribePresenter() {
    static std::string description;
    description = IsAccelerating() ? std::string("accelerated (") + AcceleratedRenderer() + ")"
                                   : std::string("software");
    for (int slot = 0; slot < MaxOutputs; ++slot) {
        const OutputSurface& output = Wl.Outputs[slot];
        if (output.Surface == nullptr) continue;
        char size[64];
        std::snprintf(size, sizeof size, " %s:%dx%d:%u",
                      output.Layer != nullptr ? "layer" : "window", output.Plan.Width,
                      output.Plan.Height, output.FramesDrawn);
        description += size;
    }
    return description.c_str();
}

int32_t CreatePrimarySurface(PlatformDevice*, PlatformSurface** surface) {
    StartAccelerating(Wl.Renderer);
    *surface = &TheSurface;
    return DisplayOk;
}

// The resident starts OpenGL ES afresh at each show, and gives back all of it after.
void ReleaseSurface(PlatformSurface*) {
    for (OutputSurface& output : Wl.Outputs)
        DropBuffers(output);
    StopAccelerating();
}
