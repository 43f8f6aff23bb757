// Runs quennet-render in process and compares its pictures, against each other or against
// the reference images in tests/tools/golden/.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "util/Png.h"

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

struct ImageDifference {
  int largest = 0;     // largest difference of one channel
  double mean = 0.0;   // mean difference over every channel of every pixel
  int pixelsOver = 0;  // pixels with a channel differing by more than the threshold
  bool sameSize = false;
};

ImageDifference CompareImages(const util::Image& a, const util::Image& b, int threshold = 3);

class ToolFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ToolRun Tool(std::vector<std::string> args);
  // Runs args plus "--out <name>" and reads the picture back.
  util::Image Render(std::vector<std::string> args, const std::string& name = "picture.png");
  std::filesystem::path Temp(const std::string& name) const { return m_Dir / name; }
  // The names in the temporary directory, sorted.
  std::vector<std::string> Listing(const std::filesystem::path& dir) const;
  static util::Image Load(const std::filesystem::path& path);

  // Within a small tolerance of tests/tools/golden/<name>; with QUENNET_UPDATE_GOLDEN=1 the
  // reference is written from image instead.
  void ExpectMatchesGolden(const util::Image& image, const std::string& name);

  std::filesystem::path m_Dir;
};
