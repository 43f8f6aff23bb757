#include "ToolFixture.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "RenderTool.h"

namespace fs = std::filesystem;

ImageDifference CompareImages(const util::Image& a, const util::Image& b, int threshold) {
  ImageDifference d;
  d.sameSize = a.width == b.width && a.height == b.height && !a.pixels.empty();
  if (!d.sameSize) return d;
  double sum = 0.0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    int worst = 0;
    for (int shift : {0, 8, 16}) {
      const int ca = static_cast<int>((a.pixels[i] >> shift) & 0xFF);
      const int cb = static_cast<int>((b.pixels[i] >> shift) & 0xFF);
      worst = std::max(worst, std::abs(ca - cb));
      sum += std::abs(ca - cb);
    }
    d.largest = std::max(d.largest, worst);
    if (worst > threshold) ++d.pixelsOver;
  }
  d.mean = sum / (3.0 * static_cast<double>(a.pixels.size()));
  return d;
}

void ToolFixture::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  m_Dir = fs::temp_directory_path() /
          ("quennet_render_" + std::string(info->test_suite_name()) + "_" + info->name());
  fs::remove_all(m_Dir);
  fs::create_directories(m_Dir);
}

void ToolFixture::TearDown() {
  fs::remove_all(m_Dir);
}

ToolRun ToolFixture::Tool(std::vector<std::string> args) {
  std::ostringstream out;
  std::ostringstream err;
  ToolRun run;
  run.code = render_tool::RunRenderTool(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

util::Image ToolFixture::Render(std::vector<std::string> args, const std::string& name) {
  args.push_back("--out");
  args.push_back(Temp(name).string());
  const ToolRun run = Tool(args);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  return Load(Temp(name));
}

std::vector<std::string> ToolFixture::Listing(const fs::path& dir) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

util::Image ToolFixture::Load(const fs::path& path) {
  util::Image image;
  std::string error;
  EXPECT_TRUE(util::ReadPng(path.string(), image, &error)) << error;
  return image;
}

void ToolFixture::ExpectMatchesGolden(const util::Image& image, const std::string& name) {
  const fs::path golden = fs::path(QUENNET_SOURCE_DIR) / "tests/tools/golden" / name;
  const char* update = std::getenv("QUENNET_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::string error;
    ASSERT_TRUE(render_tool::WritePngAtomically(golden.string(), image, &error)) << error;
    std::cout << "rewrote " << golden << "\n";
    return;
  }
  ASSERT_TRUE(fs::exists(golden)) << golden << " is missing; make it with QUENNET_UPDATE_GOLDEN=1";
  const ImageDifference d = CompareImages(image, Load(golden));
  ASSERT_TRUE(d.sameSize) << name;
  // Rounding in lighting and edge coverage may move a few pixels, never the picture.
  EXPECT_LE(d.pixelsOver, static_cast<int>(image.pixels.size() / 500)) << name;
  EXPECT_LT(d.mean, 0.5) << name;
}
