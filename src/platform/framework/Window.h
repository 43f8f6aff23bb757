// The window operations the device layer and the program need, without Qt:
// client rectangles, screen coordinates, handing a finished image to a window,
// the millisecond tick counter and Sleep. Qt widgets and the off-screen window
// both stand behind the same WindowObject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/WinTypes.h"

// One piece of a picture for WindowObject::PresentParts: the part src of the image shown at
// dst, or, when solid, a rectangle of src's size filled with colour (0xAARRGGBB) at dst.
struct PresentPart {
  RECT src;
  POINT dst;
  bool solid = false;
  uint32_t colour = 0;
};

// A picture a window shows from pixels and parts it shares with their owner.
struct SharedPicture {
  std::shared_ptr<const void> owner;
  const uint32_t* pixels = nullptr;
  int pitch = 0;
  const PresentPart* parts = nullptr;
  size_t count = 0;
  SIZE size{};  // of the client area it covers

  // Keeps the picture if its parts lie at their own place in the image (src at dst) and
  // cover a client area of the given size; false, keeping nothing new, otherwise.
  bool Keep(SIZE client, std::shared_ptr<const void> from, const uint32_t* image, int rowPitch,
            const PresentPart* given, size_t n);
  void Release() { *this = SharedPicture{}; }
};

class WindowObject {
 public:
  virtual ~WindowObject() = default;
  // Client area size in pixels.
  virtual SIZE ClientSize() const = 0;
  // Screen position of the client area's top-left corner.
  virtual POINT ClientOrigin() const = 0;
  // Copies the part src of a 32-bit 0xAARRGGBB image (pitch in bytes) to the client area
  // at dst (client coordinates), clipped to the client area. Returns false if nothing
  // could be shown.
  virtual bool PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) = 0;
  // Shows one picture made of parts of an image and solid rectangles, each clipped to the
  // client area as PresentImage does; a window fills the solid ones itself, so their pixels
  // need not exist in the image. Returns false if no part could be shown. The default goes
  // part by part through PresentImage.
  virtual bool PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                            size_t count);
  // As PresentParts, for parts that do not overlap and whose src, solid ones too, lie inside
  // the image, opaque (alpha 0xFF). The window may show the pixels without copying them, for
  // as long as it holds owner: the pixels and the parts stay unchanged until it lets go. The
  // default copies them at once.
  virtual bool PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels, int pitch,
                             const PresentPart* parts, size_t count);
  virtual bool IsValid() const { return true; }
};

// An off-screen window: a size, a screen origin and an image, no display. It lets the
// whole path from renderer creation to Present run headless. A shared picture that covers
// the window is kept as it is and copied into the image only when the image is read.
class OffscreenWindow : public WindowObject {
 public:
  OffscreenWindow(int width, int height, POINT origin = {0, 0});
  SIZE ClientSize() const override { return {m_Width, m_Height}; }
  POINT ClientOrigin() const override { return m_Origin; }
  bool PresentImage(const uint32_t* pixels, int pitch, const RECT& src, POINT dst) override;
  bool PresentParts(const uint32_t* pixels, int pitch, const PresentPart* parts,
                    size_t count) override;
  bool PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels, int pitch,
                     const PresentPart* parts, size_t count) override;

  void Resize(int width, int height);
  void Move(POINT origin) { m_Origin = origin; }
  const std::vector<uint32_t>& Pixels() const {
    TakeShared();
    return m_Pixels;
  }
  uint32_t PixelAt(int x, int y) const { return Pixels()[static_cast<size_t>(y) * m_Width + x]; }
  int PresentCount() const { return m_PresentCount; }
  // True while a shared picture is shown and not yet copied.
  bool HoldsShared() const { return m_Shared.owner != nullptr; }

 private:
  // Copies the parts into the image; true if any part fell inside the window.
  bool CopyParts(const uint32_t* pixels, int pitch, const PresentPart* parts, size_t count) const;
  // Copies a shared picture into the image and lets its pixels go.
  void TakeShared() const;

  int m_Width;
  int m_Height;
  POINT m_Origin;
  mutable std::vector<uint32_t> m_Pixels;
  mutable SharedPicture m_Shared;
  int m_PresentCount = 0;
};

// Clips the part src of an image, to be shown at dst, to a client area of the given size:
// src and dst shrink and move together. False when nothing of it falls inside (or src
// starts outside the image).
bool ClipToClient(SIZE client, RECT& src, POINT& dst);

BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL IsWindow(HWND window);

// Milliseconds since an arbitrary start, monotonic. Tests and quennet-render replace the
// source; nullptr restores the system clock. Returns the source it replaced.
DWORD GetTickCount();
std::function<DWORD()> SetTickCountSource(std::function<DWORD()> source);
// Pauses the thread; replaceable the same way (quennet-render's benchmark skips it).
void Sleep(DWORD milliseconds);
std::function<void(DWORD)> SetSleepFunction(std::function<void(DWORD)> sleeper);
