// Reading and writing 32-bit 0xAARRGGBB images as PNG files (8-bit RGBA). Used for reference
// images in tests and for the pictures the command-line renderer writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace util {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, rows top to bottom, no padding

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Writes rows of 0xAARRGGBB pixels (pitch in bytes). With keepAlpha false the file has no
// alpha channel (RGB), which suits render targets whose alpha is not meaningful. Returns
// false with a reason in error when the file cannot be written.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, int pitch,
              bool keepAlpha, std::string* error = nullptr);
bool WritePng(const std::string& path, const Image& image, bool keepAlpha,
              std::string* error = nullptr);

// Reads any PNG (grey, palette, RGB, with or without alpha, 8 or 16 bits) into an Image;
// pixels without alpha get 0xFF. Returns false with a reason when it cannot.
bool ReadPng(const std::string& path, Image& image, std::string* error = nullptr);

}  // namespace util
