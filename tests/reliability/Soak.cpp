// The soak: the real main window on the software device, both tool dialogs open, drawing
// frame after frame while the parameters change at random every few frames (step counts
// over their whole range, refused ones included, radii, lobes, twist, spin, material
// colours), the picture area is resized now and then (to nothing, too) and a random
// parameter file, sound or hostile, is loaded every few hundred frames.
//
// It fails (exit code 1) when, in a frame that changed no step count and followed no resize
// or load, the program's own code allocated anything (Qt's repaint request for the presented
// picture is counted apart), or when the resident size grew by more than --rss-slack-mb
// between frame 1000 and the end. A crash or a hang fails it by itself. Figures are printed
// as it goes and at the end.
//
//   quennet_soak [--frames N] [--seed S] [--width W --height H] [--change-every N]
//                [--load-every N] [--resize-every N] [--rss-slack-mb M] [--no-sleep]
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CountingNew.h"
#include "MainWindowRig.h"
#include "PersistedVariables.h"
#include "ProcessMemory.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUENNET_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENNET_SOAK_ASAN 1
#endif
#endif

namespace reliability {

using testsupport::MainWindowRig;
namespace {

namespace fs = std::filesystem;

struct Options {
  long frames = 100000;
  unsigned seed = 1;
  int width = 160;
  int height = 150;
  int changeEvery = 4;    // parameters change every 1..2N frames
  int loadEvery = 300;    // a file is loaded every 1..2N frames
  int resizeEvery = 500;  // the picture is resized every 1..2N frames
  long rssSlackMb = 16;
  bool sleep = true;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&](long& out) {
      if (i + 1 >= argc) return false;
      out = std::strtol(argv[++i], nullptr, 10);
      return true;
    };
    long value = 0;
    if (arg == "--no-sleep") {
      options.sleep = false;
    } else if (arg == "--frames" && next(value)) {
      options.frames = value;
    } else if (arg == "--seed" && next(value)) {
      options.seed = static_cast<unsigned>(value);
    } else if (arg == "--width" && next(value)) {
      options.width = static_cast<int>(value);
    } else if (arg == "--height" && next(value)) {
      options.height = static_cast<int>(value);
    } else if (arg == "--change-every" && next(value)) {
      options.changeEvery = static_cast<int>(value);
    } else if (arg == "--load-every" && next(value)) {
      options.loadEvery = static_cast<int>(value);
    } else if (arg == "--resize-every" && next(value)) {
      options.resizeEvery = static_cast<int>(value);
    } else if (arg == "--rss-slack-mb" && next(value)) {
      options.rssSlackMb = value;
    } else {
      std::fprintf(stderr, "unknown or incomplete option: %s\n", arg.c_str());
      return false;
    }
  }
  return options.frames > 0 && options.width > 0 && options.height > 0 && options.changeEvery > 0 &&
         options.loadEvery > 0 && options.resizeEvery > 0;
}

class Soak {
 public:
  explicit Soak(const Options& options) : m_Options(options), m_Random(options.seed) {}

  int Run();

 private:
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_Random); }
  float Uniform(float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(m_Random);
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(m_Random); }
  long NextGap(int every) { return Between(1, 2 * every); }

  int RandomSteps();
  void ChangeParameters(CTorusDlg& dlg);
  void MakeFiles();
  std::string RandomFileText(int kind);

  Options m_Options;
  std::mt19937 m_Random;
  fs::path m_Dir;
  std::vector<std::string> m_Files;
};

// Over the whole range: mostly counts the mesh takes, often ones it refuses.
int Soak::RandomSteps() {
  switch (Between(0, 9)) {
    case 0:
      return Between(-5, 0);
    case 1:
      return Between(256, 70000);  // most products refused
    case 2: {
      const int extremes[] = {INT32_MIN, -1, 1, 2, 65535, 65536, INT32_MAX};
      return extremes[Between(0, 6)];
    }
    default:
      return Between(3, 160);
  }
}

void Soak::ChangeParameters(CTorusDlg& dlg) {
  switch (Between(0, 5)) {
    case 0:
      dlg.m_StepsMajor = RandomSteps();
      dlg.m_StepsMinor = RandomSteps();
      break;
    case 1:
      dlg.m_RadiusMajor = Uniform(-2.0f, 2.0f);
      dlg.m_RadiusMinor = Uniform(-1.0f, 1.0f);
      break;
    case 2:
      dlg.m_LobesNum = Between(-12, 12);
      dlg.m_LobesAmp = Uniform(-3.0f, 3.0f);
      break;
    case 3:
      dlg.m_TwistNum = Between(-8, 8);
      dlg.m_TwistAmp = Uniform(-1.0f, 1.0f);
      dlg.m_SpinX = Uniform(-0.2f, 0.2f);
      dlg.m_SpinY = Uniform(-0.2f, 0.2f);
      dlg.m_SpinZ = Uniform(-0.2f, 0.2f);
      break;
    default: {
      Material& material = dlg.m_Obj.m_Material;
      Vec4* colours[] = {&material.m_Ambient, &material.m_Diffuse, &material.m_Specular,
                         &material.m_Emissive};
      Vec4& colour = *colours[Between(0, 3)];
      // Out of 0..1 on purpose now and then: the dialogs and the device must cope.
      colour.Set(Uniform(-0.5f, 1.5f), Uniform(-0.5f, 1.5f), Uniform(-0.5f, 1.5f),
                 Uniform(0.0f, 1.0f));
      material.m_SpecularPower = Uniform(0.0f, 200.0f);
      material.MarkChanged();
      break;
    }
  }
}

// kind 0..5 sound files with random values, 6.. hostile ones.
std::string Soak::RandomFileText(int kind) {
  std::string text;
  char line[160];
  auto record = [&text](const char* name, const char* value) {
    text += name;
    text += '\n';
    text += value;
    text += "\n\n";
  };
  const auto& variables = PersistedVariables();
  if (kind < 6) {
    for (const Persisted& variable : variables) {
      if (variable.kind == ValueKind::Int) {
        const bool steps = std::strncmp(variable.name, "m_Steps", 7) == 0;
        std::snprintf(line, sizeof line, "%13d", steps ? RandomSteps() : Between(-6, 6));
      } else if (variable.kind == ValueKind::Scalar) {
        std::snprintf(line, sizeof line, "%13.7f", Uniform(-1.5f, 1.5f));
      } else {
        std::snprintf(line, sizeof line, "%13.7f %13.7f %13.7f %13.7f", Uniform(0, 1),
                      Uniform(0, 1), Uniform(0, 1), Uniform(0, 1));
      }
      record(variable.name, line);
    }
    return text;
  }
  const char* hostile[] = {"nan", "inf", "-inf", "1e38", "-1e38", "1e39", "-nan"};
  switch (kind) {
    case 6:
    case 7:
      for (const Persisted& variable : variables) {
        const char* value = hostile[Between(0, 6)];
        if (variable.kind == ValueKind::Int) {
          std::snprintf(line, sizeof line, "%d", RandomSteps());
        } else if (variable.kind == ValueKind::Vec4) {
          std::snprintf(line, sizeof line, "%s %s %s %s", value, hostile[Between(0, 6)], value,
                        value);
        } else {
          std::snprintf(line, sizeof line, "%s", value);
        }
        record(variable.name, line);
      }
      return text;
    case 8: {
      // Binary junk with a few real names inside.
      const int size = Between(1, 20000);
      for (int i = 0; i < size; ++i) {
        if (Chance(0.001)) text += std::string("\n") + variables[Between(0, 14)].name + "\n";
        text += static_cast<char>(Between(0, 255));
      }
      return text;
    }
    default:
      // Overlong lines around the reader's piece size.
      record("m_StepsMajor", std::string(static_cast<size_t>(Between(1000, 3000)), '7').c_str());
      record(
          std::string(static_cast<size_t>(Between(1000, 3000)), ' ').append("m_LobesNum").c_str(),
          "-4");
      return text;
  }
}

void Soak::MakeFiles() {
  m_Dir =
      fs::temp_directory_path() / ("quennet_soak_" + std::to_string(static_cast<long>(getpid())));
  fs::remove_all(m_Dir);
  fs::create_directories(m_Dir);
  for (int kind = 0; kind < 10; ++kind) {
    for (int copy = 0; copy < 3; ++copy) {
      // Appended rather than "p" + ...: GCC 12 warns falsely (-Wrestrict) on that at -O3.
      const fs::path path = m_Dir / std::string("p")
                                        .append(std::to_string(kind))
                                        .append("_")
                                        .append(std::to_string(copy))
                                        .append(".manus");
      std::ofstream out(path, std::ios::binary);
      out << RandomFileText(kind);
      m_Files.push_back(path.string());
    }
  }
  // One that cannot be opened: the program reports it and goes on.
  m_Files.push_back((m_Dir / "missing.manus").string());
}

int Soak::Run() {
  MakeFiles();
  testsupport::UseSoftwareDevice();
  MainWindowRig rig({}, m_Options.sleep);
  rig.MakeWindow();
  rig.OpenToolDialogs();
  rig.SizePicture(m_Options.width, m_Options.height);
  CTorusDlg& dlg = rig.Dlg();

  long quietFrames = 0, quietAllocations = 0, quietQtAllocations = 0;
  long busyFrames = 0, busyAllocations = 0;
  long loads = 0, resizes = 0, zeroSizes = 0, changes = 0, refusedFrames = 0;
  long rssAt1000 = -1, rssMax = 0;
  long nextChange = NextGap(m_Options.changeEvery);
  long nextLoad = NextGap(m_Options.loadEvery);
  long nextResize = NextGap(m_Options.resizeEvery);
  int lastMajor = dlg.m_StepsMajor, lastMinor = dlg.m_StepsMinor;
  bool eventful = true;  // the first frame builds everything
  const long reportEvery = m_Options.frames >= 20000 ? 10000 : 1000;

  const auto start = std::chrono::steady_clock::now();
  auto measuredFrom = start;
  for (long frame = 1; frame <= m_Options.frames; ++frame) {
    if (frame == nextChange) {
      ChangeParameters(dlg);
      ++changes;
      nextChange += NextGap(m_Options.changeEvery);
    }
    if (frame == nextResize) {
      // Now and then no picture at all, else a size around the chosen one.
      if (Chance(0.25)) {
        rig.SizePicture(0, 0);
        ++zeroSizes;
      } else {
        rig.SizePicture(Between(1, m_Options.width * 3 / 2), Between(1, m_Options.height * 3 / 2));
      }
      ++resizes;
      eventful = true;
      nextResize += NextGap(m_Options.resizeEvery);
    }
    if (frame == nextLoad) {
      rig.Load(m_Files[static_cast<size_t>(Between(0, static_cast<int>(m_Files.size()) - 1))]);
      ++loads;
      eventful = true;
      nextLoad += NextGap(m_Options.loadEvery);
    }

    const bool stepsChanged = dlg.m_StepsMajor != lastMajor || dlg.m_StepsMinor != lastMinor;
    lastMajor = dlg.m_StepsMajor;
    lastMinor = dlg.m_StepsMinor;
    const int64_t vertices = static_cast<int64_t>(dlg.m_StepsMajor) * dlg.m_StepsMinor;
    if (dlg.m_StepsMajor < 1 || dlg.m_StepsMinor < 1 || vertices > 65535) ++refusedFrames;

    AllocCounts counts;
    {
      CountAllocations counter;
      if (dlg.StepFrame() != 0) {
        std::fprintf(stderr, "frame %ld: the frame step reported no renderer\n", frame);
        return 1;
      }
      counts = counter.Counts();
    }
    if (stepsChanged || eventful) {
      ++busyFrames;
      busyAllocations += counts.allocations;
    } else {
      ++quietFrames;
      quietAllocations += counts.Ours();
      quietQtAllocations += counts.qtAllocations;
      if (counts.Ours() != 0 && quietAllocations == counts.Ours())
        std::fprintf(stderr, "frame %ld: a quiet frame allocated %ld times\n", frame,
                     counts.Ours());
    }
    eventful = false;

    // The message loop's turn between frames: dialog refreshes, resizes, repaints.
    rig.Pump();

    if (frame == 1000) {
      rssAt1000 = ResidentKb();
      measuredFrom = std::chrono::steady_clock::now();
    }
    if (frame % 100 == 0) rssMax = std::max(rssMax, ResidentKb());
    if (frame % reportEvery == 0) {
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("frame %ld: %.1f s, resident %ld kB\n", frame, seconds, ResidentKb());
      std::fflush(stdout);
    }
  }
  const auto end = std::chrono::steady_clock::now();
  const long rssEnd = ResidentKb();
  const double seconds = std::chrono::duration<double>(end - start).count();
  const long framesAfter1000 = m_Options.frames > 1000 ? m_Options.frames - 1000 : 0;
  const double secondsAfter1000 = std::chrono::duration<double>(end - measuredFrom).count();

  std::printf("frames %ld in %.1f s: %.0f frames/s overall", m_Options.frames, seconds,
              m_Options.frames / seconds);
  if (framesAfter1000 > 0)
    std::printf(", %.0f frames/s after frame 1000", framesAfter1000 / secondsAfter1000);
  std::printf("\n");
  std::printf(
      "parameter changes %ld, frames with refused step counts %ld, loads %ld, resizes %ld"
      " (%ld to zero)\n",
      changes, refusedFrames, loads, resizes, zeroSizes);
  std::printf(
      "quiet frames %ld: %ld allocations by the program, %ld by Qt's repaint requests"
      " (%.2f a frame)\n",
      quietFrames, quietAllocations, quietQtAllocations,
      quietFrames ? static_cast<double>(quietQtAllocations) / quietFrames : 0.0);
  std::printf("frames after a step change, resize or load %ld: %ld allocations\n", busyFrames,
              busyAllocations);
  std::printf("resident: %ld kB at frame 1000, %ld kB at the end, %ld kB highest sampled\n",
              rssAt1000, rssEnd, rssMax);

  fs::remove_all(m_Dir);
  int failures = 0;
  if (quietAllocations != 0) {
    std::printf("FAILED: quiet frames allocated\n");
    ++failures;
  }
#ifndef QUENNET_SOAK_ASAN
  // Under AddressSanitizer freed memory sits in quarantine, so the size says nothing.
  if (rssAt1000 > 0 && rssEnd - rssAt1000 > m_Options.rssSlackMb * 1024) {
    std::printf("FAILED: resident size grew by %ld kB after frame 1000\n", rssEnd - rssAt1000);
    ++failures;
  }
#endif
  std::printf("soak: %d passed, %d failed\n", 2 - failures, failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace reliability

int main(int argc, char** argv) {
  reliability::Options options;
  if (!reliability::ParseOptions(argc, argv, options)) return 2;
  return reliability::Soak(options).Run();
}
