// The application object and its message loop.
//
// The program defines one global object derived from CWinApp; constructing it makes it
// the application (AfxGetApp). AfxWinMain (called by the program's main()) initialises
// the framework, calls InitInstance, then Run:
//
//   Run: repeat
//     1. handle every event that is waiting (input first),
//     2. stop if the quit message has been posted (PostQuitMessage),
//     3. call OnIdle(count) once; while it keeps returning TRUE, go on at 1 without
//        waiting; after FALSE, wait for the next event, then count again from 0.
//   then return ExitInstance(), whose base returns the quit message's exit code.
//
// OnIdle runs only from this loop, so it is never called while a modal loop (a file
// dialog, a message box) runs: those run inside an event handler of step 1.
#pragma once

#include "platform/framework/Wnd.h"

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  ~CWinApp() override;

  CWnd* m_pMainWnd = nullptr;
  LPCSTR m_pszAppName = nullptr;
  HINSTANCE m_hInstance = nullptr;

  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  virtual int Run();
  // More idle work wanted? The base has none past the first call: TRUE for count 0.
  virtual BOOL OnIdle(LONG count);
  // The process exit code; the base returns the quit message's code.
  virtual int ExitInstance();

  HICON LoadIcon(UINT id) const;
  HICON LoadIcon(LPCSTR name) const;

  // The standard Help command (ID_HELP). The program has no help file, so there is
  // nothing to open: the command is accepted and does nothing.
  afx_msg void OnHelp();

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  int m_QuitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();

// Posts the quit message: the message loop ends once the events before it are handled.
void PostQuitMessage(int exitCode);

// Starts the window system (once per process; later calls do nothing) and installs
// the framework's modal message box. Tests call it to get a working framework. Qt gets
// the program's name alone, never its arguments. Without a display to show windows on it
// prints one line saying so and returns FALSE (or ends the process with 1 when Qt finds
// out itself).
BOOL AfxWinInit(int argc, char** argv);
// The framework's entry: AfxWinInit, InitApplication, InitInstance, Run. Without a window
// system it returns 1. If InitInstance fails, the main window is destroyed and
// ExitInstance's code returned.
int AfxWinMain(int argc, char** argv);
