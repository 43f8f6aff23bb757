#include "SceneRig.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/directx/Pipeline.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Afx.h"
#include "platform/framework/Simulate.h"

namespace reliability {

namespace {

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
}

long StatusField(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::atol(line.c_str() + length + 1);
  }
  return -1;
}

}  // namespace

SceneRig::SceneRig(std::function<DWORD()> ticks, bool realSleep) {
  StartFramework();
  // The software device only: the same pictures on every machine.
  auto system = std::make_shared<dx::System>();
  system->devices.push_back(dx::software::MakeSoftwareDriver());
  dx::SetSystem(system);
  SetTickCountSource(std::move(ticks));
  if (!realSleep) SetSleepFunction([](DWORD) {});
  SetMessageBoxResponder([this](HWND, const char*, const char*, UINT) {
    ++m_Boxes;
    return IDOK;
  });
  CFileDialog::SetTestResponder([this](const FileDialogRequest&) -> std::optional<std::string> {
    if (m_NextPath.empty()) return std::nullopt;
    return m_NextPath;
  });

  m_Dlg = new CTorusDlg(nullptr);
  if (!m_Dlg->Create(CTorusDlg::IDD, nullptr)) {
    std::fprintf(stderr, "the main window was not created\n");
    std::abort();
  }
  m_Dlg->ShowWindow(SW_SHOWNORMAL);
  Pump();
}

SceneRig::~SceneRig() {
  delete m_Dlg;
  m_Dlg = nullptr;
  Pump();
  CFileDialog::SetTestResponder(nullptr);
  SetMessageBoxResponder(nullptr);
  SetSleepFunction(nullptr);
  SetTickCountSource(nullptr);
}

void SceneRig::OpenToolDialogs() {
  m_Dlg->ShowShapeDialog();
  m_Dlg->ShowMaterialDialog();
  Pump();
}

void SceneRig::SizePicture(int width, int height) {
  RECT client{};
  RECT frame{};
  m_Dlg->GetClientRect(&client);
  m_Dlg->GetWindowRect(&frame);
  const int frameX = (frame.right - frame.left) - (client.right - client.left);
  const int frameY = (frame.bottom - frame.top) - (client.bottom - client.top);
  const int clientX = width > 0 ? width + m_Dlg->m_MarginX : 0;
  const int clientY = height > 0 ? height + m_Dlg->m_MarginY : 0;
  m_Dlg->SetWindowPos(nullptr, 0, 0, clientX + frameX, clientY + frameY,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
}

SIZE SceneRig::PictureSize() const {
  RECT rect{};
  m_Dlg->m_Picture.GetClientRect(&rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void SceneRig::Pump() {
  simulate::PumpMessages();
}

void SceneRig::Load(const std::string& path) {
  m_NextPath = path;
  m_Dlg->OnLoad();
  m_NextPath.clear();
}

bool SceneRig::ReadPicture(std::vector<uint32_t>* pixels, SIZE* size) const {
  if (!m_Dlg->m_Picture.GetSafeHwnd()) return false;
  return simulate::CaptureWindowImage(m_Dlg->m_Picture.GetSafeHwnd(), pixels, size) != FALSE;
}

int SceneRig::TorusPixels(const std::vector<uint32_t>& pixels) {
  if (pixels.empty()) return 0;
  const uint32_t corner = pixels[0] & 0xFFFFFF;
  int count = 0;
  for (uint32_t p : pixels)
    if ((p & 0xFFFFFF) != corner) ++count;
  return count;
}

long ResidentKb() {
  return StatusField("VmRSS");
}
long PeakResidentKb() {
  return StatusField("VmHWM");
}

bool ResetPeakResident() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

const std::vector<Persisted>& PersistedVariables() {
  static const std::vector<Persisted> variables = {
      {"m_Obj.m_Material.m_Diffuse", ValueKind::Vec4},
      {"m_Obj.m_Material.m_Specular", ValueKind::Vec4},
      {"m_Obj.m_Material.m_SpecularPower", ValueKind::Scalar},
      {"m_Obj.m_Material.m_Ambient", ValueKind::Vec4},
      {"m_Obj.m_Material.m_Emissive", ValueKind::Vec4},
      {"m_RadiusMajor", ValueKind::Scalar},
      {"m_RadiusMinor", ValueKind::Scalar},
      {"m_StepsMajor", ValueKind::Int},
      {"m_StepsMinor", ValueKind::Int},
      {"m_LobesNum", ValueKind::Int},
      {"m_LobesAmp", ValueKind::Scalar},
      {"m_TwistNum", ValueKind::Int},
      {"m_TwistAmp", ValueKind::Scalar},
      {"m_TwistOffset", ValueKind::Scalar},
      {"m_TwistRate", ValueKind::Scalar},
  };
  return variables;
}

}  // namespace reliability
