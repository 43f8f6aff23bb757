#include "ToolFixture.h"

#include <sstream>

#include "RenderTool.h"

namespace fs = std::filesystem;

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

util::Image ToolFixture::Load(const fs::path& path) {
  util::Image image;
  std::string error;
  EXPECT_TRUE(util::ReadPng(path.string(), image, &error)) << error;
  return image;
}

void ToolFixture::ExpectMatchesGolden(const util::Image& image, const std::string& name) {
  // Rounding in lighting and edge coverage may move a few pixels, never the picture.
  testsupport::ExpectMatchesGolden(
      image, "tests/tools/golden/" + name,
      {.channel = 3, .pixelsOff = static_cast<int>(image.pixels.size() / 500), .meanBelow = 0.5});
}
