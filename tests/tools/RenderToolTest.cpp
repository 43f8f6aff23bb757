// quennet-render end to end, in process: reference pictures at three clock times, the
// default picture size, a parameter file, the rotation over several frames, the files it
// writes, the benchmark report, the OpenGL device, and a one-line refusal for every bad
// command line, file or output.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "RenderTool.h"
#include "ToolFixture.h"
#include "app/TorusDlg.h"

namespace fs = std::filesystem;
using render_tool::RenderSession;

namespace {

using RenderToolTest = ToolFixture;

// The frame step's own scale: 19 animation units a second.
constexpr float kUnitsPerSecond = 19.0f;

util::Image Picture(RenderSession& session) {
  util::Image image;
  EXPECT_TRUE(session.ReadPicture(image));
  return image;
}

TEST_F(RenderToolTest, PicturesAtThreeClockTimesMatchTheReferences) {
  const util::Image start = Render({"--size", "320x300"}, "t0.png");
  const util::Image later = Render({"--size", "320x300", "--time", "3"}, "t3.png");
  // Two frames: the second, at 9 s, shows the rotation of the 8 s before it.
  const util::Image turned =
      Render({"--size", "320x300", "--time", "8", "--frames", "2", "--fps", "1"}, "t9.png");
  ASSERT_EQ(start.width, 320);
  ASSERT_EQ(start.height, 300);
  ExpectMatchesGolden(start, "t0.png");
  ExpectMatchesGolden(later, "t3.png");
  ExpectMatchesGolden(turned, "t9-after-8s.png");
  // Time shows: background, lobes and twist move.
  EXPECT_GT(CompareImages(start, later).pixelsOver, 320 * 300 / 2);
  EXPECT_GT(CompareImages(later, turned).pixelsOver, 320 * 300 / 2);
}

TEST_F(RenderToolTest, DefaultSizeIsTheMainWindowsPictureArea) {
  SIZE picture{};
  {
    std::string error;
    auto session = RenderSession::Open({}, &error);
    ASSERT_TRUE(session) << error;
    RECT rect{};
    session->Dialog().m_Picture.GetClientRect(&rect);
    picture = SIZE{rect.right - rect.left, rect.bottom - rect.top};
  }
  const util::Image image = Render({});
  EXPECT_GT(picture.cx, 0);
  EXPECT_EQ(image.width, picture.cx);
  EXPECT_EQ(image.height, picture.cy);
  // The frame fills the whole picture area: the corners show the clear colour, like the
  // pixels just inside them.
  for (int x : {0, image.width - 1})
    for (int y : {0, image.height - 1}) {
      const int inX = x == 0 ? 3 : x - 3;
      const int inY = y == 0 ? 3 : y - 3;
      EXPECT_EQ(image.At(x, y), image.At(inX, inY)) << x << "," << y;
    }
}

TEST_F(RenderToolTest, ALoadedParameterFileChangesThePicture) {
  const fs::path file = Temp("green.manus");
  testsupport::WriteFile(
      file,
      "m_Obj.m_Material.m_Diffuse\n    0.1000000     0.9000000     0.1000000     1.0000000\n\n"
      "m_LobesNum\n            5\n\n"
      "m_RadiusMinor\n    0.1500000\n\n");
  const util::Image plain = Render({"--size", "160x150"}, "plain.png");
  const util::Image loaded = Render({"--size", "160x150", "--load", file.string()}, "loaded.png");
  EXPECT_GT(CompareImages(plain, loaded).pixelsOver, 160 * 150 / 10);

  // The torus (whatever is not the clear colour of the corner) turns green.
  auto greenLead = [](const util::Image& image) {
    long lead = 0;
    for (uint32_t p : image.pixels) {
      if (p == image.pixels[0]) continue;
      lead += static_cast<int>((p >> 8) & 0xFF) - static_cast<int>((p >> 16) & 0xFF);
    }
    return lead;
  };
  EXPECT_LE(greenLead(plain), 0);
  EXPECT_GT(greenLead(loaded), 160 * 150 * 10);
}

TEST_F(RenderToolTest, LoadingTheDefaultsSavedByTheWindowChangesNothing) {
  const fs::path file = Temp("defaults.manus");
  {
    std::string error;
    auto session = RenderSession::Open({}, &error);
    ASSERT_TRUE(session) << error;
    ASSERT_TRUE(session->Dialog().m_Registry.save(file.c_str()).ok);
  }
  const util::Image plain = Render({"--size", "160x150", "--time", "2"}, "plain.png");
  const util::Image loaded =
      Render({"--size", "160x150", "--time", "2", "--load", file.string()}, "loaded.png");
  EXPECT_EQ(CompareImages(plain, loaded).largest, 0);
}

TEST_F(RenderToolTest, FramesTurnTheTorusAsTheFrameLoopDoes) {
  const fs::path dir = Temp("frames");
  const ToolRun run =
      Tool({"--size", "160x150", "--frames", "3", "--fps", "1", "--out-dir", dir.string()});
  ASSERT_EQ(run.code, 0) << run.err;
  const util::Image first = Load(dir / "frame-0000.png");
  const util::Image third = Load(dir / "frame-0002.png");

  // The first frame is the window's first: unturned, at t = 0.
  EXPECT_EQ(CompareImages(first, Render({"--size", "160x150"})).largest, 0);

  // The third, at 2 s, shows the turn of the one second between the first two frames.
  std::string error;
  auto session = RenderSession::Open({render_tool::DeviceChoice::Software, 160, 150}, &error);
  ASSERT_TRUE(session) << error;
  CTorusDlg& dlg = session->Dialog();
  const float d = 1.0f * kUnitsPerSecond;
  dlg.m_AngleX = d * dlg.m_SpinX;
  dlg.m_AngleY = d * dlg.m_SpinY;
  dlg.m_AngleZ = d * dlg.m_SpinZ;
  session->SetTicks(render_tool::kClockBase + 2000);
  session->Step();
  EXPECT_EQ(CompareImages(third, Picture(*session)).largest, 0);
  // ... and that turn shows.
  EXPECT_GT(CompareImages(third, Render({"--size", "160x150", "--time", "2"})).pixelsOver, 500);
}

TEST_F(RenderToolTest, FrameTimesFollowTheClockFromTheFirstFrame) {
  render_tool::RenderOptions options;
  options.timeSeconds = 1.5;
  options.fps = 30.0;
  options.frames = 10;
  std::string error;
  auto session = RenderSession::Open({render_tool::DeviceChoice::Software, 64, 60}, &error);
  ASSERT_TRUE(session) << error;
  CTorusDlg& dlg = session->Dialog();
  DWORD previous = render_tool::kClockBase;
  for (int k = 0; k < options.frames; ++k) {
    const DWORD tick = render_tool::FrameTick(options, k);
    // Whole milliseconds, 1/30 s apart: 33 or 34 ticks.
    if (k > 0) {
      EXPECT_TRUE(tick - previous == 33 || tick - previous == 34) << k;
    }
    previous = tick;
    session->SetTicks(tick);
    session->Step();
    // Every frame turns by the time since the one before; the first by the time since
    // the window was made. Together: the whole elapsed time.
    const float elapsed = static_cast<float>(tick - render_tool::kClockBase) / 1000.0f;
    EXPECT_NEAR(dlg.m_AngleX, elapsed * kUnitsPerSecond * dlg.m_SpinX, 1e-4f) << k;
    EXPECT_NEAR(dlg.m_AngleY, elapsed * kUnitsPerSecond * dlg.m_SpinY, 1e-4f) << k;
    EXPECT_NEAR(dlg.m_AngleZ, elapsed * kUnitsPerSecond * dlg.m_SpinZ, 1e-4f) << k;
  }
  EXPECT_EQ(render_tool::FrameTick(options, 0), render_tool::kClockBase + 1500);
  EXPECT_EQ(render_tool::FrameTick(options, 30), render_tool::kClockBase + 2500);
}

TEST_F(RenderToolTest, OutDirHoldsEveryFrameAndOutTheLast) {
  const fs::path dir = Temp("strip");
  const std::vector<std::string> common = {"--size",   "64x60", "--time", "1",
                                           "--frames", "4",     "--fps",  "10"};
  std::vector<std::string> args = common;
  args.insert(args.end(), {"--out-dir", dir.string()});
  const ToolRun run = Tool(args);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"frame-0000.png", "frame-0001.png",
                                                    "frame-0002.png", "frame-0003.png"}));
  const util::Image last = Render(common, "last.png");
  EXPECT_EQ(CompareImages(last, Load(dir / "frame-0003.png")).largest, 0);
  EXPECT_GT(CompareImages(last, Load(dir / "frame-0000.png")).pixelsOver, 0);
}

TEST_F(RenderToolTest, BenchPrintsMedianAndPercentilePerPhase) {
  const ToolRun run = Tool({"--bench", "--frames", "20", "--size", "64x60"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::istringstream report(run.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(report, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u) << run.out;
  const char* names[] = {"build", "upload", "draw", "present", "frame"};
  for (int i = 0; i < 5; ++i) {
    const std::regex form(std::string(names[i]) + " +([0-9]+\\.[0-9]{3}) ([0-9]+\\.[0-9]{3})" +
                          (i == 4 ? "  fps [0-9]+" : ""));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, form)) << lines[i];
    EXPECT_LE(std::stod(m[1]), std::stod(m[2])) << lines[i];
    // The torus was built and drawn: those phases took measurable time.
    if (i == 0 || i == 2 || i == 4) {
      EXPECT_GT(std::stod(m[2]), 0.0) << lines[i];
    }
  }
  EXPECT_EQ(lines[5], "device   software");
}

TEST_F(RenderToolTest, OpenGLDrawsTheSamePictureOrSaysWhyNot) {
  const ToolRun run = Tool(
      {"--device", "opengl", "--size", "160x150", "--time", "3", "--out", Temp("gl.png").string()});
  if (run.code != 0) {
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("OpenGL"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(fs::exists(Temp("gl.png")));
    GTEST_SKIP() << "no OpenGL device here: " << run.err;
  }
  const util::Image software = Render({"--size", "160x150", "--time", "3"}, "sw.png");
  const ImageDifference d = CompareImages(Load(Temp("gl.png")), software, 8);
  EXPECT_LT(d.mean, 1.0);
  EXPECT_LE(d.pixelsOver, 160 * 150 / 50);
}

struct Refusal {
  const char* what;
  std::vector<std::string> args;
  int code;
};

TEST_F(RenderToolTest, EveryRefusalIsOneLineWithNothingWritten) {
  const std::string out = Temp("out.png").string();
  const fs::path existingFile = Temp("existing.txt");
  // A directory named like a picture, to be refused as an output.
  const fs::path existingDir = Temp("existing-dir.png");
  testsupport::WriteFile(existingFile, "keep");
  fs::create_directories(existingDir);
  const std::vector<Refusal> rows = {
      {"unknown option", {"--out", out, "--zoom", "2"}, 2},
      {"bad size", {"--out", out, "--size", "320by300"}, 2},
      {"bad time", {"--out", out, "--time", "-3"}, 2},
      {"bad frames", {"--out", out, "--frames", "none"}, 2},
      {"bad fps", {"--out", out, "--fps", "0"}, 2},
      {"bad device", {"--out", out, "--device", "directx"}, 2},
      {"missing value", {"--out", out, "--load"}, 2},
      {"two outputs", {"--out", out, "--out-dir", Temp("d").string()}, 2},
      {"no output", {"--size", "64x60"}, 2},
      {"picture format it cannot write", {"--out", Temp("a.bmp").string()}, 2},
      {"mesh format it cannot write", {"--mesh", Temp("a.fbx").string()}, 2},
      {"no extension", {"--out", Temp("picture").string()}, 2},
      {"bad supersample", {"--out", out, "--supersample", "5"}, 2},
      {"supersample past the largest picture",
       {"--out", out, "--size", "4000x10", "--supersample", "3"},
       2},
      {"mesh in a missing directory", {"--mesh", Temp("no/dir/t.stl").string()}, 1},
      {"missing parameter file", {"--out", out, "--load", Temp("none.manus").string()}, 1},
      {"parameter file is a directory", {"--out", out, "--load", existingDir.string()}, 1},
      {"parameter file is an endless device", {"--out", out, "--load", "/dev/zero"}, 1},
      {"parameter file is a random device", {"--out", out, "--load", "/dev/urandom"}, 1},
      {"output in a missing directory", {"--out", Temp("no/such/dir/x.png").string()}, 1},
      {"output is a directory", {"--out", existingDir.string()}, 1},
      {"output directory is a file", {"--out-dir", existingFile.string()}, 1},
  };
  for (const Refusal& row : rows) {
    const ToolRun run = Tool(row.args);
    EXPECT_EQ(run.code, row.code) << row.what;
    EXPECT_EQ(run.out, "") << row.what;
    EXPECT_EQ(run.err.rfind("quennet-render: ", 0), 0u) << row.what << ": " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << row.what << ": " << run.err;
    EXPECT_EQ(Listing(m_Dir.Path()), (std::vector<std::string>{"existing-dir.png", "existing.txt"}))
        << row.what;
    EXPECT_TRUE(Listing(existingDir).empty()) << row.what;
  }
  // A refused extension is told with the ones that work, before any frame is drawn.
  EXPECT_NE(Tool({"--out", "a.bmp"}).err.find(".png .gif .webp .apng .mp4 .webm"),
            std::string::npos);
  EXPECT_NE(Tool({"--mesh", "a.fbx"}).err.find(".stl .obj .ply .glb .gltf"), std::string::npos);
}

TEST_F(RenderToolTest, HelpGoesToStandardOutput) {
  const ToolRun run = Tool({"--help"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, render_tool::UsageText());
}

TEST_F(RenderToolTest, APictureIsWrittenWholeOrNotAtAll) {
  util::Image image;
  image.width = 4;
  image.height = 2;
  image.pixels.assign(8, 0xFF336699u);
  std::string error;

  // Replacing a file leaves the new picture and no temporary beside it.
  const fs::path target = Temp("picture.png");
  testsupport::WriteFile(target, "an older file");
  ASSERT_TRUE(render_tool::WritePngAtomically(target.string(), image, &error)) << error;
  EXPECT_EQ(Load(target).pixels, image.pixels);
  EXPECT_EQ(Listing(m_Dir.Path()), std::vector<std::string>{"picture.png"});

  // A target that cannot be replaced (a directory with a file in it) stays as it was.
  const fs::path blocked = Temp("blocked.png");
  fs::create_directories(blocked);
  testsupport::WriteFile(blocked / "inside", "x");
  EXPECT_FALSE(render_tool::WritePngAtomically(blocked.string(), image, &error));
  EXPECT_NE(error.find("blocked.png"), std::string::npos) << error;
  EXPECT_EQ(Listing(m_Dir.Path()), (std::vector<std::string>{"blocked.png", "picture.png"}));
  EXPECT_EQ(Listing(blocked), std::vector<std::string>{"inside"});
}

}  // namespace
