// A main window on the off-screen platform, with the clock, Sleep, message boxes and the
// file dialogs answered by the test, and a scriptable DirectX driver under the renderer.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/TorusDlg.h"
#include "platform/directx/testing/TestDriver.h"
#include "platform/framework/Afx.h"

struct ShownBox {
  std::string text;
  std::string caption;
  UINT type;
};

class AppFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Makes the main window as start-up does; without a renderer when asked.
  CTorusDlg* MakeWindow(bool withRenderer = true);
  void DestroyWindow();
  CWnd* Control(int id) const { return m_Dlg->GetDlgItem(id); }
  // The picture control's client size.
  SIZE PictureSize() const;

  // Queues the next answer of a file dialog: a name, or nullopt for Cancel.
  void AnswerFileDialog(std::optional<std::string> name) {
    m_FileAnswers.push_back(std::move(name));
  }

  std::filesystem::path TempPath(const std::string& name) const { return m_TempDir / name; }
  static std::string ReadFile(const std::filesystem::path& path);
  static void WriteFile(const std::filesystem::path& path, const std::string& text);

  DWORD m_Ticks = 100000;
  std::unique_ptr<dx::testing::TestDriver> m_Driver;
  dx::testing::TestDevice* m_Device = nullptr;  // passes every capability row
  CTorusDlg* m_Dlg = nullptr;
  std::vector<ShownBox> m_Boxes;
  std::deque<std::optional<std::string>> m_FileAnswers;
  std::vector<FileDialogRequest> m_FileRequests;
  std::filesystem::path m_TempDir;
};
