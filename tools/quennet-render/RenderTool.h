// quennet-render as a library: the program's main window (CTorusDlg, with its registry,
// defaults and frame step) made headless over a chosen device, on a clock the tool sets,
// and the run of a whole command line. main() and the tests share it.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "RenderOptions.h"
#include "platform/directx/Pipeline.h"
#include "util/Png.h"

class CTorusDlg;

namespace render_tool {

// The tick counter's reading when the main window is made (the clock's zero).
inline constexpr DWORD kClockBase = 0;

// The tick counter's reading for frame k (from 0) of a run: the first frame at
// options.timeSeconds, the next ones 1/fps apart, on whole milliseconds.
DWORD FrameTick(const RenderOptions& options, int k);

// One main window drawn headless. While a session exists it owns the process's DirectX
// system, tick counter, Sleep and message boxes; it gives them back when it ends.
class RenderSession {
 public:
  struct Setup {
    DeviceChoice device = DeviceChoice::Software;
    int width = 0;  // 0: keep the window's own picture size
    int height = 0;
    int supersample = 1;      // the picture area is made this many times larger
    bool fullClears = false;  // surfaces without fast clears
    bool oneThread = false;   // the device draws on the calling thread only
  };

  // The window, initialised as at start-up and sized; nullptr with a one-line reason when
  // the device or the picture area cannot be had.
  static std::unique_ptr<RenderSession> Open(const Setup& setup, std::string* error);
  ~RenderSession();
  RenderSession(const RenderSession&) = delete;
  RenderSession& operator=(const RenderSession&) = delete;

  CTorusDlg& Dialog() { return *m_Dlg; }
  // The device's name for reports: "software", or "opengl (renderer)".
  const std::string& DeviceLabel() const { return m_DeviceLabel; }
  // Notes the device made during start-up (capability shortfalls), one line each.
  const std::vector<std::string>& Notes() const { return m_Notes; }

  // Reads a parameter file into the window's registry, as the Load command does.
  bool Load(const std::string& path, std::string* error);
  // Sets the tick counter; the next frame reads it.
  void SetTicks(DWORD ticks) { m_Ticks = ticks; }
  // One frame of the main window (its StepFrame).
  int Step();
  // The picture area as it shows now.
  bool ReadPicture(util::Image& image) const;
  // The frame as the tool writes it: the picture area filtered down by the supersample.
  bool ReadFrame(util::Image& image) const;
  // The size ReadFrame gives.
  SIZE FrameSize() const;

  // Observes the device calls (nullptr to stop) and the frame step's sleeps.
  void SetCallHook(dx::CallHook* hook);
  void SetSleepObserver(std::function<void()> observer) { m_SleepObserver = std::move(observer); }

 private:
  RenderSession() = default;

  std::shared_ptr<dx::System> m_PreviousSystem;
  std::shared_ptr<dx::System> m_System;
  DWORD m_Ticks = kClockBase;
  int m_Supersample = 1;
  std::function<void()> m_SleepObserver;
  std::string m_DeviceLabel;
  std::vector<std::string> m_Notes;
  CTorusDlg* m_Dlg = nullptr;
};

// Writes image as a PNG at path through a temporary file beside it, so that a failure
// leaves no partial file.
bool WritePngAtomically(const std::string& path, const util::Image& image, std::string* error);

// Runs a command line (without the program's name). Usage goes to out, the report of
// --bench too; errors go to err as one line, and a progress bar for long runs when
// errIsTerminal. Returns the exit code: 0, 1 when the run failed, 2 for a bad command line.
int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  bool errIsTerminal = false);

}  // namespace render_tool
