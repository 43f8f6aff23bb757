// Message tables: how a window or application class says which member handles which
// message, in the form the program's classes are written in.
//
//   class CMyDlg : public CDialog {
//     ...
//     afx_msg void OnSize(UINT type, int cx, int cy);
//     afx_msg void OnApply();
//     DECLARE_MESSAGE_MAP()
//   };
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_SIZE()
//     ON_BN_CLICKED(IDC_APPLY, OnApply)
//   END_MESSAGE_MAP()
//
// The table is a static array of entries {message, notification code, control id,
// handler}; GetMessageMap() (the message-table accessor) returns it together with a link
// to the base class's table. A message is looked up in the class's own table first, in
// table order, then in its base classes' tables; the first match handles it, and a
// message that nothing handles gets the window's default processing (DefWindowProc).
// Handlers are checked at compile time: an ON_WM_SIZE() entry needs a member
// `void OnSize(UINT, int, int)` in the class or a base, and so on:
//
//   ON_WM_PAINT()          void OnPaint()
//   ON_WM_QUERYDRAGICON()  HCURSOR OnQueryDragIcon()
//   ON_WM_SIZE()           void OnSize(UINT type, int cx, int cy)        (client size)
//   ON_WM_MOVE()           void OnMove(int x, int y)                     (client origin)
//   ON_WM_SHOWWINDOW()     void OnShowWindow(BOOL show, UINT status)
//   ON_WM_HSCROLL()        void OnHScroll(UINT code, UINT pos, CScrollBar* control)
//   ON_WM_VSCROLL()        void OnVScroll(UINT code, UINT pos, CScrollBar* control)
//   ON_COMMAND(id, f)      void f()     WM_COMMAND with code 0 (menu/accelerator/button)
//   ON_BN_CLICKED(id, f)   void f()     a push button was clicked
//   ON_EN_CHANGE(id, f)    void f()     an edit's text changed
//   ON_CONTROL(code, id, f) void f()    any other notification code
//   ON_MESSAGE(msg, f)     LRESULT f(WPARAM, LPARAM)  any message, raw
//
// The base classes' handlers (CWnd::OnSize, ...) perform the default processing, so a
// handler "calls the default" by calling the base member, e.g. CDialog::OnSize(t, cx, cy).
#pragma once

#include <type_traits>

#include "platform/framework/WinUser.h"

class CCmdTarget;
class CWnd;
// Scroll messages come from trackbars here; the control is passed as its window object.
using CScrollBar = CWnd;

using MessageHandler = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
  UINT message;  // WM_*; 0 ends the table
  UINT code;     // for WM_COMMAND: the notification code (BN_CLICKED, EN_CHANGE, 0)
  UINT id;       // for WM_COMMAND: the control or command id (low 16 bits)
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap* (*base)();  // the base class's table, or nullptr at the root
  const MessageMapEntry* entries;
};

// The root of everything that receives messages or commands.
class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // The message-table accessor.
  virtual const MessageMap* GetMessageMap() const;
  // Runs the handler of command id with notification code, if the table has one.
  virtual BOOL OnCmdMsg(UINT id, int code);

 protected:
  static const MessageMap* GetThisMessageMap();
  // The first entry for message (for WM_COMMAND also code and id), own table first.
  const MessageMapEntry* FindMessageEntry(UINT message, UINT code, UINT id) const;
};

#define afx_msg

namespace message_map {
CWnd* WindowFromHandle(HWND window);

template <class T, auto Fn>
LRESULT Void(CCmdTarget* target, WPARAM, LPARAM) {
  (static_cast<T*>(target)->*Fn)();
  return 0;
}
template <class T, auto Fn>
LRESULT QueryDragIcon(CCmdTarget* target, WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>((static_cast<T*>(target)->*Fn)());
}
template <class T, auto Fn>
LRESULT Size(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  (static_cast<T*>(target)->*Fn)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
  return 0;
}
template <class T, auto Fn>
LRESULT Move(CCmdTarget* target, WPARAM, LPARAM lParam) {
  (static_cast<T*>(target)->*Fn)(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
  return 0;
}
template <class T, auto Fn>
LRESULT ShowWindow(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  (static_cast<T*>(target)->*Fn)(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
  return 0;
}
template <class T, auto Fn>
LRESULT Scroll(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  (static_cast<T*>(target)->*Fn)(LOWORD(wParam), HIWORD(wParam),
                                 WindowFromHandle(reinterpret_cast<HWND>(lParam)));
  return 0;
}
template <class T, auto Fn>
LRESULT Raw(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  return (static_cast<T*>(target)->*Fn)(wParam, lParam);
}
}  // namespace message_map

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const MessageMap* GetThisMessageMap(); \
  const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const MessageMap* theClass::GetMessageMap() const {                               \
    return GetThisMessageMap();                                                     \
  }                                                                                 \
  const MessageMap* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static_assert(std::is_base_of_v<TheBaseClass, ThisClass>,                       \
                  "BEGIN_MESSAGE_MAP: the second argument must be the base class"); \
    static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                 \
  { 0, 0, 0, nullptr }                                                    \
  }                                                                       \
  ;                                                                       \
  static const MessageMap map{&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                            \
  }

#define ON_WM_PAINT() {WM_PAINT, 0, 0, &message_map::Void<ThisClass, &ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, &message_map::QueryDragIcon<ThisClass, &ThisClass::OnQueryDragIcon>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, &message_map::Size<ThisClass, &ThisClass::OnSize>},
#define ON_WM_MOVE() {WM_MOVE, 0, 0, &message_map::Move<ThisClass, &ThisClass::OnMove>},
#define ON_WM_SHOWWINDOW() \
  {WM_SHOWWINDOW, 0, 0, &message_map::ShowWindow<ThisClass, &ThisClass::OnShowWindow>},
#define ON_WM_HSCROLL() {WM_HSCROLL, 0, 0, &message_map::Scroll<ThisClass, &ThisClass::OnHScroll>},
#define ON_WM_VSCROLL() {WM_VSCROLL, 0, 0, &message_map::Scroll<ThisClass, &ThisClass::OnVScroll>},
#define ON_CONTROL(code, id, memberFxn)                                  \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id) & 0xFFFFu, \
   &message_map::Void<ThisClass, &ThisClass::memberFxn>},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message), 0, 0, &message_map::Raw<ThisClass, &ThisClass::memberFxn>},
