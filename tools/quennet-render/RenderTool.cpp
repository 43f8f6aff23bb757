#include "RenderTool.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "PhaseTimer.h"
#include "app/SceneWindow.h"
#include "app/TorusDlg.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Afx.h"
#include "platform/framework/Simulate.h"
#include "render/Renderer.h"
#include "resources/Resources.h"

#ifdef QUENNET_HAVE_OPENGL
#include "platform/directx/opengl/OpenGLDevice.h"
#endif

namespace fs = std::filesystem;

namespace render_tool {
namespace {

// One line of a message box's text, its blanks and tabs folded.
std::string OneLine(const char* caption, const char* text) {
  std::string line = caption ? caption : "";
  line += ": ";
  bool blank = false;
  for (const char* c = text ? text : ""; *c; ++c) {
    if (std::isspace(static_cast<unsigned char>(*c))) {
      blank = true;
      continue;
    }
    if (blank && line.back() != ' ') line += ' ';
    blank = false;
    line += *c;
  }
  return line;
}

std::shared_ptr<dx::System> MakeSystem(DeviceChoice device, std::string& label,
                                       std::string* error) {
  if (device == DeviceChoice::Software) {
    auto system = std::make_shared<dx::System>();
    system->devices.push_back(dx::software::MakeSoftwareDriver());
    label = "software";
    return system;
  }
#ifdef QUENNET_HAVE_OPENGL
  std::string reason;
  auto system = dx::opengl::MakeOpenGLOnlySystem(&reason);
  if (!system || system->devices.empty()) {
    if (error) *error = "the OpenGL device cannot be made: " + reason;
    return nullptr;
  }
  label = "opengl";
  if (const auto* gl = dynamic_cast<const dx::opengl::OpenGLDriver*>(system->devices[0].get()))
    if (!gl->Info().renderer.empty()) label += " (" + gl->Info().renderer + ")";
  return system;
#else
  if (error) *error = "this build of quennet-render has no OpenGL device";
  return nullptr;
#endif
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// Refuses outputs that cannot be written before any frame is drawn.
bool PrepareOutputs(const RenderOptions& o, std::string* error) {
  std::error_code ec;
  if (!o.outPath.empty()) {
    const fs::path target(o.outPath);
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec)) {
      *error = "cannot write " + Quoted(o.outPath) + ": no directory " + Quoted(parent.string());
      return false;
    }
    if (fs::is_directory(target, ec)) {
      *error = "cannot write " + Quoted(o.outPath) + ": it is a directory";
      return false;
    }
  }
  if (!o.outDir.empty()) {
    const fs::path dir(o.outDir);
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
      *error = "cannot write into " + Quoted(o.outDir) + ": it is not a directory";
      return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
      *error = "cannot make the directory " + Quoted(o.outDir) + ": " + ec.message();
      return false;
    }
  }
  return true;
}

std::string FramePath(const std::string& dir, int k) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%04d.png", k);
  return (fs::path(dir) / name).string();
}

bool WritePicture(RenderSession& session, const std::string& path, std::string* error) {
  util::Image image;
  if (!session.ReadPicture(image)) {
    *error = "the picture area could not be read back";
    return false;
  }
  return WritePngAtomically(path, image, error);
}

}  // namespace

DWORD FrameTick(const RenderOptions& options, int k) {
  const double seconds = options.timeSeconds + k / options.fps;
  return kClockBase + static_cast<DWORD>(std::llround(seconds * 1000.0));
}

std::unique_ptr<RenderSession> RenderSession::Open(const Setup& setup, std::string* error) {
  // Headless unless the caller chose a window platform. The off-screen platform's chatter
  // (no raise(), no runtime directory) would bury the tool's one-line messages; a caller
  // who wants it back sets QT_LOGGING_RULES.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_LOGGING_RULES", "default.warning=false", 0);
  if (!AfxWinInit(0, nullptr)) {
    if (error) *error = "the window system could not be started";
    return nullptr;
  }
  resources::RegisterResources();

  std::unique_ptr<RenderSession> session(new RenderSession);
  RenderSession* s = session.get();
  s->m_System = MakeSystem(setup.device, s->m_DeviceLabel, error);
  if (!s->m_System) return nullptr;
  s->m_PreviousSystem = dx::SharedSystem();
  dx::SetSystem(s->m_System);
  SetTickCountSource([s] { return s->m_Ticks; });
  SetSleepFunction([s](DWORD) {
    if (s->m_SleepObserver) s->m_SleepObserver();
  });
  // Nobody is there to answer: the device is taken as it is, and what it said is kept.
  SetMessageBoxResponder([s](HWND, const char* text, const char* caption, UINT) {
    s->m_Notes.push_back(OneLine(caption, text));
    return IDOK;
  });

  s->m_Dlg = new CTorusDlg(nullptr);
  s->m_Dlg->Create(CTorusDlg::IDD, nullptr);
  s->m_Dlg->ShowWindow(SW_SHOWNORMAL);
  simulate::PumpMessages();
  if (!s->m_Dlg->GetSafeHwnd() || !s->m_Dlg->m_Picture.GetSafeHwnd()) {
    if (error) *error = "the main window could not be made";
    return nullptr;
  }
  if (setup.width > 0 && setup.height > 0 &&
      !SizePictureArea(*s->m_Dlg, setup.width, setup.height)) {
    RECT now{};
    s->m_Dlg->m_Picture.GetClientRect(&now);
    if (error)
      *error = "the picture area cannot be made " + std::to_string(setup.width) + "x" +
               std::to_string(setup.height) + " (it is " + std::to_string(now.right - now.left) +
               "x" + std::to_string(now.bottom - now.top) + ")";
    return nullptr;
  }
  // The off-screen platform may add the window's frame after the window's last move
  // message: the client area moves on the screen, the window's frame position does not, and
  // no move message comes. The renderer would keep the old screen position and present its
  // picture 2 pixels off. The move message the platform owes puts the main window's own
  // reaction right.
  POINT origin{0, 0};
  ClientToScreen(s->m_Dlg->GetSafeHwnd(), &origin);
  s->m_Dlg->SendMessage(
      WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(origin.x), static_cast<unsigned>(origin.y)));
  const Renderer* renderer = s->m_Dlg->m_Renderer;
  if (!renderer || !renderer->m_Device) {
    if (error) {
      *error = "the " + std::string(DeviceName(setup.device)) +
               " device could not draw into the picture area";
      if (!s->m_Notes.empty()) *error += " (" + s->m_Notes.back() + ")";
    }
    return nullptr;
  }
  return session;
}

RenderSession::~RenderSession() {
  if (m_System) m_System->hook = nullptr;
  delete m_Dlg;
  m_Dlg = nullptr;
  simulate::PumpMessages();
  SetMessageBoxResponder(nullptr);
  SetSleepFunction(nullptr);
  SetTickCountSource(nullptr);
  if (m_System) dx::SetSystem(m_PreviousSystem);
}

bool RenderSession::Load(const std::string& path, std::string* error) {
  const FileResult result = m_Dlg->m_Registry.load(path.c_str());
  if (!result.ok) {
    if (error) *error = "cannot read the parameter file " + Quoted(path) + ": " + result.reason;
    return false;
  }
  return true;
}

int RenderSession::Step() {
  return m_Dlg->StepFrame();
}

bool RenderSession::ReadPicture(util::Image& image) const {
  SIZE size{};
  if (!::ReadPicture(*m_Dlg, &image.pixels, &size)) return false;
  image.width = size.cx;
  image.height = size.cy;
  return image.width > 0 && image.height > 0;
}

void RenderSession::SetCallHook(dx::CallHook* hook) {
  m_System->hook = hook;
}

bool WritePngAtomically(const std::string& path, const util::Image& image, std::string* error) {
  const std::string temp = path + ".part-" + std::to_string(::getpid());
  // Opened here first, so that a refusal is told with the system's reason.
  errno = 0;
  if (std::FILE* probe = std::fopen(temp.c_str(), "wb")) {
    std::fclose(probe);
  } else {
    if (error) *error = "cannot write " + Quoted(path) + ": " + std::strerror(errno);
    return false;
  }
  std::string reason;
  if (!util::WritePng(temp, image, false, &reason)) {
    std::remove(temp.c_str());
    if (error) *error = "cannot write " + Quoted(path) + ": " + reason;
    return false;
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    std::remove(temp.c_str());
    if (error) *error = "cannot write " + Quoted(path) + ": " + ec.message();
    return false;
  }
  return true;
}

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedOptions parsed = ParseArguments(args);
  if (!parsed.ok) {
    err << "quennet-render: " << parsed.error << " (see --help)\n";
    return 2;
  }
  const RenderOptions& o = parsed.options;
  if (o.help) {
    out << UsageText();
    return 0;
  }
  auto fail = [&err](const std::string& message) {
    err << "quennet-render: " << message << "\n";
    return 1;
  };

  std::string error;
  if (!PrepareOutputs(o, &error)) return fail(error);
  std::unique_ptr<RenderSession> session =
      RenderSession::Open({o.device, o.width, o.height}, &error);
  if (!session) return fail(error);
  for (const std::string& note : session->Notes()) err << "quennet-render: note: " << note << "\n";
  if (!o.loadPath.empty() && !session->Load(o.loadPath, &error)) return fail(error);

  PhaseTimer timer;
  if (o.bench) {
    session->SetCallHook(&timer);
    session->SetSleepObserver([&timer] { timer.OnSleep(); });
  }
  const int frames = o.FrameCount();
  for (int k = 0; k < frames; ++k) {
    session->SetTicks(FrameTick(o, k));
    if (o.bench) timer.BeginFrame();
    session->Step();
    if (o.bench) timer.EndFrame();
    if (!o.outDir.empty() && !WritePicture(*session, FramePath(o.outDir, k), &error))
      return fail(error);
  }
  session->SetCallHook(nullptr);
  session->SetSleepObserver(nullptr);

  if (!o.outPath.empty() && !WritePicture(*session, o.outPath, &error)) return fail(error);
  if (o.bench) out << FormatReport(timer.Frames(), session->DeviceLabel());
  return 0;
}

}  // namespace render_tool
