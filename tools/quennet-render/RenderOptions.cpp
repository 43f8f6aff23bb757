#include "RenderOptions.h"

#include "OutputFormats.h"
#include "Supersample.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>

namespace render_tool {
namespace {

template <class T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return std::nullopt;
  }
  return value;
}

// "WxH" with both sides in 1 .. kMaxPictureSide.
bool ParseSize(std::string_view text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  const auto w = ParseNumber<int>(text.substr(0, x));
  const auto h = ParseNumber<int>(text.substr(x + 1));
  if (!w || !h || *w < 1 || *h < 1 || *w > kMaxPictureSide || *h > kMaxPictureSide) return false;
  width = *w;
  height = *h;
  return true;
}

struct Reader {
  ParsedOptions result;

  bool Fail(std::string message) {
    result.ok = false;
    result.error = std::move(message);
    return false;
  }

  bool Apply(const std::string& name, const std::string& value) {
    RenderOptions& o = result.options;
    if (name == "--load") {
      if (value.empty()) return Fail("--load needs a file name");
      o.loadPath = value;
    } else if (name == "--size") {
      if (!ParseSize(value, o.width, o.height))
        return Fail("--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxPictureSide) +
                    " pixels, not '" + value + "'");
    } else if (name == "--time") {
      const auto t = ParseNumber<double>(value);
      if (!t || *t < 0.0 || *t > kMaxSeconds)
        return Fail("--time wants seconds from 0 to " + std::to_string(int(kMaxSeconds)) +
                    ", not '" + value + "'");
      o.timeSeconds = *t;
    } else if (name == "--frames") {
      const auto n = ParseNumber<int>(value);
      if (!n || *n < 1 || *n > kMaxFrames)
        return Fail("--frames wants a whole number from 1 to " + std::to_string(kMaxFrames) +
                    ", not '" + value + "'");
      o.frames = *n;
    } else if (name == "--fps") {
      const auto f = ParseNumber<double>(value);
      if (!f || *f <= 0.0 || *f > kMaxFps)
        return Fail("--fps wants frames per second above 0 and at most " +
                    std::to_string(int(kMaxFps)) + " (the clock counts milliseconds), not '" +
                    value + "'");
      o.fps = *f;
    } else if (name == "--device") {
      if (value == "software")
        o.device = DeviceChoice::Software;
      else if (value == "opengl")
        o.device = DeviceChoice::OpenGL;
      else
        return Fail("--device wants software or opengl, not '" + value + "'");
    } else if (name == "--out") {
      if (value.empty()) return Fail("--out needs a file name");
      if (!AnimationFormatFor(value))
        return Fail("--out cannot write '" + value + "': it writes " + AnimationExtensions());
      o.outPath = value;
    } else if (name == "--mesh") {
      if (value.empty()) return Fail("--mesh needs a file name");
      if (!MeshFormatFor(value))
        return Fail("--mesh cannot write '" + value + "': it writes " + MeshExtensions());
      o.meshPath = value;
    } else if (name == "--supersample") {
      const auto k = ParseNumber<int>(value);
      if (!k || *k < 1 || *k > kMaxSupersample)
        return Fail("--supersample wants a whole number from 1 to " +
                    std::to_string(kMaxSupersample) + ", not '" + value + "'");
      o.supersample = *k;
    } else if (name == "--out-dir") {
      if (value.empty()) return Fail("--out-dir needs a directory name");
      o.outDir = value;
    }
    return true;
  }

  // Checks that need the whole command line.
  bool CheckTogether() {
    const RenderOptions& o = result.options;
    if (o.help) return true;
    if (!o.outPath.empty() && !o.outDir.empty())
      return Fail("--out and --out-dir exclude each other: give one");
    if (o.outPath.empty() && o.outDir.empty() && o.meshPath.empty() && !o.bench)
      return Fail("nothing to do: give --out FILE, --out-dir DIR, --mesh FILE or --bench");
    if (std::max(o.width, o.height) * o.supersample > kMaxPictureSide)
      return Fail("--supersample " + std::to_string(o.supersample) + " would draw " +
                  std::to_string(o.width * o.supersample) + "x" +
                  std::to_string(o.height * o.supersample) + " pixels, past the " +
                  std::to_string(kMaxPictureSide) + " a side the tool draws");
    const double last = o.timeSeconds + (o.FrameCount() - 1) / o.fps;
    if (last > kMaxSeconds)
      return Fail("the last frame would come " + std::to_string(static_cast<long long>(last)) +
                  " s after the start, past the clock's " +
                  std::to_string(static_cast<long long>(kMaxSeconds)) + " s");
    return true;
  }
};

const std::set<std::string>& ValueOptions() {
  static const std::set<std::string> names = {"--load", "--size",       "--time", "--frames",
                                              "--fps",  "--device",     "--out",  "--out-dir",
                                              "--mesh", "--supersample"};
  return names;
}

// The flag behind an option without a value, or null for a name that is none.
bool* Switch(RenderOptions& o, const std::string& name) {
  if (name == "--bench") return &o.bench;
  if (name == "--full-clears") return &o.fullClears;
  if (name == "--one-thread") return &o.oneThread;
  if (name == "--help") return &o.help;
  return nullptr;
}

}  // namespace

int RenderOptions::FrameCount() const {
  if (frames > 0) return frames;
  return bench ? kDefaultBenchFrames : 1;
}

ParsedOptions ParseArguments(const std::vector<std::string>& args) {
  Reader reader;
  reader.result.ok = true;
  std::set<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string name = arg;
    std::optional<std::string> value;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    const bool takesValue = ValueOptions().count(name) != 0;
    if (!takesValue && !Switch(reader.result.options, name)) {
      if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
        reader.Fail("unknown option '" + name + "'");
      } else {
        reader.Fail("unexpected argument '" + arg + "'");
      }
      return reader.result;
    }
    if (!seen.insert(name).second) {
      reader.Fail(name + " is given more than once");
      return reader.result;
    }
    if (!takesValue) {
      if (value) {
        reader.Fail(name + " takes no value");
        return reader.result;
      }
      *Switch(reader.result.options, name) = true;
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        reader.Fail(name + " needs a value");
        return reader.result;
      }
      value = args[++i];
    }
    if (!reader.Apply(name, *value)) return reader.result;
  }
  reader.CheckTogether();
  return reader.result;
}

const char* DeviceName(DeviceChoice device) {
  return device == DeviceChoice::OpenGL ? "opengl" : "software";
}

std::string UsageText() {
  // The GNU form (a "Usage:" line, then the options under "Options:"), which man pages are
  // made from.
  return R"(Usage: quennet-render [OPTION]...
Draws the quennet torus without a window, through the program's own main window and frame
step, on a clock the tool sets; writes its frames as pictures or an animation, the torus as a
mesh, or times the frames.

Options:
  --load FILE.manus  load a parameter file (as the L button does) before the first frame
  --size WxH         picture area in pixels (default: the main window's picture size)
  --supersample K    draw each frame at K times the size (1 to 4, default 1) and average
                     every K x K pixels into one: edges without jagged steps
  --time SECONDS     the clock's elapsed seconds at the first frame (default 0)
  --frames N         draw N frames 1/F seconds apart (default 1; 500 with --bench)
  --fps F            frames per second of the clock for --frames (default 30)
  --device NAME      software (default) or opengl
  --out FILE         by its extension: .png the last frame; .gif .webp .apng .mp4 .webm
                     every frame, each shown 1/F s. GIF takes a palette made for each
                     frame, WebP and APNG are lossless, MP4 is H.264 (yuv420p, with one
                     more column or row copied from the edge where a side is odd), WebM
                     is VP9; GIF, WebP and APNG loop forever
  --out-dir DIR      write every frame as DIR/frame-0000.png, frame-0001.png, ...
  --mesh FILE        write the torus of the last frame, in its own coordinates, by its
                     extension: .stl (binary), .obj (with its .mtl), .ply (binary), .glb or
                     .gltf (glTF 2.0; .gltf with its .bin); with --out or without
  --bench            draw the frames as fast as possible and print, per phase, the median
                     and 95th percentile in milliseconds: build, upload, draw, present, frame
  --full-clears      write every pixel at each clear instead of leaving tiles for the first
                     drawing or the window to fill (slower; for comparisons)
  --one-thread       draw on one thread only; by default the software device draws large
                     pictures in two bands at once where the machine has a second core
  --help             show this text

One of --out, --out-dir, --mesh and --bench is needed. The first frame is the main window's
first: it shows the torus unturned, and each frame turns it by the time since the one before,
as the running program does. Times are on the clock's millisecond ticks. Files are written
beside their targets and moved into place when whole. A long run shows its progress on
standard error when that is a terminal.

Examples:
  quennet-render --frames 91 --out torus.png   the picture 3 s after start at 30 fps
  quennet-render --frames 300 --out torus.mp4  10 s of the animation as H.264 video
  quennet-render --mesh torus.stl              the torus of the first frame, for printing
  quennet-render --bench                       time 500 frames on the software device

Exit status: 0 on success, 1 when a file or the device fails, 2 for a bad command line.
)";
}

}  // namespace render_tool
