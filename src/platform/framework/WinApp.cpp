#include "platform/framework/WinApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/framework/qt/MessageBoxQt.h"

namespace {

struct ApplicationState {
  CWinApp* app = nullptr;
  bool quitPosted = false;
  int quitCode = 0;
};

ApplicationState& State() {
  static ApplicationState state;
  return state;
}

InstanceObject* ProgramInstance() {
  // The program has one module; its handle only has to be distinct from null.
  static char instance;
  return reinterpret_cast<InstanceObject*>(&instance);
}

// How many times one loop step asks the event dispatcher for ready events before the
// idle hook runs. Each round handles everything ready at that moment; a few rounds
// catch what the first round's handlers posted, without letting a busy source (a
// running timer) starve the idle hook.
constexpr int kEventRoundsPerStep = 8;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR appName) : m_pszAppName(appName), m_hInstance(ProgramInstance()) {
  if (State().app) {
    std::fprintf(stderr,
                 "CWinApp: a second application object was constructed; the program must "
                 "have exactly one. The newer one is used.\n");
  }
  State().app = this;
}

CWinApp::~CWinApp() {
  if (State().app == this) State().app = nullptr;
}

BOOL CWinApp::InitApplication() {
  return TRUE;
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

BOOL CWinApp::OnIdle(LONG count) {
  return count < 1 ? TRUE : FALSE;
}

int CWinApp::ExitInstance() {
  return m_QuitCode;
}

void CWinApp::OnHelp() {}

HICON CWinApp::LoadIcon(UINT id) const {
  return LoadIconA(m_hInstance, MAKEINTRESOURCEA(id));
}

HICON CWinApp::LoadIcon(LPCSTR name) const {
  return LoadIconA(m_hInstance, name);
}

int CWinApp::Run() {
  if (!QApplication::instance()) AfxWinInit(0, nullptr);
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  bool idle = true;
  LONG idleCount = 0;
  for (;;) {
    for (int round = 0; round < kEventRoundsPerStep; ++round) {
      if (!dispatcher->processEvents(QEventLoop::AllEvents)) break;
    }
    // Objects whose deletion Qt deferred go now, as an event loop would.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (State().quitPosted) break;
    if (idle) {
      if (!OnIdle(idleCount++)) idle = false;
      continue;
    }
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    idle = true;
    idleCount = 0;
  }
  m_QuitCode = State().quitCode;
  const int exitCode = ExitInstance();
  // The quit message is used up; a window destroyed during ExitInstance posts nothing
  // that outlives this run.
  State().quitPosted = false;
  State().quitCode = 0;
  return exitCode;
}

CWinApp* AfxGetApp() {
  return State().app;
}

CWnd* AfxGetMainWnd() {
  return State().app ? State().app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
  return ProgramInstance();
}

void PostQuitMessage(int exitCode) {
  State().quitPosted = true;
  State().quitCode = exitCode;
  // Wake a loop that waits for events.
  if (QCoreApplication::instance()) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
      dispatcher->wakeUp();
  }
}

namespace {

std::string& ProgramName() {
  static std::string name = "program";
  return name;
}

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

// Why the platform Qt is about to load has no display, or empty when it has one (or needs
// none, as the offscreen platform). Qt itself would abort the process instead.
std::string MissingDisplay() {
  const char* requested = std::getenv("QT_QPA_PLATFORM");
  if (!requested || !*requested) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return {};
    return "no display (DISPLAY and WAYLAND_DISPLAY are not set)";
  }
  // A list of platforms to try in turn, each perhaps with options after a colon.
  std::string reason;
  std::stringstream list(requested);
  for (std::string entry; std::getline(list, entry, ';');) {
    const std::string platform = entry.substr(0, entry.find(':'));
    if (platform == "xcb") {
      if (IsSet("DISPLAY")) return {};
      reason = "no X display (DISPLAY is not set)";
    } else if (platform.rfind("wayland", 0) == 0) {
      if (IsSet("WAYLAND_DISPLAY")) return {};
      reason = "no Wayland display (WAYLAND_DISPLAY is not set)";
    } else if (!platform.empty()) {
      return {};
    }
  }
  return reason;
}

// While Qt starts, its messages wait here: a platform that cannot start ends the process
// with one line of our own instead of Qt's abort; otherwise they are passed on.
struct StartupMessages {
  QtMessageHandler previous = nullptr;
  struct Message {
    QtMsgType type;
    std::string category;
    QString text;
  };
  std::vector<Message> held;
};

StartupMessages& Held() {
  static StartupMessages messages;
  return messages;
}

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    Held().held.push_back({type, context.category ? context.category : "", text});
    return;
  }
  const char* display = std::getenv("DISPLAY");
  std::fprintf(stderr, "%s: cannot open the display%s%s\n", ProgramName().c_str(),
               display && *display ? " " : "", display && *display ? display : "");
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

BOOL AfxWinInit(int argc, char** argv) {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    if (!qobject_cast<QApplication*>(existing)) {
      std::fprintf(stderr,
                   "AfxWinInit: a non-widget Qt application exists; windows cannot be made.\n");
      return FALSE;
    }
  } else {
    if (argc > 0 && argv && argv[0] && *argv[0]) {
      const std::string path = argv[0];
      ProgramName() = path.substr(path.find_last_of('/') + 1);
    }
    if (const std::string missing = MissingDisplay(); !missing.empty()) {
      std::fprintf(stderr, "%s: cannot show a window: %s\n", ProgramName().c_str(),
                   missing.c_str());
      return FALSE;
    }
    // The program takes no arguments, so none reaches Qt (which would act on -platform,
    // -stylesheet, -qwindowgeometry and the like): Qt sees the program's name alone.
    // QApplication keeps references to argc and argv for its whole life.
    static std::string storedName;
    static char* storedArgv[2] = {nullptr, nullptr};
    static int storedArgc = 1;
    storedName = argc > 0 && argv && argv[0] ? argv[0] : ProgramName();
    storedArgv[0] = storedName.data();
    Held().previous = qInstallMessageHandler(HoldStartupMessage);
    // Lives until the process ends; windows may outlive the application object.
    new QApplication(storedArgc, storedArgv);
    qInstallMessageHandler(Held().previous);
    for (const StartupMessages::Message& message : Held().held) {
      const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
      if (Held().previous) {
        Held().previous(message.type, context, message.text);
      } else {
        std::fprintf(stderr, "%s\n", message.text.toLocal8Bit().constData());
      }
    }
    Held().held.clear();
  }
  // Our own loop decides when the program ends.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallQtMessageBox();
  return TRUE;
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) {
    std::fprintf(stderr,
                 "AfxWinMain: no application object. Define one global object of a class "
                 "derived from CWinApp.\n");
    return -1;
  }
  // Without a window system there is nothing to run; AfxWinInit has said why.
  if (!AfxWinInit(argc, argv)) return 1;
  if (!app->InitApplication()) return -1;
  if (!app->InitInstance()) {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    const int exitCode = app->ExitInstance();
    State().quitPosted = false;
    return exitCode;
  }
  return app->Run();
}
