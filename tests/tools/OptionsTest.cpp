// The command line: what each option sets, the defaults it leaves, and a refusal with a
// one-line reason for every kind of bad argument.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RenderOptions.h"

namespace render_tool {
namespace {

ParsedOptions Parse(std::vector<std::string> args) {
  return ParseArguments(args);
}

TEST(RenderOptionsTest, DefaultsAreOneSoftwareFrameAtTimeZeroWithoutAFile) {
  const ParsedOptions p = Parse({"--out", "a.png"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.options.loadPath.empty());
  EXPECT_EQ(p.options.width, 0);
  EXPECT_EQ(p.options.height, 0);
  EXPECT_EQ(p.options.timeSeconds, 0.0);
  EXPECT_EQ(p.options.FrameCount(), 1);
  EXPECT_EQ(p.options.fps, 30.0);
  EXPECT_EQ(p.options.device, DeviceChoice::Software);
  EXPECT_EQ(p.options.outPath, "a.png");

  const ParsedOptions bench = Parse({"--bench"});
  ASSERT_TRUE(bench.ok) << bench.error;
  EXPECT_EQ(bench.options.FrameCount(), kDefaultBenchFrames);
  const ParsedOptions counted = Parse({"--bench", "--frames", "7"});
  ASSERT_TRUE(counted.ok) << counted.error;
  EXPECT_EQ(counted.options.FrameCount(), 7);
}

TEST(RenderOptionsTest, EveryOptionTakesItsValueSeparatelyOrAfterAnEqualsSign) {
  for (const bool joined : {false, true}) {
    auto option = [joined](std::vector<std::string>& args, const std::string& name,
                           const std::string& value) {
      if (joined) {
        args.push_back(name + "=" + value);
      } else {
        args.push_back(name);
        args.push_back(value);
      }
    };
    std::vector<std::string> args;
    option(args, "--load", "shape.manus");
    option(args, "--size", "320X300");
    option(args, "--time", "2.5");
    option(args, "--frames", "12");
    option(args, "--fps", "24");
    option(args, "--device", "opengl");
    option(args, "--out-dir", "frames");
    args.push_back("--bench");
    const ParsedOptions p = Parse(args);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.loadPath, "shape.manus");
    EXPECT_EQ(p.options.width, 320);
    EXPECT_EQ(p.options.height, 300);
    EXPECT_EQ(p.options.timeSeconds, 2.5);
    EXPECT_EQ(p.options.FrameCount(), 12);
    EXPECT_EQ(p.options.fps, 24.0);
    EXPECT_EQ(p.options.device, DeviceChoice::OpenGL);
    EXPECT_EQ(p.options.outDir, "frames");
    EXPECT_TRUE(p.options.bench);
  }
}

TEST(RenderOptionsTest, HelpNeedsNoOutput) {
  const ParsedOptions p = Parse({"--help"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.options.help);
  EXPECT_NE(UsageText().find("--out-dir"), std::string::npos);
}

struct BadLine {
  const char* what;
  std::vector<std::string> args;
  const char* mentions;  // the error names the culprit
};

TEST(RenderOptionsTest, EveryKindOfBadArgumentIsRefusedWithOneLine) {
  const std::vector<BadLine> rows = {
      {"unknown option", {"--out", "a.png", "--colour", "red"}, "--colour"},
      {"stray argument", {"--out", "a.png", "picture.png"}, "picture.png"},
      {"missing value", {"--out", "a.png", "--time"}, "--time"},
      {"value on a switch", {"--out", "a.png", "--bench=yes"}, "--bench"},
      {"repeated option", {"--out", "a.png", "--time", "1", "--time", "2"}, "--time"},
      {"size without x", {"--out", "a.png", "--size", "320"}, "320"},
      {"size with a zero side", {"--out", "a.png", "--size", "0x300"}, "0x300"},
      {"size too large", {"--out", "a.png", "--size", "9000x10"}, "9000x10"},
      {"size with junk", {"--out", "a.png", "--size", "320x300px"}, "320x300px"},
      {"negative size", {"--out", "a.png", "--size", "-5x5"}, "-5x5"},
      {"time not a number", {"--out", "a.png", "--time", "soon"}, "soon"},
      {"negative time", {"--out", "a.png", "--time", "-1"}, "-1"},
      {"time not finite", {"--out", "a.png", "--time", "inf"}, "inf"},
      {"time past the clock", {"--out", "a.png", "--time", "5e6"}, "5e6"},
      {"zero frames", {"--out", "a.png", "--frames", "0"}, "--frames"},
      {"fractional frames", {"--out", "a.png", "--frames", "2.5"}, "2.5"},
      {"zero fps", {"--out", "a.png", "--fps", "0"}, "--fps"},
      {"negative fps", {"--out", "a.png", "--fps", "-30"}, "-30"},
      {"fps finer than the clock", {"--out", "a.png", "--fps", "2000"}, "2000"},
      {"unknown device", {"--out", "a.png", "--device", "vulkan"}, "vulkan"},
      {"empty output name", {"--out="}, "--out"},
      {"empty load name", {"--out", "a.png", "--load="}, "--load"},
      {"both outputs", {"--out", "a.png", "--out-dir", "d"}, "--out-dir"},
      {"no output at all", {"--time", "1"}, "--out"},
      {"frames past the clock",
       {"--out", "a.png", "--time", "3999999", "--frames", "100", "--fps", "1"},
       "clock"},
  };
  for (const BadLine& row : rows) {
    const ParsedOptions p = Parse(row.args);
    EXPECT_FALSE(p.ok) << row.what;
    EXPECT_NE(p.error.find(row.mentions), std::string::npos) << row.what << ": " << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << row.what;
  }
}

}  // namespace
}  // namespace render_tool
