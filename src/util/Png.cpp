#include "util/Png.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace util {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<FILE, FileCloser>;

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// libpng reports errors through longjmp; these callbacks keep its messages for the caller.
struct ErrorSink {
  std::string message;
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
  if (sink) sink->message = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

}  // namespace

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, int pitch,
              bool keepAlpha, std::string* error) {
  if (!pixels || width <= 0 || height <= 0 || pitch < width * 4) {
    SetError(error, "PNG writer: no pixels or an invalid size for " + path);
    return false;
  }
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    SetError(error, "PNG writer: cannot open " + path + " for writing");
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    SetError(error, "PNG writer: out of memory");
    return false;
  }
  const int channels = keepAlpha ? 4 : 3;
  std::vector<png_byte> row(static_cast<size_t>(width) * channels);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    SetError(error, "PNG writer: " + sink.message + " (" + path + ")");
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, keepAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const auto* base = reinterpret_cast<const uint8_t*>(pixels);
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(base + static_cast<size_t>(y) * pitch);
    png_byte* out = row.data();
    for (int x = 0; x < width; ++x) {
      const uint32_t p = src[x];
      *out++ = static_cast<png_byte>(p >> 16);
      *out++ = static_cast<png_byte>(p >> 8);
      *out++ = static_cast<png_byte>(p);
      if (keepAlpha) *out++ = static_cast<png_byte>(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0) {
    SetError(error, "PNG writer: could not finish writing " + path);
    return false;
  }
  return true;
}

bool WritePng(const std::string& path, const Image& image, bool keepAlpha, std::string* error) {
  if (image.pixels.size() != static_cast<size_t>(image.width) * image.height ||
      image.pixels.empty()) {
    SetError(error, "PNG writer: the image size does not match its pixels (" + path + ")");
    return false;
  }
  return WritePng(path, image.pixels.data(), image.width, image.height, image.width * 4, keepAlpha,
                  error);
}

namespace {

// Each libpng phase lives in its own function so that a longjmp never crosses a C++ object
// that changed after setjmp: buffers are sized before the phase that fills them.
bool ReadHeader(png_structp png, png_infop info, FILE* file, png_uint_32* width,
                png_uint_32* height, size_t* rowBytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  // Normalise every colour type to 8-bit RGBA.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  *rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadRows(png_structp png, png_byte* rows, png_uint_32 height, size_t rowBytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, rows + y * rowBytes, nullptr);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, Image& image, std::string* error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetError(error, "PNG reader: cannot open " + path);
    return false;
  }
  png_byte header[8];
  if (std::fread(header, 1, 8, file.get()) != 8 || png_sig_cmp(header, 0, 8) != 0) {
    SetError(error, "PNG reader: " + path + " is not a PNG file");
    return false;
  }
  ErrorSink sink;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  struct Cleanup {
    png_structp* png;
    png_infop* info;
    ~Cleanup() { png_destroy_read_struct(png, info, nullptr); }
  } cleanup{&png, &info};
  if (!png || !info) {
    SetError(error, "PNG reader: out of memory");
    return false;
  }
  png_uint_32 width = 0, height = 0;
  size_t rowBytes = 0;
  if (!ReadHeader(png, info, file.get(), &width, &height, &rowBytes)) {
    SetError(error, "PNG reader: " + sink.message + " (" + path + ")");
    return false;
  }
  if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
      rowBytes != static_cast<size_t>(width) * 4) {
    SetError(error, "PNG reader: unsupported image layout in " + path);
    return false;
  }
  std::vector<png_byte> rows(rowBytes * height);
  if (!ReadRows(png, rows.data(), height, rowBytes)) {
    SetError(error, "PNG reader: " + sink.message + " (" + path + ")");
    return false;
  }
  Image result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.pixels.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < result.pixels.size(); ++i) {
    const png_byte* p = &rows[i * 4];
    result.pixels[i] =
        (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  image = std::move(result);
  return true;
}

}  // namespace util
