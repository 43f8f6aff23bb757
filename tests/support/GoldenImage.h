// Pictures against each other and against reference images kept in the source tree. A
// reference is rewritten from the picture instead when QUENNET_UPDATE_GOLDEN=1 is set, and
// QUENNET_GOLDEN_EXACT=1 makes every comparison with a reference exact.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "util/Png.h"

namespace testsupport {

struct ImageDifference {
  int largest = 0;     // largest difference of one channel (r, g or b)
  double mean = 0.0;   // mean difference over every channel of every pixel
  int pixelsOver = 0;  // pixels with a channel differing by more than the threshold
  int firstOver = -1;  // the first of them, counted row by row
  bool sameSize = false;
};

ImageDifference CompareImages(const util::Image& a, const util::Image& b, int threshold = 3);
// The same over two pictures' pixels (0xAARRGGBB) as rows of the same length.
ImageDifference ComparePixels(std::span<const uint32_t> a, std::span<const uint32_t> b,
                              int threshold);
// How many pixels differ from colour (alpha aside).
int PixelsUnlike(std::span<const uint32_t> pixels, uint32_t colour);

struct GoldenTolerance {
  int channel = 2;                  // a pixel is off when a channel differs by more
  int pixelsOff = 0;                // how many pixels may be off
  std::optional<double> meanBelow;  // the mean channel difference must stay below this
};

// Compares image with the reference at reference (a path relative to the source tree).
void ExpectMatchesGolden(const util::Image& image, const std::string& reference,
                         const GoldenTolerance& tolerance);

}  // namespace testsupport
