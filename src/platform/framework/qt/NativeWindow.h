// The framework's windows on Qt. Every window the framework creates is a Qt widget that
// is also a WindowObject (its HWND): a dialog, a push button, an edit, a static or a
// trackbar. The NativeWindow part holds what the original platform keeps per window:
// id, style, icons, the attached C++ wrapper, and a backing image for PresentImage. It
// turns Qt's events and signals into the messages the program's handlers expect and
// gives each message its default processing (DefaultProc).
#pragma once

#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/framework/Wnd.h"

class QPainter;

struct DeviceContext {
  QPainter* painter = nullptr;
  QWidget* widget = nullptr;
};

enum class WindowKind { Dialog, Button, Edit, Static, Trackbar };

class NativeWindow : public WindowObject {
 public:
  NativeWindow(QWidget* widget, WindowKind kind, int id, DWORD style, DWORD exStyle);
  ~NativeWindow() override;
  NativeWindow(const NativeWindow&) = delete;
  NativeWindow& operator=(const NativeWindow&) = delete;

  // The framework window behind handle, or nullptr (an off-screen window, a stale or
  // null handle).
  static NativeWindow* FromHandle(HWND handle);
  static NativeWindow* FromWidget(QWidget* widget);
  HWND Handle() { return this; }

  QWidget* Widget() const { return m_Widget; }
  WindowKind Kind() const { return m_Kind; }
  int Id() const { return m_Id; }
  // The creation style with WS_VISIBLE and WS_DISABLED as they are now.
  DWORD Style() const;
  DWORD ExStyle() const { return m_ExStyle; }

  CWnd* Attached() const { return m_Attached; }
  void SetAttached(CWnd* wrapper) { m_Attached = wrapper; }
  // The attached wrapper, or a temporary one owned by this window.
  CWnd* Wrapper();
  // Gives up the temporary wrapper (so it can outlive the window for a moment).
  std::unique_ptr<CWnd> ReleaseTemporary();
  // The first child window with id, in creation order.
  NativeWindow* FindChild(int id) const;
  NativeWindow* ParentWindow() const;

  // Delivers a message through the wrapper's handler table, or straight to the default
  // processing when no wrapper is attached.
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_COMMAND with this window's id and code to the parent.
  void NotifyParent(UINT code);
  // Sends WM_SIZE and WM_MOVE when the size or position differ from the last ones sent
  // (WM_SIZE also when force is set, e.g. on minimise and restore).
  void GeometryChanged(bool force = false);

  virtual void SetText(const QString& text) = 0;
  virtual QString Text() const = 0;

  // WindowObject
  SIZE ClientSize() const override;
  POINT ClientOrigin() const override;
  bool PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) override;
  bool PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                    size_t count) override;
  bool PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels, int pitch,
                     const PresentPart* parts, size_t count) override;

  // Paint device contexts exist only while the window paints.
  bool InPaint() const { return m_PaintEvent != nullptr; }
  HDC BeginPaintDC();
  void EndPaintDC(HDC dc);

 protected:
  // Called from the widget's paintEvent: routes WM_PAINT; its default processing runs
  // basePaint (the widget's own painting) and draws the presented image over it.
  void DispatchPaint(QPaintEvent* event, const std::function<void()>& basePaint);

 private:
  void DefaultPaint();
  // Makes the backing image the client area's size; false when the client area is empty.
  bool PrepareBacking();
  // Copies a shared picture into the backing image and lets its pixels go.
  void TakeShared();
  // Records that area (device pixels) now shows a presented picture, and asks for its paint.
  void Presented(const RECT& area);
  UINT SizeType() const;

  QWidget* m_Widget;
  WindowKind m_Kind;
  int m_Id;
  DWORD m_Style;
  DWORD m_ExStyle;
  CWnd* m_Attached = nullptr;
  std::unique_ptr<CWnd> m_Temporary;
  HICON m_BigIcon = nullptr;
  HICON m_SmallIcon = nullptr;
  QImage m_Backing;
  // A picture shown straight from its owner's pixels instead of m_Backing.
  SharedPicture m_Shared;
  QRegion m_Presented;
  QSize m_LastSize{-1, -1};
  QPoint m_LastPos{INT32_MIN, INT32_MIN};
  QPaintEvent* m_PaintEvent = nullptr;
  const std::function<void()>* m_BasePaint = nullptr;
  bool m_DefaultPainted = false;
  DeviceContext* m_PaintDC = nullptr;
};

// A Qt widget class made into a framework window.
template <class QtBase>
class NativeWidget : public QtBase, public NativeWindow {
 public:
  template <class... Args>
  NativeWidget(WindowKind kind, int id, DWORD style, DWORD exStyle, Args&&... args)
      : QtBase(std::forward<Args>(args)...), NativeWindow(this, kind, id, style, exStyle) {}
  // Signals emitted while the Qt part is torn down must not reach a window that is
  // already half gone.
  ~NativeWidget() override { this->blockSignals(true); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    DispatchPaint(event, [this, event] { QtBase::paintEvent(event); });
  }
  void resizeEvent(QResizeEvent* event) override {
    QtBase::resizeEvent(event);
    GeometryChanged();
  }
  void moveEvent(QMoveEvent* event) override {
    QtBase::moveEvent(event);
    GeometryChanged();
  }
};
