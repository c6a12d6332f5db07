// The accelerated path, for a compositor on a machine with a GPU: OpenGL ES draws each
// output's frame from two textures, the picture's palette indices and the palette, both
// sampled NEAREST, so the pixels stay sharp and the processor only hands over 64000 bytes
// a generation. Without a GPU (Mesa's software rasterisers) the shared-memory path costs
// less, so "auto" keeps to it; "accelerated" insists.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>
#include <dirent.h>
#include <unistd.h>
#include <wayland-egl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/present/memory_picture.h"
#include "platform/present/picture_changes.h"
#include "platform/wayland/wayland_state.h"

namespace {
EGLDisplay Display = EGL_NO_DISPLAY;
EGLConfig Config = nullptr;
EGLContext Context = EGL_NO_CONTEXT;
GLuint Program = 0;
GLuint Indices = 0; // 320 x 200 luminance: the palette index of each picture pixel
GLuint Colours = 0; // 256 x 1 RGBA
GLint RectPlace = -1;
uint64_t TextureHas = 0; // the picture in the index texture (picture_changes.h)
uint32_t UploadedPalette = 0;
std::string Renderer;
// Where EGL can be told what changed, the compositor composites only that.
PFNEGLSWAPBUFFERSWITHDAMAGEKHRPROC SwapWithDamage = nullptr;

// Picture corners from (0, 0) at its top left to (1, 1); the rectangle places them on the
// output (left and top edges, width and height, in clip space).
const char* const VertexShader = R"(
attribute vec2 corner;
uniform vec4 rect;
varying vec2 place;
void main() {
    place = corner;
    gl_Position = vec4(rect.x + corner.x * rect.z, rect.y - corner.y * rect.w, 0.0, 1.0);
}
)";

const char* const FragmentShader = R"(
precision mediump float;
uniform sampler2D indices;
uniform sampler2D colours;
varying vec2 place;
void main() {
    float index = texture2D(indices, place).r * 255.0;
    gl_FragColor = texture2D(colours, vec2((index + 0.5) / 256.0, 0.5));
}
)";

GLuint Compile(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled == GL_TRUE ? shader : 0;
}

GLuint MakeTexture(GLint format, GLsizei width, GLsizei height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    for (const GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
        glTexParameteri(GL_TEXTURE_2D, filter, GL_NEAREST);
    for (const GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
        glTexParameteri(GL_TEXTURE_2D, wrap, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, static_cast<GLenum>(format),
                 GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

bool MakeProgram() {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, VertexShader);
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, FragmentShader);
    if (vertex == 0 || fragment == 0) return false;
    Program = glCreateProgram();
    glAttachShader(Program, vertex);
    glAttachShader(Program, fragment);
    glBindAttribLocation(Program, 0, "corner");
    glLinkProgram(Program);
    GLint linked = GL_FALSE;
    glGetProgramiv(Program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) return false;
    glUseProgram(Program);
    RectPlace = glGetUniformLocation(Program, "rect");
    glUniform1i(glGetUniformLocation(Program, "indices"), 0);
    glUniform1i(glGetUniformLocation(Program, "colours"), 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glActiveTexture(GL_TEXTURE1);
    Colours = MakeTexture(GL_RGBA, PaletteSize, 1);
    glActiveTexture(GL_TEXTURE0);
    Indices = MakeTexture(GL_LUMINANCE, PictureWidth, PictureHeight);
    static const GLfloat corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, corners);
    glEnableVertexAttribArray(0);
    glClearColor(0, 0, 0, 1);
    return glGetError() == GL_NO_ERROR;
}

void UploadPicture() {
    if (UploadedPalette != Picture.PaletteChanges) {
        uint8_t colours[PaletteSize * 4];
        for (int i = 0; i < PaletteSize; ++i) {
            colours[i * 4] = Picture.Entries[i].Red;
            colours[i * 4 + 1] = Picture.Entries[i].Green;
            colours[i * 4 + 2] = Picture.Entries[i].Blue;
            colours[i * 4 + 3] = 255;
        }
        glActiveTexture(GL_TEXTURE1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, PaletteSize, 1, GL_RGBA, GL_UNSIGNED_BYTE, colours);
        glActiveTexture(GL_TEXTURE0);
        UploadedPalette = Picture.PaletteChanges;
    }
    // Only the lines that changed, each once, whatever the number of outputs: they share the
    // context. (OpenGL ES 2 uploads whole lines of a picture 320 pixels wide.)
    PictureChanges changes;
    ListChangesSince(TextureHas, MaxChangedRects, changes);
    bool changed[PictureHeight + 1] = {};
    for (int i = 0; i < changes.Count; ++i)
        std::fill_n(changed + changes.Rects[i].Y, changes.Rects[i].Height, true);
    for (int first = 0, end = 0; first < PictureHeight; first = end + 1) {
        for (end = first; changed[end];)
            ++end;
        if (end > first)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, PictureWidth, end - first, GL_LUMINANCE,
                            GL_UNSIGNED_BYTE, Picture.Pixels + first * PictureWidth);
    }
}

// Swaps, telling the compositor which parts differ from the picture the output showed.
bool SwapChanges(const OutputSurface& output, const OutputPicture& plan) {
    if (SwapWithDamage == nullptr || output.Shows == 0)
        return eglSwapBuffers(Display, output.EglSurface) == EGL_TRUE;
    PictureChanges changes;
    ListChangesSince(output.Shows, MostDamageBoxes, changes);
    EGLint rects[MaxChangedRects * 4];
    for (int i = 0; i < changes.Count; ++i) {
        const PictureRect area = WindowAreaOf(plan.Fit, changes.Rects[i]);
        // EGL counts lines from the bottom.
        const EGLint box[] = {area.X, plan.Height - area.Y - area.Height, area.Width, area.Height};
        std::memcpy(rects + i * 4, box, sizeof box);
    }
    return SwapWithDamage(Display, output.EglSurface, rects, changes.Count) == EGL_TRUE;
}
} // namespace

// A GPU is reached through a render node this user may open. Where there is none, OpenGL
// could only be emulated, and merely loading it (LLVM among it) would keep some 70 MB mapped
// for the rest of the run: "auto" decides before loading anything.
bool HasRenderNode() {
    DIR* nodes = opendir("/dev/dri");
    if (nodes == nullptr) return false;
    bool found = false;
    while (const dirent* node = readdir(nodes))
        found = found || (std::strncmp(node->d_name, "renderD", 7) == 0 &&
                          faccessat(dirfd(nodes), node->d_name, R_OK | W_OK, 0) == 0);
    closedir(nodes);
    return found;
}

void StopAccelerating() {
    if (Display != EGL_NO_DISPLAY) {
        // A current context would outlive the display until the thread let it go.
        eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglTerminate(Display);
    }
    Display = EGL_NO_DISPLAY;
    Context = EGL_NO_CONTEXT;
    // A new context starts with empty textures.
    TextureHas = 0;
    SwapWithDamage = nullptr;
    UploadedPalette = 0;
}

bool StartAccelerating(PacedRenderer wanted) {
    if (wanted == PacedRenderer::Software || (wanted == PacedRenderer::Auto && !HasRenderNode()))
        return false;
    Display = eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, Wl.Display, nullptr);
    if (Display == EGL_NO_DISPLAY || eglInitialize(Display, nullptr, nullptr) != EGL_TRUE ||
        eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
        StopAccelerating();
        return false;
    }
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_WINDOW_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_ES2_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_NONE};
    const EGLint version[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLint count = 0;
    if (eglChooseConfig(Display, attributes, &Config, 1, &count) != EGL_TRUE || count < 1 ||
        (Context = eglCreateContext(Display, Config, EGL_NO_CONTEXT, version)) == EGL_NO_CONTEXT ||
        eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, Context) != EGL_TRUE ||
        !MakeProgram()) {
        StopAccelerating();
        return false;
    }
    const char* extensions = eglQueryString(Display, EGL_EXTENSIONS);
    for (const char* swap : {"KHR", "EXT"}) {
        const std::string extension = std::string("EGL_") + swap + "_swap_buffers_with_damage";
        if (SwapWithDamage == nullptr && extensions != nullptr &&
            std::strstr(extensions, extension.c_str()) != nullptr)
            SwapWithDamage = reinterpret_cast<PFNEGLSWAPBUFFERSWITHDAMAGEKHRPROC>(
                eglGetProcAddress((std::string("eglSwapBuffersWithDamage") + swap).c_str()));
    }
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    Renderer = name != nullptr ? name : "?";
    if (wanted == PacedRenderer::Auto && IsSoftwareRasteriser(Renderer)) {
        StopAccelerating();
        return false;
    }
    return true;
}

bool IsAccelerating() {
    return Context != EGL_NO_CONTEXT;
}

const char* AcceleratedRenderer() {
    return Renderer.c_str();
}

bool DrawWithGles(OutputSurface& output, const OutputPicture& plan, uint64_t newest) {
    if (output.EglWindow == nullptr) {
        output.EglWindow = wl_egl_window_create(output.Surface, plan.Width, plan.Height);
        output.EglSurface =
            eglCreatePlatformWindowSurface(Display, Config, output.EglWindow, nullptr);
        if (output.EglSurface == EGL_NO_SURFACE) return false;
    } else if (plan.Width != output.Plan.Width || plan.Height != output.Plan.Height) {
        wl_egl_window_resize(output.EglWindow, plan.Width, plan.Height, 0, 0);
    }
    if (eglMakeCurrent(Display, output.EglSurface, output.EglSurface, Context) != EGL_TRUE)
        return false;
    // The output's frame callbacks pace the drawing, never a wait inside the swap.
    eglSwapInterval(Display, 0);
    UploadPicture();
    TextureHas = newest;
    const PictureRect& rect = plan.Fit.Rect;
    glViewport(0, 0, plan.Width, plan.Height);
    glClear(GL_COLOR_BUFFER_BIT);
    glUniform4f(RectPlace, 2.0f * rect.X / plan.Width - 1, 1 - 2.0f * rect.Y / plan.Height,
                2.0f * rect.Width / plan.Width, 2.0f * rect.Height / plan.Height);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    // Commits with the frame callback and the scale asked for before it.
    const bool swapped = SwapChanges(output, plan);
    output.Shows = swapped ? newest : 0;
    return swapped;
}

void DropGlesSurface(OutputSurface& output) {
    if (output.EglSurface != nullptr) {
        eglMakeCurrent(Display, EGL_NO_SURFACE, EGL_NO_SURFACE, Context);
        eglDestroySurface(Display, output.EglSurface);
    }
    if (output.EglWindow != nullptr) wl_egl_window_destroy(output.EglWindow);
    output.EglSurface = nullptr;
    output.EglWindow = nullptr;
    output.Shows = 0;
}
