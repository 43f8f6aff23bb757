#include "GoldenImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace testsupport {

ImageDifference CompareImages(const util::Image& a, const util::Image& b, int threshold) {
  if (a.width != b.width || a.height != b.height) return {};
  return ComparePixels(a.pixels, b.pixels, threshold);
}

ImageDifference ComparePixels(std::span<const uint32_t> a, std::span<const uint32_t> b,
                              int threshold) {
  ImageDifference d;
  d.sameSize = a.size() == b.size() && !a.empty();
  if (!d.sameSize) return d;
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) {
    int worst = 0;
    for (int shift : {0, 8, 16}) {
      const int ca = static_cast<int>((a[i] >> shift) & 0xFF);
      const int cb = static_cast<int>((b[i] >> shift) & 0xFF);
      worst = std::max(worst, std::abs(ca - cb));
      sum += std::abs(ca - cb);
    }
    d.largest = std::max(d.largest, worst);
    if (worst > threshold && d.pixelsOver++ == 0) d.firstOver = static_cast<int>(i);
  }
  d.mean = sum / (3.0 * static_cast<double>(a.size()));
  return d;
}

int PixelsUnlike(std::span<const uint32_t> pixels, uint32_t colour) {
  return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [colour](uint32_t p) {
    return (p & 0xFFFFFFu) != (colour & 0xFFFFFFu);
  }));
}

void ExpectMatchesGolden(const util::Image& image, const std::string& reference,
                         const GoldenTolerance& tolerance) {
  const std::string path = std::string(QUENNET_SOURCE_DIR) + "/" + reference;
  const char* update = std::getenv("QUENNET_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::string error;
    ASSERT_TRUE(util::WritePng(path, image, false, &error)) << error;
    std::cout << "rewrote " << path << "\n";
    return;
  }
  util::Image golden;
  std::string error;
  ASSERT_TRUE(util::ReadPng(path, golden, &error))
      << error << "\nRun the tests with QUENNET_UPDATE_GOLDEN=1 to create the reference image.";
  // QUENNET_GOLDEN_EXACT=1 (the ARM64 build's tests) asks for the reference's very pixels: the
  // software device computes the same integers on every processor.
  const char* exactVar = std::getenv("QUENNET_GOLDEN_EXACT");
  const bool exact = exactVar && std::string(exactVar) == "1";
  const GoldenTolerance allowed =
      exact ? GoldenTolerance{.channel = 0, .pixelsOff = 0, .meanBelow = std::nullopt} : tolerance;
  const ImageDifference d = CompareImages(image, golden, allowed.channel);
  ASSERT_TRUE(d.sameSize) << reference << ": " << image.width << "x" << image.height
                          << " against the reference's " << golden.width << "x" << golden.height;
  EXPECT_LE(d.pixelsOver, allowed.pixelsOff)
      << reference << ": " << d.pixelsOver << " pixels differ from the reference, first at ("
      << d.firstOver % image.width << ", " << d.firstOver / image.width << ")"
      << (exact ? " (exact: QUENNET_GOLDEN_EXACT=1)" : "") << "; if the change is intended, "
      << "regenerate with QUENNET_UPDATE_GOLDEN=1";
  if (allowed.meanBelow) {
    EXPECT_LT(d.mean, *allowed.meanBelow) << reference;
  }
}

}  // namespace testsupport
