#include "platform/framework/qt/NativeWindow.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

#include "platform/framework/qt/DevicePixels.h"
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
      // The device context counts in device pixels.
      const SIZE client = ClientSize();
      dc->painter->fillRect(QRect(0, 0, client.cx, client.cy), m_Widget->palette().window());
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
  const double ratio = DeviceRatio(m_Widget);
  if (force || size != m_LastSize) {
    m_LastSize = size;
    const SIZE client = ToDevice(size, ratio);
    Send(WM_SIZE, SizeType(),
         MAKELPARAM(static_cast<unsigned>(client.cx), static_cast<unsigned>(client.cy)));
  }
  // A top-level window reports its client origin on the screen, a control its position
  // in the parent's client area.
  const QPoint pos = m_Widget->isWindow() ? m_Widget->mapToGlobal(QPoint(0, 0)) : m_Widget->pos();
  if (pos != m_LastPos) {
    m_LastPos = pos;
    const POINT at = ToDevice(pos, ratio);
    Send(WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(at.x), static_cast<unsigned>(at.y)));
  }
}

SIZE NativeWindow::ClientSize() const {
  return ToDevice(m_Widget->size(), DeviceRatio(m_Widget));
}

POINT NativeWindow::ClientOrigin() const {
  return ToDevice(m_Widget->mapToGlobal(QPoint(0, 0)), DeviceRatio(m_Widget));
}

namespace {

// Copies n pixels, setting the alpha byte: the device's alpha is undefined and the window
// shows the colour opaque. Eight pixels a step in the machine's vector registers (the
// compiler does not vectorise the plain loop at -O2), which keeps the copy at memory speed.
void CopyOpaque(uint32_t* out, const uint32_t* in, int n) {
  using Quad = uint32_t __attribute__((vector_size(16)));
  constexpr Quad kAlpha = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u};
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    Quad a, b;
    std::memcpy(&a, in + x, sizeof a);
    std::memcpy(&b, in + x + 4, sizeof b);
    a |= kAlpha;
    b |= kAlpha;
    std::memcpy(out + x, &a, sizeof a);
    std::memcpy(out + x + 4, &b, sizeof b);
  }
  for (; x < n; ++x) out[x] = in[x] | 0xFF000000u;
}

// Fills n pixels with an opaque colour, eight a step as CopyOpaque copies.
void FillOpaque(uint32_t* out, uint32_t colour, int n) {
  using Quad = uint32_t __attribute__((vector_size(16)));
  colour |= 0xFF000000u;
  const Quad v = {colour, colour, colour, colour};
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    std::memcpy(out + x, &v, sizeof v);
    std::memcpy(out + x + 4, &v, sizeof v);
  }
  for (; x < n; ++x) out[x] = colour;
}

}  // namespace

bool NativeWindow::PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) {
  if (!pixels) return false;
  const PresentPart part{src, dst};
  return NativeWindow::PresentParts(pixels, pitch, &part, 1);
}

bool NativeWindow::PrepareBacking() {
  // The backing image holds the window's device pixels, so the picture is shown pixel for
  // pixel whatever the screen's scale.
  const double ratio = DeviceRatio(m_Widget);
  const SIZE client = ClientSize();
  const QSize size(client.cx, client.cy);
  if (size.isEmpty()) return false;
  if (m_Backing.size() != size || m_Backing.devicePixelRatio() != ratio) {
    TakeShared();
    // Keep what was shown where it still fits, as a window does until it is redrawn.
    QImage resized(size, QImage::Format_RGB32);
    resized.fill(Qt::black);
    resized.setDevicePixelRatio(ratio);
    if (!m_Backing.isNull() && m_Backing.devicePixelRatio() == ratio) {
      QPainter copy(&resized);
      copy.drawImage(0, 0, m_Backing);
    }
    m_Backing = std::move(resized);
    m_Presented &= QRegion(m_Widget->rect());
  }
  return true;
}

void NativeWindow::TakeShared() {
  if (!m_Shared.owner) return;
  const SharedPicture shared = std::move(m_Shared);
  m_Shared.Release();
  PresentParts(shared.pixels, shared.pitch, shared.parts, shared.count);
}

bool NativeWindow::PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels,
                                 int pitch, const PresentPart* parts, size_t count) {
  if (!PrepareBacking() ||
      !m_Shared.Keep(ClientSize(), std::move(owner), pixels, pitch, parts, count))
    return NativeWindow::PresentParts(pixels, pitch, parts, count);
  const SIZE client = ClientSize();
  Presented(RECT{0, 0, client.cx, client.cy});
  return true;
}

bool NativeWindow::PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                                size_t count) {
  if (!PrepareBacking()) return false;
  TakeShared();
  const SIZE client = ClientSize();
  // Parts side by side on the same rows are done together, row by row, so that memory is
  // walked along the rows as by one whole copy.
  struct Clipped {
    RECT src;
    POINT dst;
    const PresentPart* part;
  };
  constexpr size_t kGroup = 64;
  Clipped group[kGroup];
  RECT changed{client.cx, client.cy, 0, 0};
  size_t i = 0;
  while (i < count) {
    size_t n = 0;
    for (; i < count && n < kGroup; ++i) {
      const PresentPart& p = parts[i];
      // A solid part has no image: it is clipped as if it lay at the origin of one.
      Clipped c{p.solid ? RECT{0, 0, p.src.right - p.src.left, p.src.bottom - p.src.top} : p.src,
                p.dst, &p};
      if ((!p.solid && !pixels) || !ClipToClient(client, c.src, c.dst)) continue;
      if (n > 0 && (c.dst.y != group[0].dst.y ||
                    c.src.bottom - c.src.top != group[0].src.bottom - group[0].src.top))
        break;
      group[n++] = c;
    }
    if (n == 0) continue;
    const LONG top = group[0].dst.y, h = group[0].src.bottom - group[0].src.top;
    for (LONG y = 0; y < h; ++y) {
      auto* line = reinterpret_cast<uint32_t*>(m_Backing.scanLine(top + y));
      for (size_t k = 0; k < n; ++k) {
        const Clipped& c = group[k];
        const int w = c.src.right - c.src.left;
        if (c.part->solid) {
          FillOpaque(line + c.dst.x, c.part->colour, w);
          continue;
        }
        const auto* row =
            reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                              static_cast<ptrdiff_t>(c.src.top + y) * pitch);
        CopyOpaque(line + c.dst.x, row + c.src.left, w);
      }
    }
    for (size_t k = 0; k < n; ++k) {
      const Clipped& c = group[k];
      changed = RECT{std::min(changed.left, c.dst.x), std::min(changed.top, c.dst.y),
                     std::max<LONG>(changed.right, c.dst.x + (c.src.right - c.src.left)),
                     std::max<LONG>(changed.bottom, c.dst.y + h)};
    }
  }
  if (changed.left >= changed.right) return false;
  Presented(changed);
  return true;
}

void NativeWindow::Presented(const RECT& changed) {
  const QRect area = ToLogicalCovering(changed, DeviceRatio(m_Widget));
  m_Presented += area;
  // Where the presented image covers the window it is painted over everything: nothing
  // under it (the parent's background) need be painted first. Tested without building a
  // region, since a frame allocates nothing.
  const bool covers =
      m_Presented.rectCount() == 1 && m_Presented.boundingRect().contains(m_Widget->rect());
  if (m_Widget->testAttribute(Qt::WA_OpaquePaintEvent) != covers) {
    m_Widget->setAttribute(Qt::WA_OpaquePaintEvent, covers);
  }
  m_Widget->update(area);
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
  if (m_Widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
    // Nothing was painted under the window: a part the image no longer covers (the window
    // has grown since) gets the background Qt would have painted.
    const QRegion bare = m_PaintEvent->region() - m_Presented;
    if (!bare.isEmpty()) {
      QPainter background(m_Widget);
      background.setClipRegion(bare);
      background.fillRect(m_Widget->rect(), m_Widget->palette().window());
    }
  }
  (*m_BasePaint)();
  const QRegion shown = m_Presented & m_PaintEvent->region();
  if (shown.isEmpty() || m_Backing.isNull()) return;
  QPainter painter(m_Widget);
  painter.setClipRegion(shown);
  if (!m_Shared.owner) {
    painter.drawImage(0, 0, m_Backing);
    return;
  }
  // Straight from the shared pixels, part by part, in device pixels (as the program's own
  // painting is), so that every part starts and ends on one whatever the screen's scale.
  const SIZE size = m_Shared.size;
  const QImage image(reinterpret_cast<const uchar*>(m_Shared.pixels), size.cx, size.cy,
                     m_Shared.pitch, QImage::Format_RGB32);
  const double ratio = m_Backing.devicePixelRatio();
  painter.scale(1.0 / ratio, 1.0 / ratio);
  for (size_t i = 0; i < m_Shared.count; ++i) {
    PresentPart p = m_Shared.parts[i];
    if (!ClipToClient(size, p.src, p.dst)) continue;
    const QRect device(p.dst.x, p.dst.y, p.src.right - p.src.left, p.src.bottom - p.src.top);
    if (p.solid) {
      painter.fillRect(device, QColor::fromRgb(p.colour | 0xFF000000u));
    } else {
      painter.drawImage(device.topLeft(), image,
                        QRect(QPoint(p.src.left, p.src.top), device.size()));
    }
  }
}

HDC NativeWindow::BeginPaintDC() {
  if (!m_PaintEvent || m_PaintDC) return nullptr;
  // Painting through a device context validates the window: no default painting now.
  m_DefaultPainted = true;
  auto* painter = new QPainter(m_Widget);
  // The program draws in device pixels.
  const double ratio = DeviceRatio(m_Widget);
  painter->scale(1.0 / ratio, 1.0 / ratio);
  m_PaintDC = new DeviceContext{painter, m_Widget};
  return m_PaintDC;
}

void NativeWindow::EndPaintDC(HDC dc) {
  if (!dc || dc != m_PaintDC) return;
  delete dc->painter;
  delete dc;
  m_PaintDC = nullptr;
}
