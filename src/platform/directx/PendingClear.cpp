#include "platform/directx/PendingClear.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace dx {

namespace {

// Fills n values, sixteen bytes at a time in the machine's vector registers: the compiler does
// not vectorise a plain fill loop at -O2, and clears are all memory traffic.
using Words = uint32_t __attribute__((vector_size(16)));
using Halves = uint16_t __attribute__((vector_size(16)));

template <class Vector, class T>
void FillValues(T* out, size_t n, T value) {
  constexpr size_t kLanes = sizeof(Vector) / sizeof(T);
  Vector v;
  for (size_t i = 0; i < kLanes; ++i) v[i] = value;
  size_t i = 0;
  for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
    std::memcpy(out + i, &v, sizeof v);
    std::memcpy(out + i + kLanes, &v, sizeof v);
  }
  for (; i < n; ++i) out[i] = value;
}

}  // namespace

void FillPixels(uint8_t* bits, int pitch, int bytesPerPixel, uint32_t value, int x0, int y0, int x1,
                int y1) {
  if (x0 >= x1 || y0 >= y1) return;
  const size_t n = static_cast<size_t>(x1 - x0);
  for (int y = y0; y < y1; ++y) {
    uint8_t* row = bits + static_cast<ptrdiff_t>(y) * pitch;
    if (bytesPerPixel == 2) {
      FillValues<Halves>(reinterpret_cast<uint16_t*>(row) + x0, n, static_cast<uint16_t>(value));
    } else {
      FillValues<Words>(reinterpret_cast<uint32_t*>(row) + x0, n, value);
    }
  }
}

bool PendingClear::TilePending(int tileX, int tileY) const {
  if (tileX < 0 || tileY < 0 || tileX >= m_TilesX || tileY >= m_TilesY) return false;
  return m_Tiles[static_cast<size_t>(tileY) * m_TilesX + tileX] != 0;
}

void PendingClear::MarkAll(int width, int height, int bytesPerPixel, uint32_t value) {
  m_Width = std::max(0, width);
  m_Height = std::max(0, height);
  m_BytesPerPixel = bytesPerPixel;
  m_TilesX = (m_Width + kTileWidth - 1) / kTileWidth;
  m_TilesY = (m_Height + kTileHeight - 1) / kTileHeight;
  m_Value = value;
  const size_t count = static_cast<size_t>(m_TilesX) * m_TilesY;
  m_Tiles.assign(count, 1);
  m_Lanes[0] = Lane{count};
  m_Lanes[1] = Lane{};
}

void PendingClear::Discard() {
  std::fill(m_Tiles.begin(), m_Tiles.end(), uint8_t{0});
  m_Lanes[0] = m_Lanes[1] = Lane{};
}

void PendingClear::SplitLanes(int row) {
  const int ty0 = std::clamp(row / kTileHeight, 0, m_TilesY);
  const auto below = m_Tiles.begin() + static_cast<ptrdiff_t>(ty0) * m_TilesX;
  const size_t lower = static_cast<size_t>(std::count(below, m_Tiles.end(), uint8_t{1}));
  m_Lanes[0].count -= lower;
  m_Lanes[1] = Lane{lower};
}

void PendingClear::JoinLanes() {
  m_Lanes[0].count += m_Lanes[1].count;
  m_Lanes[1] = Lane{};
}

void PendingClear::FillTiles(Lane& lane, uint8_t* bits, int pitch, int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, m_Width);
  y1 = std::min(y1, m_Height);
  if (x0 >= x1 || y0 >= y1) return;
  const int tx1 = (x1 - 1) / kTileWidth, ty1 = (y1 - 1) / kTileHeight;
  for (int ty = y0 / kTileHeight; ty <= ty1; ++ty) {
    uint8_t* flags = m_Tiles.data() + static_cast<size_t>(ty) * m_TilesX;
    for (int tx = x0 / kTileWidth; tx <= tx1; ++tx) {
      if (!flags[tx]) continue;
      flags[tx] = 0;
      --lane.count;
      const int px = tx * kTileWidth, py = ty * kTileHeight;
      FillPixels(bits, pitch, m_BytesPerPixel, m_Value, px, py, std::min(px + kTileWidth, m_Width),
                 std::min(py + kTileHeight, m_Height));
    }
  }
  lane.written = {x0 / kTileWidth, y0 / kTileHeight, tx1, ty1};
}

void PendingClear::Split(const RECT& area, std::vector<Run>& out) const {
  out.clear();
  const int x0 = std::max<int>(area.left, 0), y0 = std::max<int>(area.top, 0);
  const int x1 = std::min<int>(area.right, m_Width), y1 = std::min<int>(area.bottom, m_Height);
  if (x0 >= x1 || y0 >= y1) return;
  size_t previous = 0;  // where the runs of the band above begin
  for (int ty = y0 / kTileHeight; ty <= (y1 - 1) / kTileHeight; ++ty) {
    const LONG top = std::max(ty * kTileHeight, y0);
    const LONG bottom = std::min((ty + 1) * kTileHeight, y1);
    const size_t start = out.size();
    const uint8_t* flags = m_Tiles.data() + static_cast<size_t>(ty) * m_TilesX;
    for (int tx = x0 / kTileWidth; tx <= (x1 - 1) / kTileWidth; ++tx) {
      const bool pending = flags[tx] != 0;
      const LONG right = std::min((tx + 1) * kTileWidth, x1);
      if (out.size() > start && out.back().pending == pending) {
        out.back().rect.right = right;
      } else {
        out.push_back({RECT{std::max(tx * kTileWidth, x0), top, right, bottom}, pending});
      }
    }
    // A band like the one above lengthens its runs instead.
    const bool same =
        start > 0 && out.size() - start == start - previous &&
        std::equal(out.begin() + static_cast<ptrdiff_t>(start), out.end(),
                   out.begin() + static_cast<ptrdiff_t>(previous), [](const Run& a, const Run& b) {
                     return a.pending == b.pending && a.rect.left == b.rect.left &&
                            a.rect.right == b.rect.right;
                   });
    if (same) {
      for (size_t i = previous; i < start; ++i) out[i].rect.bottom = bottom;
      out.resize(start);
    } else {
      previous = start;
    }
  }
}

}  // namespace dx
