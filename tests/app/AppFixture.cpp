#include "AppFixture.h"

#include <fstream>
#include <sstream>

#include "platform/framework/Simulate.h"
#include "render/Renderer.h"

void AppFixture::SetUpTestSuite() {
  ASSERT_TRUE(AfxWinInit(0, nullptr));
}

void AppFixture::SetUp() {
  SetTickCountSource([this] { return m_Ticks; });
  SetSleepFunction([](DWORD) {});
  SetMessageBoxResponder([this](HWND, const char* text, const char* caption, UINT type) {
    m_Boxes.push_back({text ? text : "", caption ? caption : "", type});
    return IDOK;
  });
  CFileDialog::SetTestResponder([this](const FileDialogRequest& request) {
    m_FileRequests.push_back(request);
    std::optional<std::string> answer;
    if (!m_FileAnswers.empty()) {
      answer = m_FileAnswers.front();
      m_FileAnswers.pop_front();
    }
    return answer;
  });
  m_Driver = std::make_unique<dx::testing::TestDriver>();
  m_Device = &m_Driver->AddHardwareDevice();

  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  m_TempDir = std::filesystem::temp_directory_path() /
              ("quennet_app_" + std::string(info->test_suite_name()) + "_" + info->name());
  std::filesystem::remove_all(m_TempDir);
  std::filesystem::create_directories(m_TempDir);
}

void AppFixture::TearDown() {
  DestroyWindow();
  m_Driver.reset();
  CFileDialog::SetTestResponder(nullptr);
  SetMessageBoxResponder(nullptr);
  SetSleepFunction(nullptr);
  SetTickCountSource(nullptr);
  std::filesystem::remove_all(m_TempDir);
}

CTorusDlg* AppFixture::MakeWindow(bool withRenderer) {
  m_Dlg = new CTorusDlg(nullptr);
  if (!withRenderer) {
    // As if the allocation had failed in the constructor.
    delete m_Dlg->m_Renderer;
    m_Dlg->m_Renderer = nullptr;
    m_Dlg->m_Obj.m_Renderer = nullptr;
  }
  EXPECT_TRUE(m_Dlg->Create(CTorusDlg::IDD, nullptr));
  m_Dlg->ShowWindow(SW_SHOWNORMAL);
  simulate::PumpMessages();
  return m_Dlg;
}

void AppFixture::DestroyWindow() {
  delete m_Dlg;
  m_Dlg = nullptr;
}

SIZE AppFixture::PictureSize() const {
  RECT rect{};
  m_Dlg->m_Picture.GetClientRect(&rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

std::string AppFixture::ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void AppFixture::WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}
