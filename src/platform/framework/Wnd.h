// Window wrappers. A CWnd is a C++ object attached to a window of the framework (its
// HWND, m_hWnd); the window itself belongs to the framework. Controls of a dialog are
// created from its template and a wrapper member is attached to one with DDX_Control;
// GetDlgItem and FromHandle give a temporary wrapper for a window nobody attached to.
// Destroying an attached wrapper destroys its window, as on the original platform.
//
// Every window handle is a WindowObject, so the device layer can size and present into
// any window: PresentImage keeps the image in the window's backing store and the
// window's default painting shows it.
#pragma once

#include "platform/framework/AfxString.h"
#include "platform/framework/MessageMap.h"
#include "platform/framework/WinUser.h"

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }  // NOLINT: converts like the original

  // The wrapper attached to window, or a temporary one that the window owns.
  static CWnd* FromHandle(HWND window);
  // The attached wrapper only, or nullptr.
  static CWnd* FromHandlePermanent(HWND window);
  BOOL Attach(HWND window);
  HWND Detach();
  BOOL SubclassWindow(HWND window);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  virtual BOOL DestroyWindow();

  // ---- messages
  // Delivers message to this window's handler table now and returns the result.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Table lookup, then default processing.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // The window's own processing of a message (painting, text, icons, trackbar state).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Default processing of the message being handled right now.
  LRESULT Default();

  // ---- geometry (client coordinates; window rectangles in screen coordinates)
  void GetClientRect(LPRECT rect) const;
  void GetWindowRect(LPRECT rect) const;
  void ClientToScreen(LPPOINT point) const;
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ScreenToClient(LPRECT rect) const;
  // x, y: parent client coordinates for a control, screen coordinates for a top-level
  // window; cx, cy: the whole window's size. Negative sizes count as zero.
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();

  // ---- state
  // Returns whether the window was visible before (its own WS_VISIBLE).
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  // Returns whether the window was disabled before.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  // Marks a value the program cannot use as it stands: the window's text turns red and
  // tooltip says why. Off restores the normal text colour and removes the tooltip.
  void SetWarning(BOOL on, LPCSTR tooltip);
  // The tooltip the window shows now; empty when it has none.
  CString GetToolTip() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  DWORD GetStyle() const;
  DWORD GetExStyle() const;

  // ---- text (WM_SETTEXT / WM_GETTEXT; an edit raises EN_CHANGE on every set)
  void SetWindowText(LPCSTR text);
  int GetWindowText(LPSTR buffer, int maxCount) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;

  // ---- hierarchy
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;

  // ---- icons (WM_SETICON / WM_GETICON); returns the previous icon
  HICON SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;

  // Z-order positions for SetWindowPos.
  static const CWnd wndTop;
  static const CWnd wndBottom;

 protected:
  // Default handlers: each performs the default processing of its message.
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnShowWindow(BOOL show, UINT status);
  afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* control);
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* control);

  // Whether a wrapper of this class fits the window (a slider wrapper needs a trackbar).
  virtual bool CanAttachTo(HWND window) const;

 private:
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  const CurrentMessage* m_pCurrentMsg = nullptr;
  bool m_Temporary = false;  // made by FromHandle; never destroys its window
  friend class NativeWindow;
};

class CStatic : public CWnd {
 protected:
  bool CanAttachTo(HWND window) const override;
};

class CButton : public CWnd {
 protected:
  bool CanAttachTo(HWND window) const override;
};

class CEdit : public CWnd {
 protected:
  bool CanAttachTo(HWND window) const override;
};

// A trackbar. Setting the range or the position from the program raises no scroll
// message; a user's move sends WM_VSCROLL (vertical) or WM_HSCROLL to the parent. A
// vertical trackbar has its minimum at the top.
class CSliderCtrl : public CWnd {
 public:
  void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
  void GetRange(int& minimum, int& maximum) const;
  int GetRangeMin() const;
  int GetRangeMax() const;
  void SetRangeMin(int minimum, BOOL redraw = FALSE);
  void SetRangeMax(int maximum, BOOL redraw = FALSE);
  int GetPos() const;
  void SetPos(int position);

 protected:
  bool CanAttachTo(HWND window) const override;
};

// A device context. Drawing works only while the window paints (inside WM_PAINT);
// elsewhere m_hDC is null and drawing does nothing.
class CDC {
 public:
  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  BOOL DrawIcon(POINT point, HICON icon) { return ::DrawIcon(m_hDC, point.x, point.y, icon); }
  void FillSolidRect(LPCRECT rect, COLORREF color);
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

 private:
  HWND m_hWnd;
};
