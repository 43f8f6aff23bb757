// The PNG helper the reference images rely on: what is written reads back the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "util/Png.h"

namespace {

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

TEST(Png, RoundTripsWithAndWithoutAlpha) {
  util::Image image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0x80FF0000u, 0x0000FF00u, 0xFF0000FFu, 0x12345678u, 0xFFFFFFFFu, 0x00000000u};
  const std::string path = TempPath("quennet_png_roundtrip.png");
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
  std::remove(path.c_str());
}

TEST(Png, ReportsFilesItCannotUse) {
  util::Image image;
  std::string error;
  EXPECT_FALSE(util::ReadPng(TempPath("quennet_png_missing.png"), image, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  const std::string path = TempPath("quennet_png_not_png.png");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a picture", f);
  std::fclose(f);
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
  std::remove(path.c_str());
}

}  // namespace
