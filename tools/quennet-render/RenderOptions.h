// The command line of quennet-render, read into one record. Reading checks every value, so
// that the renderer only starts on a command line it can carry out.
#pragma once

#include <string>
#include <vector>

namespace render_tool {

enum class DeviceChoice { Software, OpenGL };

struct RenderOptions {
  std::string loadPath;  // parameter file to load, empty for none
  int width = 0;         // picture size; 0 keeps the main window's own picture size
  int height = 0;
  double timeSeconds = 0.0;  // the clock's elapsed seconds at the first frame
  int frames = 0;            // 0: one frame, or kDefaultBenchFrames with --bench
  double fps = 30.0;
  DeviceChoice device = DeviceChoice::Software;
  std::string outPath;   // the last frame as PNG, or every frame as an animation
  std::string outDir;    // every frame as frame-NNNN.png
  std::string meshPath;  // the torus of the last frame as a mesh
  int supersample = 1;   // each frame drawn at this many times the size and filtered down
  bool bench = false;
  bool fullClears = false;  // every clear writes its pixels (no fast clears), for comparisons
  bool oneThread = false;   // the device draws on the calling thread only, for comparisons
  bool help = false;

  int FrameCount() const;
};

inline constexpr int kDefaultBenchFrames = 500;
inline constexpr int kMaxPictureSide = 8192;
inline constexpr int kMaxFrames = 1000000;
// The clock counts milliseconds: more frames a second would land on the same tick.
inline constexpr double kMaxFps = 1000.0;
// The tick counter is 32 bits of milliseconds; the last frame must stay inside it.
inline constexpr double kMaxSeconds = 4000000.0;

struct ParsedOptions {
  bool ok = false;
  RenderOptions options;
  std::string error;  // one line, without the program's name, when !ok
};

// args: the command line without the program's name. Options take their value as the next
// argument or after '=' ("--size 320x300", "--size=320x300"); each may be given once.
ParsedOptions ParseArguments(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

const char* DeviceName(DeviceChoice device);

}  // namespace render_tool
