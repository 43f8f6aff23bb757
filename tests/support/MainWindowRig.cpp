#include "MainWindowRig.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "GoldenImage.h"
#include "app/SceneWindow.h"
#include "platform/directx/Pipeline.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Afx.h"
#include "platform/framework/Simulate.h"
#include "render/Renderer.h"
#include "resources/Resources.h"

namespace testsupport {

void StartFramework() {
  static bool started = false;
  if (started) return;
  // Headless wherever it runs; a display is not needed for any of this.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  started = AfxWinInit(0, nullptr) != FALSE;
  if (!started) {
    std::fprintf(stderr, "the window framework did not start\n");
    std::abort();
  }
  resources::RegisterResources();
}

void UseSoftwareDevice() {
  auto system = std::make_shared<dx::System>();
  system->devices.push_back(dx::software::MakeSoftwareDriver());
  dx::SetSystem(system);
}

MainWindowRig::MainWindowRig(std::function<DWORD()> ticks, bool realSleep)
    : m_TickCount(std::move(ticks)),
      m_MessageBoxes([this](HWND, const char* text, const char* caption, UINT type) {
        m_Boxes.push_back({text ? text : "", caption ? caption : "", type});
        return IDOK;
      }),
      m_FileDialogs([this](const FileDialogRequest& request) {
        m_FileRequests.push_back(request);
        std::optional<std::string> answer;
        if (!m_FileAnswers.empty()) {
          answer = m_FileAnswers.front();
          m_FileAnswers.pop_front();
        }
        return answer;
      }) {
  StartFramework();
  if (!realSleep) m_Sleep.emplace([](DWORD) {});
}

MainWindowRig::~MainWindowRig() {
  DestroyWindow();
  Pump();
}

CTorusDlg* MainWindowRig::MakeWindow(bool withRenderer) {
  m_Dlg = new CTorusDlg(nullptr);
  if (!withRenderer) {
    delete m_Dlg->m_Renderer;
    m_Dlg->m_Renderer = nullptr;
    m_Dlg->m_Obj.m_Renderer = nullptr;
  }
  if (!m_Dlg->Create(CTorusDlg::IDD, nullptr)) {
    std::fprintf(stderr, "the main window was not created\n");
    std::abort();
  }
  m_Dlg->ShowWindow(SW_SHOWNORMAL);
  Pump();
  return m_Dlg;
}

void MainWindowRig::DestroyWindow() {
  delete m_Dlg;
  m_Dlg = nullptr;
}

void MainWindowRig::OpenToolDialogs() {
  m_Dlg->ShowShapeDialog();
  m_Dlg->ShowMaterialDialog();
  Pump();
}

SIZE MainWindowRig::PictureSize() const {
  RECT rect{};
  m_Dlg->m_Picture.GetClientRect(&rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void MainWindowRig::SizePicture(int width, int height) {
  if (width > 0 && height > 0) {
    SizePictureArea(*m_Dlg, width, height);
    return;
  }
  // No picture area at all: the client area shrinks to nothing, margins included.
  RECT client{};
  RECT frame{};
  m_Dlg->GetClientRect(&client);
  m_Dlg->GetWindowRect(&frame);
  m_Dlg->SetWindowPos(nullptr, 0, 0, (frame.right - frame.left) - (client.right - client.left),
                      (frame.bottom - frame.top) - (client.bottom - client.top),
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
}

void MainWindowRig::Pump() {
  simulate::PumpMessages();
}

void MainWindowRig::Load(const std::string& path) {
  m_FileAnswers.assign(1, path.empty() ? std::nullopt : std::optional<std::string>(path));
  m_Dlg->OnLoad();
  // Long runs load thousands of times: nothing of it is kept.
  m_FileAnswers.clear();
  m_FileRequests.clear();
}

bool MainWindowRig::ReadPicture(std::vector<uint32_t>* pixels, SIZE* size) const {
  return ::ReadPicture(*m_Dlg, pixels, size);
}

int MainWindowRig::TorusPixels(const std::vector<uint32_t>& pixels) {
  return pixels.empty() ? 0 : PixelsUnlike(pixels, pixels[0]);
}

}  // namespace testsupport
