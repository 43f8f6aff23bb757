#include "platform/framework/Wnd.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "platform/framework/WinApp.h"
#include "platform/framework/qt/DevicePixels.h"
#include "platform/framework/qt/NativeWindow.h"

namespace {

QWidget* WidgetOf(HWND window) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  return native ? native->Widget() : nullptr;
}

bool IsKind(HWND window, WindowKind kind) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  return native && native->Kind() == kind;
}

}  // namespace

CWnd* message_map::WindowFromHandle(HWND window) {
  return CWnd::FromHandle(window);
}

const CWnd CWnd::wndTop;
const CWnd CWnd::wndBottom;

CWnd::~CWnd() {
  if (m_hWnd && !m_Temporary) DestroyWindow();
}

CWnd* CWnd::FromHandle(HWND window) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  return native ? native->Wrapper() : nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  return native ? native->Attached() : nullptr;
}

BOOL CWnd::Attach(HWND window) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  if (m_hWnd || !native || native->Attached() || !CanAttachTo(window)) return FALSE;
  m_hWnd = window;
  native->SetAttached(this);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND window = m_hWnd;
  NativeWindow* native = NativeWindow::FromHandle(window);
  if (native && native->Attached() == this) native->SetAttached(nullptr);
  m_hWnd = nullptr;
  return window;
}

BOOL CWnd::SubclassWindow(HWND window) {
  return Attach(window);
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  NativeWindow* dialog = parent ? NativeWindow::FromHandle(parent->m_hWnd) : nullptr;
  NativeWindow* control = dialog ? dialog->FindChild(static_cast<int>(id)) : nullptr;
  return control ? SubclassWindow(control->Handle()) : FALSE;
}

BOOL CWnd::DestroyWindow() {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  if (!native) return FALSE;
  CWinApp* app = AfxGetApp();
  const bool mainWindow = app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd == m_hWnd;
  // A temporary wrapper may be the caller; it lives until this call returns.
  std::unique_ptr<CWnd> keepAlive = native->ReleaseTemporary();
  delete native->Widget();
  m_hWnd = nullptr;
  // Destroying the main window ends the message loop, as on the original platform.
  if (mainWindow) {
    app->m_pMainWnd = nullptr;
    PostQuitMessage(0);
  }
  return TRUE;
}

// ------------------------------------------------------------------ messages

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const CurrentMessage current{message, wParam, lParam};
  const CurrentMessage* outer = m_pCurrentMsg;
  m_pCurrentMsg = &current;
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  m_pCurrentMsg = outer;
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 0;
    return TRUE;
  }
  const MessageMapEntry* entry = FindMessageEntry(message, 0, 0);
  if (!entry) return FALSE;
  *result = entry->handler(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
  return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  return native ? native->DefaultProc(message, wParam, lParam) : 0;
}

LRESULT CWnd::Default() {
  if (!m_pCurrentMsg) return 0;
  return DefWindowProc(m_pCurrentMsg->message, m_pCurrentMsg->wParam, m_pCurrentMsg->lParam);
}

void CWnd::OnPaint() {
  Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
  return reinterpret_cast<HCURSOR>(Default());
}
void CWnd::OnSize(UINT, int, int) {
  Default();
}
void CWnd::OnMove(int, int) {
  Default();
}
void CWnd::OnShowWindow(BOOL, UINT) {
  Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
  Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
  Default();
}

bool CWnd::CanAttachTo(HWND) const {
  return true;
}
bool CStatic::CanAttachTo(HWND window) const {
  return IsKind(window, WindowKind::Static);
}
bool CButton::CanAttachTo(HWND window) const {
  return IsKind(window, WindowKind::Button);
}
bool CEdit::CanAttachTo(HWND window) const {
  return IsKind(window, WindowKind::Edit);
}
bool CSliderCtrl::CanAttachTo(HWND window) const {
  return IsKind(window, WindowKind::Trackbar);
}

// ------------------------------------------------------------------ geometry

void CWnd::GetClientRect(LPRECT rect) const {
  if (rect && !::GetClientRect(m_hWnd, rect)) *rect = RECT{0, 0, 0, 0};
}

void CWnd::GetWindowRect(LPRECT rect) const {
  if (rect && !::GetWindowRect(m_hWnd, rect)) *rect = RECT{0, 0, 0, 0};
}

void CWnd::ClientToScreen(LPPOINT point) const {
  ::ClientToScreen(m_hWnd, point);
}

void CWnd::ClientToScreen(LPRECT rect) const {
  if (!rect) return;
  ClientToScreen(reinterpret_cast<LPPOINT>(&rect->left));
  ClientToScreen(reinterpret_cast<LPPOINT>(&rect->right));
}

void CWnd::ScreenToClient(LPPOINT point) const {
  QWidget* widget = WidgetOf(m_hWnd);
  if (!widget || !point) return;
  const double ratio = DeviceRatio(widget);
  *point = ToDevice(widget->mapFromGlobal(ToLogical(*point, ratio)), ratio);
}

void CWnd::ScreenToClient(LPRECT rect) const {
  if (!rect) return;
  ScreenToClient(reinterpret_cast<LPPOINT>(&rect->left));
  ScreenToClient(reinterpret_cast<LPPOINT>(&rect->right));
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  QWidget* widget = WidgetOf(m_hWnd);
  if (!widget) return FALSE;
  const double ratio = DeviceRatio(widget);
  if (!(flags & SWP_NOMOVE)) widget->move(ToLogical(POINT{x, y}, ratio));
  if (!(flags & SWP_NOSIZE)) {
    // cx, cy is the whole window; Qt sizes the client area.
    const QSize frameExtra = widget->isWindow() && widget->isVisible()
                                 ? widget->frameGeometry().size() - widget->size()
                                 : QSize(0, 0);
    widget->resize(std::max(0, ToLogical(cx, ratio) - frameExtra.width()),
                   std::max(0, ToLogical(cy, ratio) - frameExtra.height()));
  }
  if (!(flags & SWP_NOZORDER) && insertAfter) {
    if (insertAfter == &wndTop) {
      widget->raise();
    } else if (insertAfter == &wndBottom) {
      widget->lower();
    } else if (QWidget* above = WidgetOf(insertAfter->m_hWnd)) {
      widget->stackUnder(above);
    }
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  if (!(flags & SWP_NOACTIVATE) && widget->isWindow() && widget->isVisible())
    widget->activateWindow();
  return TRUE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL /*repaint*/) {
  SetWindowPos(nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
  if (rect)
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL /*erase*/) {
  QWidget* widget = WidgetOf(m_hWnd);
  if (!widget) return;
  if (rect) {
    widget->update(ToLogicalCovering(*rect, DeviceRatio(widget)));
  } else {
    widget->update();
  }
}

void CWnd::Invalidate(BOOL erase) {
  InvalidateRect(nullptr, erase);
}

void CWnd::UpdateWindow() {
  QWidget* widget = WidgetOf(m_hWnd);
  if (widget && widget->isVisible()) widget->repaint();
}

// ------------------------------------------------------------------ state

BOOL CWnd::ShowWindow(int command) {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  if (!native) return FALSE;
  QWidget* widget = native->Widget();
  const BOOL wasVisible = widget->isHidden() ? FALSE : TRUE;
  const bool show = command != SW_HIDE;
  if (show != (wasVisible == TRUE)) native->Send(WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!widget->isWindow()) {
    widget->setVisible(show);
    return wasVisible;
  }
  const bool activate = command == SW_SHOWNORMAL || command == SW_SHOW ||
                        command == SW_SHOWMAXIMIZED || command == SW_RESTORE;
  widget->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
  switch (command) {
    case SW_HIDE:
      widget->hide();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      widget->showMinimized();
      break;
    case SW_SHOWMAXIMIZED:
      widget->showMaximized();
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      widget->showNormal();
      break;
    default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE keep the window's state
      widget->show();
      break;
  }
  if (activate && show) {
    widget->raise();
    widget->activateWindow();
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  QWidget* widget = WidgetOf(m_hWnd);
  return widget && widget->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  QWidget* widget = WidgetOf(m_hWnd);
  if (!widget) return FALSE;
  const BOOL wasDisabled = widget->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
  widget->setEnabled(enable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  QWidget* widget = WidgetOf(m_hWnd);
  return widget && !widget->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
}

void CWnd::SetWarning(BOOL on, LPCSTR tooltip) {
  QWidget* widget = WidgetOf(m_hWnd);
  if (!widget) return;
  const QPalette normal = QApplication::palette(widget);
  QPalette palette = widget->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) {
      palette.setColor(group, role, on ? QColor(204, 0, 0) : normal.color(group, role));
    }
  }
  widget->setPalette(palette);
  widget->setToolTip(on && tooltip ? QString::fromUtf8(tooltip) : QString());
}

CString CWnd::GetToolTip() const {
  QWidget* widget = WidgetOf(m_hWnd);
  return widget ? CString(widget->toolTip().toUtf8().toStdString()) : CString();
}

BOOL CWnd::IsIconic() const {
  return ::IsIconic(m_hWnd);
}

BOOL CWnd::IsZoomed() const {
  QWidget* widget = WidgetOf(m_hWnd);
  return widget && widget->isMaximized() ? TRUE : FALSE;
}

CWnd* CWnd::SetFocus() {
  CWnd* previous = GetFocus();
  if (QWidget* widget = WidgetOf(m_hWnd)) widget->setFocus(Qt::OtherFocusReason);
  return previous;
}

CWnd* CWnd::GetFocus() {
  QWidget* focus = QApplication::instance() ? QApplication::focusWidget() : nullptr;
  NativeWindow* native = focus ? NativeWindow::FromWidget(focus) : nullptr;
  return native ? native->Wrapper() : nullptr;
}

DWORD CWnd::GetStyle() const {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  return native ? native->Style() : 0;
}

DWORD CWnd::GetExStyle() const {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  return native ? native->ExStyle() : 0;
}

// ------------------------------------------------------------------ text, hierarchy, icons

void CWnd::SetWindowText(LPCSTR text) {
  ::SetWindowTextA(m_hWnd, text);
}

int CWnd::GetWindowText(LPSTR buffer, int maxCount) const {
  return ::GetWindowTextA(m_hWnd, buffer, maxCount);
}

void CWnd::GetWindowText(CString& text) const {
  const int length = GetWindowTextLength();
  GetWindowText(text.GetBuffer(length), length + 1);
  text.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const {
  return static_cast<int>(::SendMessageA(m_hWnd, WM_GETTEXTLENGTH, 0, 0));
}

CWnd* CWnd::GetDlgItem(int id) const {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  NativeWindow* child = native ? native->FindChild(id) : nullptr;
  return child ? child->Wrapper() : nullptr;
}

int CWnd::GetDlgCtrlID() const {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  return native ? native->Id() : 0;
}

CWnd* CWnd::GetParent() const {
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  NativeWindow* parent = native ? native->ParentWindow() : nullptr;
  return parent ? parent->Wrapper() : nullptr;
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HICON CWnd::GetIcon(BOOL bigIcon) const {
  return reinterpret_cast<HICON>(
      ::SendMessageA(m_hWnd, WM_GETICON, bigIcon ? ICON_BIG : ICON_SMALL, 0));
}

// ------------------------------------------------------------------ trackbar wrapper

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL redraw) {
  SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
  SendMessage(TBM_SETRANGEMAX, redraw, maximum);
}

void CSliderCtrl::GetRange(int& minimum, int& maximum) const {
  minimum = GetRangeMin();
  maximum = GetRangeMax();
}

int CSliderCtrl::GetRangeMin() const {
  return static_cast<int>(::SendMessageA(m_hWnd, TBM_GETRANGEMIN, 0, 0));
}

int CSliderCtrl::GetRangeMax() const {
  return static_cast<int>(::SendMessageA(m_hWnd, TBM_GETRANGEMAX, 0, 0));
}

void CSliderCtrl::SetRangeMin(int minimum, BOOL redraw) {
  SendMessage(TBM_SETRANGEMIN, redraw, minimum);
}

void CSliderCtrl::SetRangeMax(int maximum, BOOL redraw) {
  SendMessage(TBM_SETRANGEMAX, redraw, maximum);
}

int CSliderCtrl::GetPos() const {
  return static_cast<int>(::SendMessageA(m_hWnd, TBM_GETPOS, 0, 0));
}

void CSliderCtrl::SetPos(int position) {
  SendMessage(TBM_SETPOS, TRUE, position);
}

// ------------------------------------------------------------------ device contexts

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  if (!m_hDC || !m_hDC->painter || !rect) return;
  m_hDC->painter->fillRect(
      QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
      QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window ? window->m_hWnd : nullptr) {
  if (NativeWindow* native = NativeWindow::FromHandle(m_hWnd)) m_hDC = native->BeginPaintDC();
}

CPaintDC::~CPaintDC() {
  if (NativeWindow* native = NativeWindow::FromHandle(m_hWnd)) native->EndPaintDC(m_hDC);
}

// ------------------------------------------------------------------ free functions on handles

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  return native ? native->Send(message, wParam, lParam) : 0;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!NativeWindow::FromHandle(window)) return FALSE;
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                       reinterpret_cast<LPARAM>(buffer)));
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  if (!rect || !IsWindow(window)) return FALSE;
  QWidget* widget = WidgetOf(window);
  if (!widget) {
    // A window without a frame: its client area.
    const POINT origin = window->ClientOrigin();
    const SIZE size = window->ClientSize();
    *rect = RECT{origin.x, origin.y, origin.x + size.cx, origin.y + size.cy};
    return TRUE;
  }
  const QRect area = widget->isWindow() ? widget->frameGeometry()
                                        : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
  *rect = ToDevice(area, DeviceRatio(widget));
  return TRUE;
}

BOOL IsIconic(HWND window) {
  QWidget* widget = WidgetOf(window);
  return widget && widget->isMinimized() ? TRUE : FALSE;
}
