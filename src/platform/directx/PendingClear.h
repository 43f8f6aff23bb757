// Fast clears, as GPUs do them: a clear of a whole surface writes no pixels, it marks the
// surface's tiles pending with the clear value. A tile is filled only when something is about
// to touch its pixels (a draw over it, a partial clear, a lock, a blit, a device's upload), so
// every reader sees exactly what a full clear would have left; tiles still pending when the
// picture is shown go to the window as solid colour and are never written at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WinTypes.h"

namespace dx {

// Writes value into the pixels [x0, x1) × [y0, y1) of a surface of 2- or 4-byte pixels.
void FillPixels(uint8_t* bits, int pitch, int bytesPerPixel, uint32_t value, int x0, int y0, int x1,
                int y1);

// The pending tiles of one surface. Tiles are kTileWidth × kTileHeight pixels; those on the
// right and bottom edges are cut to the surface.
class PendingClear {
 public:
  static constexpr int kTileShiftX = 7;
  static constexpr int kTileShiftY = 5;
  static constexpr int kTileWidth = 1 << kTileShiftX;
  static constexpr int kTileHeight = 1 << kTileShiftY;

  // A rectangle of tiles that are all pending or all written.
  struct Run {
    RECT rect;
    bool pending;
  };

  // Off: clears write their pixels at once (tiles already pending are still filled on use).
  bool Enabled() const { return m_Enabled; }
  void SetEnabled(bool on) { m_Enabled = on; }
  bool Any() const { return m_Lanes[0].count + m_Lanes[1].count != 0; }
  uint32_t Value() const { return m_Value; }
  bool TilePending(int tileX, int tileY) const;
  // Tiles of the surface last marked: the most runs Split can give.
  size_t TileCount() const { return m_Tiles.size(); }

  // Marks every tile of a width × height surface of bytesPerPixel (2 or 4) pending with value,
  // in place of whatever was pending before.
  void MarkAll(int width, int height, int bytesPerPixel, uint32_t value);
  // Fills the pending tiles that meet the pixels [x0, x1) × [y0, y1) of bits (the surface
  // that was marked). Cheap when nothing is pending: drawing calls it for every triangle.
  // Between SplitLanes and JoinLanes each lane fills only the tiles of its own rows.
  void Fill(uint8_t* bits, int pitch, int x0, int y0, int x1, int y1, int lane = 0) {
    Lane& l = m_Lanes[lane];
    if (l.count != 0 && AnyPending(l, x0, y0, x1, y1)) FillTiles(l, bits, pitch, x0, y0, x1, y1);
  }
  void FillAll(uint8_t* bits, int pitch) { Fill(bits, pitch, 0, 0, m_Width, m_Height); }
  // Two threads filling at once: lane 0 takes the rows of tiles above row (a multiple of
  // kTileHeight), lane 1 the rest, each with its own count and cache, so that neither writes
  // what the other reads (the tile flags are bytes, and a row of tiles belongs to one lane).
  // Until JoinLanes, only Fill with a lane may be called.
  void SplitLanes(int row);
  void JoinLanes();
  // Forgets the pending tiles without filling them: every pixel was just written otherwise.
  void Discard();
  // Splits area (clipped to the surface) into rectangles of pending and of written tiles,
  // merged along rows of tiles and across rows whose pattern repeats, top to bottom.
  void Split(const RECT& area, std::vector<Run>& out) const;

 private:
  // Whether a tile under the pixels is pending; inline, as most triangles find none.
  struct Lane;
  bool AnyPending(Lane& lane, int x0, int y0, int x1, int y1) const {
    x0 = x0 < 0 ? 0 : x0;
    y0 = y0 < 0 ? 0 : y0;
    x1 = x1 > m_Width ? m_Width : x1;
    y1 = y1 > m_Height ? m_Height : y1;
    if (x0 >= x1 || y0 >= y1) return false;
    const int tx0 = x0 >> kTileShiftX, tx1 = (x1 - 1) >> kTileShiftX;
    const int ty0 = y0 >> kTileShiftY, ty1 = (y1 - 1) >> kTileShiftY;
    // Neighbouring triangles mostly lie on the tiles the one before found written.
    const Tiles& c = lane.written;
    if (tx0 >= c.x0 && tx1 <= c.x1 && ty0 >= c.y0 && ty1 <= c.y1) return false;
    for (int ty = ty0; ty <= ty1; ++ty) {
      const uint8_t* flags = m_Tiles.data() + static_cast<size_t>(ty) * m_TilesX;
      for (int tx = tx0; tx <= tx1; ++tx) {
        if (flags[tx]) return true;
      }
    }
    lane.written = {tx0, ty0, tx1, ty1};
    return false;
  }
  void FillTiles(Lane& lane, uint8_t* bits, int pitch, int x0, int y0, int x1, int y1);

  bool m_Enabled = true;
  int m_Width = 0;
  int m_Height = 0;
  int m_BytesPerPixel = 4;
  int m_TilesX = 0;
  int m_TilesY = 0;
  uint32_t m_Value = 0;
  std::vector<uint8_t> m_Tiles;  // 1: pending, row by row of tiles
  struct Tiles {
    int x0, y0, x1, y1;
  };
  // Apart from SplitLanes … JoinLanes lane 0 holds every tile. A cache line each, as two
  // threads write them at once.
  struct alignas(64) Lane {
    size_t count = 0;  // tiles pending
    // Tiles [x0, x1] × [y0, y1] last found all written (they stay so until the next MarkAll).
    Tiles written{0, 0, -1, -1};
  };
  Lane m_Lanes[2];
};

}  // namespace dx
