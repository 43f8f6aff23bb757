// The real main window on the off-screen window platform, drawn by the software device,
// with the Open dialog and message boxes answered by the rig instead of a user. Shared by
// the hostile-file tests, the steady-frame allocation test and the soak program.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TorusDlg.h"

namespace reliability {

class SceneRig {
 public:
  // ticks: the tick counter the frame clock reads; empty for the system clock.
  // realSleep: keep the frame's 1 ms sleep (the soak); tests skip it.
  explicit SceneRig(std::function<DWORD()> ticks = {}, bool realSleep = false);
  ~SceneRig();
  SceneRig(const SceneRig&) = delete;
  SceneRig& operator=(const SceneRig&) = delete;

  CTorusDlg& Dlg() { return *m_Dlg; }
  // Shows the shape and the material dialog, so that loads refresh them too.
  void OpenToolDialogs();

  // Sizes the main window's client area so that the picture area gets width x height
  // (0 x 0 shrinks the whole window to nothing), then lets the resize reaction run.
  void SizePicture(int width, int height);
  SIZE PictureSize() const;
  // Handles the events that are waiting, as the message loop does between frames.
  void Pump();

  // The Load command with path as the Open dialog's answer.
  void Load(const std::string& path);
  // How many message boxes the program has shown so far.
  int BoxesShown() const { return m_Boxes; }

  // The picture area as presented last: 0xAARRGGBB pixels, row by row.
  bool ReadPicture(std::vector<uint32_t>* pixels, SIZE* size) const;
  // Pixels whose colour differs from the top-left corner's (the background there).
  static int TorusPixels(const std::vector<uint32_t>& pixels);

 private:
  CTorusDlg* m_Dlg = nullptr;
  std::string m_NextPath;
  int m_Boxes = 0;
};

// Process memory from /proc/self/status, in kilobytes.
long ResidentKb();
long PeakResidentKb();
// Restarts the peak (VmHWM) from the current resident size; false where the kernel
// does not support it.
bool ResetPeakResident();

// The fifteen persisted names, in registration order, with their value kinds.
enum class ValueKind { Int, Scalar, Vec4 };
struct Persisted {
  const char* name;
  ValueKind kind;
};
const std::vector<Persisted>& PersistedVariables();

}  // namespace reliability
