// Runs quennet-render in process and compares its pictures, against each other or against
// the reference images in tests/tools/golden/.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "GoldenImage.h"
#include "TempDir.h"
#include "util/Png.h"

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

using testsupport::CompareImages;
using testsupport::ImageDifference;
using testsupport::Listing;

class ToolFixture : public ::testing::Test {
 protected:
  ToolRun Tool(std::vector<std::string> args);
  // Runs args plus "--out <name>" and reads the picture back.
  util::Image Render(std::vector<std::string> args, const std::string& name = "picture.png");
  std::filesystem::path Temp(const std::string& name) const { return m_Dir / name; }
  static util::Image Load(const std::filesystem::path& path);

  // Within a small tolerance of tests/tools/golden/<name>; with QUENNET_UPDATE_GOLDEN=1 the
  // reference is written from image instead.
  void ExpectMatchesGolden(const util::Image& image, const std::string& name);

  testsupport::TempDir m_Dir{"quennet_render_"};
};
