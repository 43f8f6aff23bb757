#include "platform/framework/WinApp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <cstdio>
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

BOOL AfxWinInit(int argc, char** argv) {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    if (!qobject_cast<QApplication*>(existing)) {
      std::fprintf(stderr,
                   "AfxWinInit: a non-widget Qt application exists; windows cannot be made.\n");
      return FALSE;
    }
  } else {
    // QApplication keeps references to argc and argv for its whole life.
    static int storedArgc = 0;
    static std::vector<std::string> storedArgs;
    static std::vector<char*> storedArgv;
    for (int i = 0; i < argc && argv; ++i) storedArgs.emplace_back(argv[i] ? argv[i] : "");
    if (storedArgs.empty()) storedArgs.emplace_back("quennet");
    for (std::string& arg : storedArgs) storedArgv.push_back(arg.data());
    storedArgv.push_back(nullptr);
    storedArgc = static_cast<int>(storedArgs.size());
    // Lives until the process ends; windows may outlive the application object.
    new QApplication(storedArgc, storedArgv.data());
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
  if (!AfxWinInit(argc, argv) || !app->InitApplication()) return -1;
  if (!app->InitInstance()) {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    const int exitCode = app->ExitInstance();
    State().quitPosted = false;
    return exitCode;
  }
  return app->Run();
}
