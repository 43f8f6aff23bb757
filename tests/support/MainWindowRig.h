// The program's real main window on Qt's off-screen platform, made as start-up makes it,
// with the tick counter, Sleep, message boxes and the file dialogs answered by the rig
// instead of a user. The one rig of the app, dialog and reliability tests and the soak.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Overrides.h"
#include "app/TorusDlg.h"

namespace testsupport {

// Starts the window framework once, headless, with the program's resources registered.
void StartFramework();

// Makes the software device the only one: the same pictures on every machine.
void UseSoftwareDevice();

class MainWindowRig {
 public:
  // ticks: the tick counter the frame clock reads; empty for the system clock.
  // realSleep: keep the frame's 1 ms sleep (the soak); tests skip it.
  explicit MainWindowRig(std::function<DWORD()> ticks = {}, bool realSleep = false);
  ~MainWindowRig();
  MainWindowRig(const MainWindowRig&) = delete;
  MainWindowRig& operator=(const MainWindowRig&) = delete;

  // Makes and shows the main window; without a renderer when asked, as if its allocation
  // had failed.
  CTorusDlg* MakeWindow(bool withRenderer = true);
  void DestroyWindow();
  CTorusDlg& Dlg() { return *m_Dlg; }
  CWnd* Control(int id) const { return m_Dlg->GetDlgItem(id); }
  // Shows the shape and the material dialog, so that loads refresh them too.
  void OpenToolDialogs();

  // The picture control's client size.
  SIZE PictureSize() const;
  // Sizes the main window's client area so that the picture area gets width x height
  // (0 x 0 shrinks the whole window to nothing), then lets the resize reaction run.
  void SizePicture(int width, int height);
  // Handles the events that are waiting, as the message loop does between frames.
  void Pump();

  // Queues the next answer of a file dialog: a name, or nullopt for Cancel.
  void AnswerFileDialog(std::optional<std::string> name) {
    m_FileAnswers.push_back(std::move(name));
  }
  // The Load command with path as the Open dialog's answer.
  void Load(const std::string& path);
  // How many message boxes the program has shown so far.
  int BoxesShown() const { return static_cast<int>(m_Boxes.size()); }

  // The picture area as presented last: 0xAARRGGBB pixels, row by row.
  bool ReadPicture(std::vector<uint32_t>* pixels, SIZE* size) const;
  // Pixels whose colour differs from the top-left corner's (the background there).
  static int TorusPixels(const std::vector<uint32_t>& pixels);

 protected:
  CTorusDlg* m_Dlg = nullptr;
  std::vector<ShownBox> m_Boxes;
  std::deque<std::optional<std::string>> m_FileAnswers;
  std::vector<FileDialogRequest> m_FileRequests;

 private:
  ScopedTickCount m_TickCount;
  std::optional<ScopedSleep> m_Sleep;
  ScopedMessageBoxes m_MessageBoxes;
  ScopedFileDialogs m_FileDialogs;
};

}  // namespace testsupport
