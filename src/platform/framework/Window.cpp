#include "platform/framework/Window.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

OffscreenWindow::OffscreenWindow(int width, int height, POINT origin)
    : m_Width(std::max(0, width)), m_Height(std::max(0, height)), m_Origin(origin) {
  m_Pixels.assign(static_cast<size_t>(m_Width) * m_Height, 0u);
}

void OffscreenWindow::Resize(int width, int height) {
  m_Shared.Release();
  m_Width = std::max(0, width);
  m_Height = std::max(0, height);
  m_Pixels.assign(static_cast<size_t>(m_Width) * m_Height, 0u);
}

bool WindowObject::PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                                size_t count) {
  bool shown = false;
  std::vector<uint32_t> row;
  for (size_t i = 0; i < count; ++i) {
    const PresentPart& p = parts[i];
    if (!p.solid) {
      shown |= PresentImage(pixels, pitch, p.src, p.dst);
      continue;
    }
    // One row of the colour, read again for every row (pitch 0).
    const LONG w = p.src.right - p.src.left, h = p.src.bottom - p.src.top;
    if (w <= 0 || h <= 0) continue;
    row.assign(static_cast<size_t>(w), p.colour);
    shown |= PresentImage(row.data(), 0, RECT{0, 0, w, h}, p.dst);
  }
  return shown;
}

bool WindowObject::PresentShared(std::shared_ptr<const void> /*owner*/, const uint32_t* pixels,
                                 int pitch, const PresentPart* parts, size_t count) {
  return PresentParts(pixels, pitch, parts, count);
}

bool SharedPicture::Keep(SIZE client, std::shared_ptr<const void> from, const uint32_t* image,
                         int rowPitch, const PresentPart* given, size_t n) {
  if (!from || !image || client.cx <= 0 || client.cy <= 0) return false;
  int64_t covered = 0;
  for (size_t i = 0; i < n; ++i) {
    PresentPart p = given[i];
    if (p.src.left != p.dst.x || p.src.top != p.dst.y) return false;
    if (ClipToClient(client, p.src, p.dst))
      covered += int64_t{p.src.right - p.src.left} * (p.src.bottom - p.src.top);
  }
  // The parts do not overlap, so covering the area means covering every pixel.
  if (covered != int64_t{client.cx} * client.cy) return false;
  *this = SharedPicture{std::move(from), image, rowPitch, given, n, client};
  return true;
}

bool OffscreenWindow::PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) {
  const PresentPart part{src, dst};
  return OffscreenWindow::PresentParts(pixels, pitch, &part, 1);
}

bool OffscreenWindow::PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                                   size_t count) {
  TakeShared();
  const bool shown = CopyParts(pixels, pitch, parts, count);
  if (shown) ++m_PresentCount;
  return shown;
}

bool OffscreenWindow::PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels,
                                    int pitch, const PresentPart* parts, size_t count) {
  // A picture that covers the window replaces all of the last one, which need not be copied.
  if (!m_Shared.Keep(ClientSize(), std::move(owner), pixels, pitch, parts, count))
    return OffscreenWindow::PresentParts(pixels, pitch, parts, count);
  ++m_PresentCount;
  return true;
}

void OffscreenWindow::TakeShared() const {
  if (!m_Shared.owner) return;
  CopyParts(m_Shared.pixels, m_Shared.pitch, m_Shared.parts, m_Shared.count);
  m_Shared.Release();
}

bool OffscreenWindow::CopyParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                                size_t count) const {
  bool shown = false;
  for (size_t i = 0; i < count; ++i) {
    RECT part = parts[i].src;
    POINT dst = parts[i].dst;
    if (parts[i].solid) {
      // Solid parts have no image to lie in: clip them as if at the origin of one.
      part = RECT{0, 0, part.right - part.left, part.bottom - part.top};
    } else if (!pixels) {
      continue;
    }
    if (!ClipToClient(ClientSize(), part, dst)) continue;
    const int w = part.right - part.left;
    for (int y = 0; y < part.bottom - part.top; ++y) {
      auto out = m_Pixels.begin() + static_cast<ptrdiff_t>(dst.y + y) * m_Width + dst.x;
      if (parts[i].solid) {
        std::fill_n(out, w, parts[i].colour);
        continue;
      }
      const auto* row = reinterpret_cast<const uint32_t*>(
          reinterpret_cast<const uint8_t*>(pixels) + static_cast<ptrdiff_t>(part.top + y) * pitch);
      std::copy(row + part.left, row + part.left + w, out);
    }
    shown = true;
  }
  return shown;
}

bool ClipToClient(SIZE client, RECT& src, POINT& dst) {
  if (dst.x < 0) {
    src.left -= dst.x;
    dst.x = 0;
  }
  if (dst.y < 0) {
    src.top -= dst.y;
    dst.y = 0;
  }
  src.right = std::min<LONG>(src.right, src.left + (client.cx - dst.x));
  src.bottom = std::min<LONG>(src.bottom, src.top + (client.cy - dst.y));
  return src.left >= 0 && src.top >= 0 && src.right > src.left && src.bottom > src.top;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!window || !rect || !window->IsValid()) return FALSE;
  const SIZE s = window->ClientSize();
  *rect = RECT{0, 0, s.cx, s.cy};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  if (!window || !point || !window->IsValid()) return FALSE;
  const POINT o = window->ClientOrigin();
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL IsWindow(HWND window) {
  return window && window->IsValid() ? TRUE : FALSE;
}

namespace {
std::function<DWORD()>& TickSource() {
  static std::function<DWORD()> source;
  return source;
}
std::function<void(DWORD)>& Sleeper() {
  static std::function<void(DWORD)> sleeper;
  return sleeper;
}
}  // namespace

DWORD GetTickCount() {
  if (TickSource()) return TickSource()();
  static const auto start = std::chrono::steady_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  return static_cast<DWORD>(ms.count());
}

std::function<DWORD()> SetTickCountSource(std::function<DWORD()> source) {
  return std::exchange(TickSource(), std::move(source));
}

void Sleep(DWORD milliseconds) {
  if (Sleeper()) {
    Sleeper()(milliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::function<void(DWORD)> SetSleepFunction(std::function<void(DWORD)> sleeper) {
  return std::exchange(Sleeper(), std::move(sleeper));
}
