#include "tools/render_output.h"

#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {
std::string WriteBytes(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t put = write(fd, bytes, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return std::string("cannot write: ") + std::strerror(errno);
        bytes += put;
        size -= static_cast<size_t>(put);
    }
    return {};
}
} // namespace

std::string WriteRawFrame(int fd, const FrameImage& frame) {
    std::string error = WriteBytes(
        fd, frame.Pixels, static_cast<size_t>(frame.Pitch) * static_cast<size_t>(frame.Height));
    if (error.empty()) error = WriteBytes(fd, frame.Colours, sizeof(PaletteEntry) * PaletteSize);
    return error;
}

std::string WritePngFrame(int fd, const FrameImage& frame) {
    FILE* file = fdopen(dup(fd), "wb");
    if (file == nullptr) return "cannot write the PNG";
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return "cannot write the PNG";
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.Width),
                 static_cast<png_uint_32>(frame.Height), 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[PaletteSize];
    for (int i = 0; i < PaletteSize; ++i)
        colours[i] = {frame.Colours[i].Red, frame.Colours[i].Green, frame.Colours[i].Blue};
    png_set_PLTE(png, info, colours, PaletteSize);
    png_write_info(png, info);
    for (int32_t y = 0; y < frame.Height; ++y)
        png_write_row(png,
                      frame.Pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.Pitch));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 ? std::string{} : "cannot write the PNG";
}

struct GifWriter {
    GifFileType* File;
    int32_t Width, Height;
};

namespace {
std::string GifError(int code) {
    return std::string("cannot write the GIF: ") + GifErrorString(code);
}

void FillColourMap(ColorMapObject* map, const PaletteEntry* colours) {
    for (int i = 0; i < PaletteSize; ++i)
        map->Colors[i] = {colours[i].Red, colours[i].Green, colours[i].Blue};
}
} // namespace

GifWriter* BeginGif(int fd, int32_t width, int32_t height, std::string& error) {
    int code = 0;
    GifFileType* file = EGifOpenFileHandle(dup(fd), &code);
    if (file == nullptr) {
        error = GifError(code);
        return nullptr;
    }
    EGifSetGifVersion(file, true);
    // Every frame brings its own colour map, so the screen needs none.
    if (EGifPutScreenDesc(file, width, height, 8, 0, nullptr) == GIF_ERROR) {
        error = GifError(file->Error);
        EGifCloseFile(file, &code);
        return nullptr;
    }
    // Loop for ever.
    const GifByteType loop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(file, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(file, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(file, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(file) == GIF_ERROR) {
        error = GifError(file->Error);
        EGifCloseFile(file, &code);
        return nullptr;
    }
    return new GifWriter{file, width, height};
}

std::string AddGifFrame(GifWriter* gif, const FrameImage& frame, int32_t delayCentiseconds) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delayCentiseconds;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    ColorMapObject* map = GifMakeMapObject(PaletteSize, nullptr);
    if (map == nullptr) return "out of memory";
    FillColourMap(map, frame.Colours);
    bool ok = EGifPutExtension(gif->File, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
              EGifPutImageDesc(gif->File, 0, 0, gif->Width, gif->Height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    std::vector<GifPixelType> line(static_cast<size_t>(gif->Width));
    for (int32_t y = 0; ok && y < gif->Height; ++y) {
        std::memcpy(line.data(),
                    frame.Pixels + static_cast<size_t>(y) * static_cast<size_t>(frame.Pitch),
                    line.size());
        ok = EGifPutLine(gif->File, line.data(), gif->Width) != GIF_ERROR;
    }
    return ok ? std::string{} : GifError(gif->File->Error);
}

std::string EndGif(GifWriter* gif) {
    int code = 0;
    const bool ok = EGifCloseFile(gif->File, &code) != GIF_ERROR;
    delete gif;
    return ok ? std::string{} : GifError(code);
}
