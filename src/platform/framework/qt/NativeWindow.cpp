#include "platform/framework/qt/NativeWindow.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

#include "platform/framework/qt/Icon.h"

NativeWindow::NativeWindow(QWidget* widget, WindowKind kind, int id, DWORD style, DWORD exStyle)
    : m_Widget(widget), m_Kind(kind), m_Id(id), m_Style(style), m_ExStyle(exStyle) {}

NativeWindow::~NativeWindow() {
  // The wrappers outlive their window: they see a null handle from now on.
  if (m_Attached) m_Attached->m_hWnd = nullptr;
  if (m_Temporary) m_Temporary->m_hWnd = nullptr;
  EndPaintDC(m_PaintDC);
}

NativeWindow* NativeWindow::FromHandle(HWND handle) {
  return dynamic_cast<NativeWindow*>(handle);
}

NativeWindow* NativeWindow::FromWidget(QWidget* widget) {
  return dynamic_cast<NativeWindow*>(widget);
}

DWORD NativeWindow::Style() const {
  DWORD style = m_Style & ~(WS_VISIBLE | WS_DISABLED);
  if (!m_Widget->isHidden()) style |= WS_VISIBLE;
  if (m_Widget->testAttribute(Qt::WA_ForceDisabled)) style |= WS_DISABLED;
  return style;
}

CWnd* NativeWindow::Wrapper() {
  if (m_Attached) return m_Attached;
  if (!m_Temporary) {
    m_Temporary = std::make_unique<CWnd>();
    m_Temporary->m_hWnd = Handle();
    m_Temporary->m_Temporary = true;
  }
  return m_Temporary.get();
}

std::unique_ptr<CWnd> NativeWindow::ReleaseTemporary() {
  if (m_Temporary) m_Temporary->m_hWnd = nullptr;
  return std::move(m_Temporary);
}

NativeWindow* NativeWindow::FindChild(int id) const {
  for (QObject* child : m_Widget->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget->isWindow()) continue;
    NativeWindow* native = FromWidget(widget);
    if (native && native->m_Id == id) return native;
  }
  return nullptr;
}

NativeWindow* NativeWindow::ParentWindow() const {
  return m_Widget->parentWidget() ? FromWidget(m_Widget->parentWidget()) : nullptr;
}

LRESULT NativeWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_Attached) return m_Attached->WindowProc(message, wParam, lParam);
  return DefaultProc(message, wParam, lParam);
}

LRESULT NativeWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      DefaultPaint();
      return 0;
    case WM_SETTEXT:
      SetText(QString::fromLocal8Bit(lParam ? reinterpret_cast<const char*>(lParam) : ""));
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) return 0;
      const QByteArray text = Text().toLocal8Bit();
      const size_t count = std::min(static_cast<size_t>(text.size()), wParam - 1);
      std::memcpy(buffer, text.constData(), count);
      buffer[count] = '\0';
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
      return Text().toLocal8Bit().size();
    case WM_SETICON: {
      HICON& slot = wParam == ICON_BIG ? m_BigIcon : m_SmallIcon;
      HICON previous = slot;
      slot = reinterpret_cast<HICON>(lParam);
      if (m_Widget->isWindow()) {
        HICON shown = m_BigIcon ? m_BigIcon : m_SmallIcon;
        m_Widget->setWindowIcon(shown ? shown->icon : QIcon());
      }
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? m_BigIcon : m_SmallIcon);
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(m_BigIcon);
    case WM_ICONERASEBKGND: {
      auto* dc = reinterpret_cast<HDC>(wParam);
      if (!dc || !dc->painter) return FALSE;
      dc->painter->fillRect(m_Widget->rect(), m_Widget->palette().window());
      return TRUE;
    }
    default:
      return 0;
  }
}

void NativeWindow::NotifyParent(UINT code) {
  if (m_Widget->isWindow()) return;
  NativeWindow* parent = ParentWindow();
  if (!parent) return;
  parent->Send(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(m_Id), code),
               reinterpret_cast<LPARAM>(Handle()));
}

UINT NativeWindow::SizeType() const {
  if (m_Widget->isMinimized()) return SIZE_MINIMIZED;
  if (m_Widget->isMaximized()) return SIZE_MAXIMIZED;
  return SIZE_RESTORED;
}

void NativeWindow::GeometryChanged(bool force) {
  const QSize size = m_Widget->size();
  if (force || size != m_LastSize) {
    m_LastSize = size;
    Send(WM_SIZE, SizeType(),
         MAKELPARAM(static_cast<unsigned>(size.width()), static_cast<unsigned>(size.height())));
  }
  // A top-level window reports its client origin on the screen, a control its position
  // in the parent's client area.
  const QPoint pos = m_Widget->isWindow() ? m_Widget->mapToGlobal(QPoint(0, 0)) : m_Widget->pos();
  if (pos != m_LastPos) {
    m_LastPos = pos;
    Send(WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(pos.x()), static_cast<unsigned>(pos.y())));
  }
}

SIZE NativeWindow::ClientSize() const {
  return SIZE{m_Widget->width(), m_Widget->height()};
}

POINT NativeWindow::ClientOrigin() const {
  const QPoint origin = m_Widget->mapToGlobal(QPoint(0, 0));
  return POINT{origin.x(), origin.y()};
}

bool NativeWindow::PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) {
  if (!pixels) return false;
  const QSize size = m_Widget->size();
  if (size.isEmpty()) return false;
  if (m_Backing.size() != size) {
    // Keep what was shown where it still fits, as a window does until it is redrawn.
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(Qt::black);
    if (!m_Backing.isNull()) {
      QPainter copy(&resized);
      copy.drawImage(0, 0, m_Backing);
    }
    m_Backing = std::move(resized);
    m_Presented &= QRegion(QRect(QPoint(0, 0), size));
  }
  // Clip the destination to the client area and shift the source to match.
  int sx = src.left, sy = src.top, dx = dst.x, dy = dst.y;
  int w = src.right - src.left, h = src.bottom - src.top;
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  w = std::min(w, size.width() - dx);
  h = std::min(h, size.height() - dy);
  if (w <= 0 || h <= 0 || sx < 0 || sy < 0) return false;
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                        static_cast<ptrdiff_t>(sy + y) * pitch);
    auto* out = reinterpret_cast<uint32_t*>(m_Backing.scanLine(dy + y)) + dx;
    // The device's alpha byte is undefined; the window shows the colour opaque.
    for (int x = 0; x < w; ++x) out[x] = row[sx + x] | 0xFF000000u;
  }
  const QRect changed(dx, dy, w, h);
  m_Presented += changed;
  m_Widget->update(changed);
  return true;
}

void NativeWindow::DispatchPaint(QPaintEvent* event, const std::function<void()>& basePaint) {
  // A minimised window shows only what it paints itself (its icon), not its controls.
  if (!m_Widget->isWindow() && m_Widget->window()->isMinimized()) return;
  QPaintEvent* savedEvent = m_PaintEvent;
  const std::function<void()>* savedBase = m_BasePaint;
  const bool savedPainted = m_DefaultPainted;
  m_PaintEvent = event;
  m_BasePaint = &basePaint;
  m_DefaultPainted = false;
  Send(WM_PAINT, 0, 0);
  m_PaintEvent = savedEvent;
  m_BasePaint = savedBase;
  m_DefaultPainted = savedPainted;
}

void NativeWindow::DefaultPaint() {
  // Outside a paint event there is nothing to validate; inside, paint once.
  if (!m_PaintEvent || m_DefaultPainted || m_PaintDC) return;
  m_DefaultPainted = true;
  (*m_BasePaint)();
  const QRegion shown = m_Presented & m_PaintEvent->region();
  if (shown.isEmpty() || m_Backing.isNull()) return;
  QPainter painter(m_Widget);
  painter.setClipRegion(shown);
  painter.drawImage(0, 0, m_Backing);
}

HDC NativeWindow::BeginPaintDC() {
  if (!m_PaintEvent || m_PaintDC) return nullptr;
  // Painting through a device context validates the window: no default painting now.
  m_DefaultPainted = true;
  m_PaintDC = new DeviceContext{new QPainter(m_Widget), m_Widget};
  return m_PaintDC;
}

void NativeWindow::EndPaintDC(HDC dc) {
  if (!dc || dc != m_PaintDC) return;
  delete dc->painter;
  delete dc;
  m_PaintDC = nullptr;
}
