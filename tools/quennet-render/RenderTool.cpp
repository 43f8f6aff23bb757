#include "RenderTool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

#include "AnimationWriter.h"
#include "MeshExport.h"
#include "OutputFormats.h"
#include "PendingFile.h"
#include "PhaseTimer.h"
#include "Progress.h"
#include "Supersample.h"
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

bool CheckTarget(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::path target(path);
  const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(parent, ec)) {
    *error = CannotWrite(path, "no directory " + Quoted(parent.string()));
    return false;
  }
  if (fs::is_directory(target, ec)) {
    *error = CannotWrite(path, "it is a directory");
    return false;
  }
  return true;
}

// Refuses outputs that cannot be written before any frame is drawn.
bool PrepareOutputs(const RenderOptions& o, std::string* error) {
  std::error_code ec;
  if (!o.outPath.empty() && !CheckTarget(o.outPath, error)) return false;
  if (!o.meshPath.empty() && !CheckTarget(o.meshPath, error)) return false;
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

bool ReadFrame(const RenderSession& session, util::Image& image, std::string* error) {
  if (session.ReadFrame(image)) return true;
  *error = "the picture area could not be read back";
  return false;
}

bool WritePicture(const RenderSession& session, const std::string& path, std::string* error) {
  util::Image image;
  return ReadFrame(session, image, error) && WritePngAtomically(path, image, error);
}

// An animation written beside its target and moved into place when it is whole.
struct PendingAnimation {
  PendingFile file;
  std::unique_ptr<AnimationWriter> writer;

  explicit PendingAnimation(const std::string& path) : file(path) {}

  bool Open(AnimationFormat format, SIZE size, double fps, std::string* error) {
    if (!file.Create(error)) return false;
    std::string reason;
    writer = AnimationWriter::Open(file.Path(), format, size.cx, size.cy, fps, &reason);
    if (!writer) *error = CannotWrite(file.Target(), reason);
    return writer != nullptr;
  }
  bool Add(const util::Image& frame, std::string* error) {
    std::string reason;
    if (writer->Add(frame, &reason)) return true;
    *error = CannotWrite(file.Target(), reason);
    return false;
  }
  bool Finish(std::string* error) {
    std::string reason;
    if (!writer->Finish(&reason)) {
      *error = CannotWrite(file.Target(), reason);
      return false;
    }
    writer.reset();
    return file.Commit(error);
  }
};

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
  s->m_System->fastClears = !setup.fullClears;
  if (setup.oneThread) s->m_System->threads = 1;
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
  s->m_Supersample = std::max(setup.supersample, 1);
  RECT now{};
  s->m_Dlg->m_Picture.GetClientRect(&now);
  const int width = (setup.width > 0 ? setup.width : now.right - now.left) * s->m_Supersample;
  const int height = (setup.height > 0 ? setup.height : now.bottom - now.top) * s->m_Supersample;
  const bool resize = (setup.width > 0 && setup.height > 0) || s->m_Supersample > 1;
  if (resize && !SizePictureArea(*s->m_Dlg, width, height)) {
    s->m_Dlg->m_Picture.GetClientRect(&now);
    if (error)
      *error = "the picture area cannot be made " + std::to_string(width) + "x" +
               std::to_string(height) + " (it is " + std::to_string(now.right - now.left) + "x" +
               std::to_string(now.bottom - now.top) + ")";
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

bool RenderSession::ReadFrame(util::Image& image) const {
  if (!ReadPicture(image)) return false;
  image = BoxFilterDown(image, m_Supersample);
  return true;
}

SIZE RenderSession::FrameSize() const {
  RECT rect{};
  m_Dlg->m_Picture.GetClientRect(&rect);
  return SIZE{(rect.right - rect.left) / m_Supersample, (rect.bottom - rect.top) / m_Supersample};
}

void RenderSession::SetCallHook(dx::CallHook* hook) {
  m_System->hook = hook;
}

bool WritePngAtomically(const std::string& path, const util::Image& image, std::string* error) {
  PendingFile file(path);
  if (!file.Create(error)) return false;
  std::string reason;
  if (!util::WritePng(file.Path(), image, false, &reason)) {
    if (error) *error = CannotWrite(path, reason);
    return false;
  }
  return file.Commit(error);
}

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  bool errIsTerminal) {
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
  std::unique_ptr<RenderSession> session = RenderSession::Open(
      {o.device, o.width, o.height, o.supersample, o.fullClears, o.oneThread}, &error);
  if (!session) return fail(error);
  for (const std::string& note : session->Notes()) err << "quennet-render: note: " << note << "\n";
  if (!o.loadPath.empty() && !session->Load(o.loadPath, &error)) return fail(error);

  // The command line has checked the extension.
  const AnimationFormat format = AnimationFormatFor(o.outPath).value_or(AnimationFormat::Png);
  std::optional<PendingAnimation> animation;
  if (!o.outPath.empty() && HoldsEveryFrame(format)) {
    animation.emplace(o.outPath);
    if (!animation->Open(format, session->FrameSize(), o.fps, &error)) return fail(error);
  }

  PhaseTimer timer;
  if (o.bench) {
    session->SetCallHook(&timer);
    session->SetSleepObserver([&timer] { timer.OnSleep(); });
  }
  const int frames = o.FrameCount();
  Progress progress(err, frames, errIsTerminal && !o.bench, Progress::SteadySeconds);
  util::Image frame;
  for (int k = 0; k < frames; ++k) {
    session->SetTicks(FrameTick(o, k));
    if (o.bench) timer.BeginFrame();
    session->Step();
    if (o.bench) timer.EndFrame();
    if (!o.outDir.empty() || animation) {
      if (!ReadFrame(*session, frame, &error)) return fail(error);
      if (!o.outDir.empty() && !WritePngAtomically(FramePath(o.outDir, k), frame, &error))
        return fail(error);
      if (animation && !animation->Add(frame, &error)) return fail(error);
    }
    progress.Update(k + 1);
  }
  session->SetCallHook(nullptr);
  session->SetSleepObserver(nullptr);

  if (animation && !animation->Finish(&error)) return fail(error);
  if (!o.outPath.empty() && !animation && !WritePicture(*session, o.outPath, &error))
    return fail(error);
  if (!o.meshPath.empty() &&
      !WriteMesh(o.meshPath, *MeshFormatFor(o.meshPath), session->Dialog().m_Obj, &error))
    return fail(error);
  if (o.bench) out << FormatReport(timer.Frames(), session->DeviceLabel());
  return 0;
}

}  // namespace render_tool
