// The PNG helper the reference images rely on: what is written reads back the same.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "util/Png.h"

namespace {

TEST(Png, RoundTripsWithAndWithoutAlpha) {
  util::Image image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0x80FF0000u, 0x0000FF00u, 0xFF0000FFu, 0x12345678u, 0xFFFFFFFFu, 0x00000000u};
  const testsupport::TempDir dir("quennet_png_");
  const std::string path = (dir / "roundtrip.png").string();
  std::string error;
  ASSERT_TRUE(util::WritePng(path, image, true, &error)) << error;
  util::Image back;
  ASSERT_TRUE(util::ReadPng(path, back, &error)) << error;
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.pixels, image.pixels);
  // Without alpha every pixel reads back opaque, colours unchanged.
  ASSERT_TRUE(util::WritePng(path, image, false, &error)) << error;
  ASSERT_TRUE(util::ReadPng(path, back, &error)) << error;
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    EXPECT_EQ(back.pixels[i], image.pixels[i] | 0xFF000000u);
  }
}

TEST(Png, ReportsFilesItCannotUse) {
  util::Image image;
  std::string error;
  const testsupport::TempDir dir("quennet_png_");
  EXPECT_FALSE(util::ReadPng((dir / "missing.png").string(), image, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  const std::string path = (dir / "not_png.png").string();
  testsupport::WriteFile(path, "not a picture");
  EXPECT_FALSE(util::ReadPng(path, image, &error));
  EXPECT_NE(error.find("not a PNG"), std::string::npos) << error;
  // A truncated file: a real header, then nothing.
  util::Image small;
  small.width = small.height = 4;
  small.pixels.assign(16, 0xFF102030u);
  ASSERT_TRUE(util::WritePng(path, small, false, &error)) << error;
  std::filesystem::resize_file(path, 40);
  EXPECT_FALSE(util::ReadPng(path, image, &error));
  EXPECT_FALSE(util::WritePng("/nonexistent-directory/x.png", small, false, &error));
}

}  // namespace
