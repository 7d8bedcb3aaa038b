#include "tools/polykern/FramebufferPng.h"

#include <GL/gl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/polykern/CommandLine.h"

namespace pkcli {
namespace {

constexpr size_t kMessageSize = 160;  // room for one libpng error text

/// libpng reports errors by calling this, which must not return: keep the text, jump back.
void OnPngError(png_structp png, png_const_charp message) {
    auto* text = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(text, kMessageSize, "%s", message != nullptr ? message : "libpng error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

/// Streams the bound framebuffer to `file` as 8-bit RGB, top row first, reading one row at a
/// time so no second full-size copy is needed. Nothing here has a destructor, since libpng
/// leaves by longjmp; `message` (kMessageSize chars) gets libpng's text on failure.
bool WritePngRows(FILE* file, int width, int height, unsigned char* row, char* message) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, message, OnPngError, OnPngWarning);
    if (png == nullptr) {
        std::snprintf(message, kMessageSize, "cannot start the PNG writer");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(message, kMessageSize, "cannot start the PNG writer");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = height - 1; y >= 0; --y) {  // GL's rows run bottom up
        glReadPixels(0, y, width, 1, GL_RGB, GL_UNSIGNED_BYTE, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

/// Writes the framebuffer to a fresh temporary beside `path` and renames it into place;
/// the temporary is removed on any failure, so `path` is either complete or untouched.
}  // namespace

bool WriteFramebufferPng(const std::string& path, int width, int height, std::string* error) {
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);  // before anything to undo
    std::string name;
    const int fd = OpenTemporaryBeside(path, &name, error);
    if (fd < 0) return false;
    FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        *error = "cannot write '" + name + "': " + std::strerror(errno);
        close(fd);
        std::remove(name.c_str());
        return false;
    }
    char message[kMessageSize] = "";
    const bool written = WritePngRows(file, width, height, row.data(), message);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        *error = "cannot write '" + path +
                 "': " + (!written ? std::string(message) : std::string(std::strerror(errno)));
        std::remove(name.c_str());
        return false;
    }
    if (std::rename(name.c_str(), path.c_str()) != 0) {
        *error = "cannot write '" + path + "': " + std::strerror(errno);
        std::remove(name.c_str());
        return false;
    }
    return true;
}

}  // namespace pkcli
