#include "platform/directx/software/SoftwarePipeline.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "platform/directx/PhaseTimer.h"
#include "platform/directx/software/Clipping.h"
#include "platform/directx/software/PixelOperations.h"
#include "platform/framework/Window.h"

namespace dx::software {
namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool TargetUsable(const SurfaceData& t) {
  return t.format.dwRGBBitCount == 32 && t.width > 0 && t.height > 0 &&
         static_cast<int64_t>(t.pitch) >= int64_t{t.width} * 4 &&
         t.bits.size() >= static_cast<size_t>(t.pitch) * static_cast<size_t>(t.height);
}

int DepthBitsOf(const SurfaceData& z) {
  const DWORD bits = z.format.dwZBufferBitDepth;
  if (!(z.format.dwFlags & DDPF_ZBUFFER) || (bits != 16 && bits != 24 && bits != 32)) return 0;
  const int64_t bytes = bits == 16 ? 2 : 4;
  if (z.width <= 0 || z.height <= 0 || static_cast<int64_t>(z.pitch) < z.width * bytes ||
      z.bits.size() < static_cast<size_t>(z.pitch) * static_cast<size_t>(z.height)) {
    return 0;
  }
  return static_cast<int>(bits);
}

DWORD InRange(DWORD value, DWORD low, DWORD high, DWORD fallback) {
  return value >= low && value <= high ? value : fallback;
}

}  // namespace

namespace {

// Clears the rectangles [x0, x1) × [y0, y1) (already limited to the viewport) of one surface.
// One that covers the whole surface is a fast clear when the surface takes them; the others
// fill the pending tiles under them before they write, so the result is always exactly that
// of clears that write every pixel. True when the whole surface was cleared.
bool ClearSurface(SurfaceData& s, int bytesPerPixel, uint32_t value,
                  const std::array<int64_t, 4>* rects, DWORD count) {
  bool whole = false;
  for (DWORD r = 0; r < count && !whole; ++r) {
    whole =
        rects[r][0] <= 0 && rects[r][1] <= 0 && rects[r][2] >= s.width && rects[r][3] >= s.height;
  }
  if (whole) {
    s.bits.Discard();  // every byte is replaced: what a window shows is left to it
    if (s.pending.Enabled()) {
      s.pending.MarkAll(s.width, s.height, bytesPerPixel, value);
      return true;
    }
    s.pending.Discard();
    FillPixels(s.bits.data(), s.pitch, bytesPerPixel, value, 0, 0, s.width, s.height);
    return true;
  }
  for (DWORD r = 0; r < count; ++r) {
    const int x0 = static_cast<int>(std::max<int64_t>(rects[r][0], 0));
    const int y0 = static_cast<int>(std::max<int64_t>(rects[r][1], 0));
    const int x1 = static_cast<int>(std::min<int64_t>(rects[r][2], s.width));
    const int y1 = static_cast<int>(std::min<int64_t>(rects[r][3], s.height));
    if (x0 >= x1 || y0 >= y1) continue;
    s.pending.Fill(s.bits.data(), s.pitch, x0, y0, x1, y1);
    FillPixels(s.bits.data(), s.pitch, bytesPerPixel, value, x0, y0, x1, y1);
  }
  return false;
}

}  // namespace

HRESULT SoftwarePipeline::Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags,
                                D3DCOLOR colour, D3DVALUE z) {
  if (!state.target) return DDERR_INVALIDPARAMS;
  SurfaceData& target = *state.target;
  if ((flags & D3DCLEAR_TARGET) && !TargetUsable(target)) return DDERR_INVALIDPIXELFORMAT;
  SurfaceData* zbuffer = (flags & D3DCLEAR_ZBUFFER) ? state.zbuffer : nullptr;
  const int depthBits = zbuffer ? DepthBitsOf(*zbuffer) : 0;
  if (zbuffer && depthBits == 0) return DDERR_INVALIDPIXELFORMAT;
  // Rectangles are limited to the viewport, as Direct3D's viewport clear does.
  int64_t limitX0 = 0, limitY0 = 0, limitX1 = INT32_MAX, limitY1 = INT32_MAX;
  if (state.hasViewport) {
    limitX0 = state.viewport.dwX;
    limitY0 = state.viewport.dwY;
    limitX1 = limitX0 + state.viewport.dwWidth;
    limitY1 = limitY0 + state.viewport.dwHeight;
  }
  const D3DRECT whole{0, 0, INT32_MAX, INT32_MAX};
  if (!rects || count == 0) {
    rects = &whole;
    count = 1;
  }
  m_ClearRects.resize(count);
  for (DWORD r = 0; r < count; ++r) {
    m_ClearRects[r][0] = std::max<int64_t>(rects[r].x1, limitX0);
    m_ClearRects[r][1] = std::max<int64_t>(rects[r].y1, limitY0);
    m_ClearRects[r][2] = std::min<int64_t>(rects[r].x2, limitX1);
    m_ClearRects[r][3] = std::min<int64_t>(rects[r].y2, limitY1);
  }
  if (flags & D3DCLEAR_TARGET) {
    const uint32_t fill =
        (target.format.dwFlags & DDPF_ALPHAPIXELS) ? colour : (colour | 0xFF000000u);
    // Bits no window shows any longer are free for this frame.
    m_PresentScratch.LetGo();
    // A target without alpha has its alpha at 0xFF from here on, as its drawing keeps it.
    if (ClearSurface(target, 4, fill, m_ClearRects.data(), count))
      target.opaque = !(target.format.dwFlags & DDPF_ALPHAPIXELS);
    // At the clear, not at the first present that has tiles left pending, which may come in
    // any later frame.
    m_PresentScratch.Reserve(target.pending.TileCount());
  }
  if (zbuffer) {
    ClearSurface(*zbuffer, depthBits == 16 ? 2 : 4,
                 QuantiseDepth(static_cast<double>(z), depthBits), m_ClearRects.data(), count);
  }
  return D3D_OK;
}

HRESULT SoftwarePipeline::PreparePixels(const DrawState& state) {
  SurfaceData& target = *state.target;
  if (!TargetUsable(target)) return DDERR_INVALIDPIXELFORMAT;
  const DWORD* rs = state.renderStates;
  PixelState p;
  p.colour = target.bits.data();
  p.colourPitch = target.pitch;
  p.targetHasAlpha = (target.format.dwFlags & DDPF_ALPHAPIXELS) != 0;
  if (target.pending.Any()) p.colourPending = &target.pending;
  int64_t x0 = state.viewport.dwX, y0 = state.viewport.dwY;
  int64_t x1 = x0 + state.viewport.dwWidth, y1 = y0 + state.viewport.dwHeight;
  x1 = std::min<int64_t>({x1, target.width, static_cast<int64_t>(kGuardBand)});
  y1 = std::min<int64_t>({y1, target.height, static_cast<int64_t>(kGuardBand)});
  if (rs[D3DRENDERSTATE_ZENABLE] != 0 && state.zbuffer) {
    p.depthBits = DepthBitsOf(*state.zbuffer);
    if (p.depthBits == 0) return DDERR_INVALIDPIXELFORMAT;
    p.depth = state.zbuffer->bits.data();
    p.depthPitch = state.zbuffer->pitch;
    if (state.zbuffer->pending.Any()) p.depthPending = &state.zbuffer->pending;
    x1 = std::min<int64_t>(x1, state.zbuffer->width);
    y1 = std::min<int64_t>(y1, state.zbuffer->height);
    p.zFunc = InRange(rs[D3DRENDERSTATE_ZFUNC], D3DCMP_NEVER, D3DCMP_ALWAYS, D3DCMP_LESSEQUAL);
    p.zWrite = rs[D3DRENDERSTATE_ZWRITEENABLE] != 0;
    p.zBias = std::min<DWORD>(rs[D3DRENDERSTATE_ZBIAS], 16) * kZBiasUnit;
  }
  p.x0 = static_cast<int>(std::max<int64_t>(x0, 0));
  p.y0 = static_cast<int>(std::max<int64_t>(y0, 0));
  p.x1 = static_cast<int>(std::max<int64_t>(x1, p.x0));
  p.y1 = static_cast<int>(std::max<int64_t>(y1, p.y0));
  p.flat = rs[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
  p.specular = rs[D3DRENDERSTATE_SPECULARENABLE] != 0;
  p.srcBlend =
      InRange(rs[D3DRENDERSTATE_SRCBLEND], D3DBLEND_ZERO, D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ONE);
  p.destBlend =
      InRange(rs[D3DRENDERSTATE_DESTBLEND], D3DBLEND_ZERO, D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO);
  // ONE/ZERO is a plain write and may take the row path.
  p.blend = rs[D3DRENDERSTATE_ALPHABLENDENABLE] != 0 &&
            !(p.srcBlend == D3DBLEND_ONE && p.destBlend == D3DBLEND_ZERO);
  p.alphaTest = rs[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
  p.alphaFunc = InRange(rs[D3DRENDERSTATE_ALPHAFUNC], D3DCMP_NEVER, D3DCMP_ALWAYS, D3DCMP_ALWAYS);
  p.alphaRef = std::min<DWORD>(rs[D3DRENDERSTATE_ALPHAREF], 255);
  p.lastPixel = rs[D3DRENDERSTATE_LASTPIXEL] != 0;
  m_CullMode = InRange(rs[D3DRENDERSTATE_CULLMODE], D3DCULL_NONE, D3DCULL_CCW, D3DCULL_CCW);
  m_FillMode = InRange(rs[D3DRENDERSTATE_FILLMODE], D3DFILL_POINT, D3DFILL_SOLID, D3DFILL_SOLID);
  m_Pixels = p;
  return D3D_OK;
}

void SoftwarePipeline::PrepareTextures(const DrawState& state) {
  m_Stages = TextureStages{};
  m_Stages.factor = state.renderStates[D3DRENDERSTATE_TEXTUREFACTOR];
  bool anyTexture = false;
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    const DWORD* ts = state.textureStages[i];
    const DWORD op = ts[D3DTSS_COLOROP];
    if (op == 0 || op == D3DTOP_DISABLE) break;
    StageState& s = m_Stages.stage[i];
    s.colourOp = op;
    s.colourArg1 = ts[D3DTSS_COLORARG1];
    s.colourArg2 = ts[D3DTSS_COLORARG2];
    s.alphaOp = ts[D3DTSS_ALPHAOP];
    s.alphaArg1 = ts[D3DTSS_ALPHAARG1];
    s.alphaArg2 = ts[D3DTSS_ALPHAARG2];
    const DWORD set = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    s.texCoordSet = set < static_cast<DWORD>(kMaxTexCoordSets) ? static_cast<int>(set) : 0;
    const DWORD both = ts[D3DTSS_ADDRESS];
    s.addressU = ts[D3DTSS_ADDRESSU] ? ts[D3DTSS_ADDRESSU] : both;
    s.addressV = ts[D3DTSS_ADDRESSV] ? ts[D3DTSS_ADDRESSV] : both;
    // Filters beyond linear (cubic, anisotropic) are drawn as linear.
    s.magLinear = ts[D3DTSS_MAGFILTER] >= D3DTFG_LINEAR;
    s.minLinear = ts[D3DTSS_MINFILTER] >= D3DTFN_LINEAR;
    s.mipFilter = InRange(ts[D3DTSS_MIPFILTER], D3DTFP_NONE, D3DTFP_LINEAR, D3DTFP_NONE);
    if (state.textures[i] && m_Textures[i].Update(*state.textures[i])) {
      s.texture = &m_Textures[i];
      anyTexture = true;
    }
    m_Stages.count = static_cast<int>(i) + 1;
  }
  m_Pixels.textured = anyTexture;
  m_Pixels.stages = &m_Stages;
}

bool SoftwarePipeline::Cull(int64_t area) const {
  // Screen y points down, so a positive area is clockwise as seen on the screen.
  if (area == 0) return true;
  if (m_CullMode == D3DCULL_CCW) return area < 0;
  if (m_CullMode == D3DCULL_CW) return area > 0;
  return false;
}

void SoftwarePipeline::ScreenTriangle(const ScreenVertex& a, const ScreenVertex& b,
                                      const ScreenVertex& c, const ScreenVertex& provoking) {
  if (Cull(SignedArea(a, b, c))) return;
  ++m_Profile.trianglesDrawn;
  switch (m_FillMode) {
    case D3DFILL_POINT:
      m_Rasterizer.Point(a);
      m_Rasterizer.Point(b);
      m_Rasterizer.Point(c);
      break;
    case D3DFILL_WIREFRAME:
      m_Rasterizer.Line(a, b, provoking);
      m_Rasterizer.Line(b, c, provoking);
      m_Rasterizer.Line(c, a, provoking);
      break;
    default:
      m_Rasterizer.Triangle(a, b, c, provoking);
      break;
  }
}

void SoftwarePipeline::ClippedTriangle(const TransformedVertex& a, const TransformedVertex& b,
                                       const TransformedVertex& c,
                                       const TransformedVertex& provoking, uint32_t planes) {
  ClipVertex polygon[kMaxClipVertices];
  const int n = ClipTriangle(a.Clip(), b.Clip(), c.Clip(), planes, polygon);
  if (n < 3) return;
  std::array<ScreenVertex, kMaxClipVertices> screen;
  for (int i = 0; i < n; ++i) {
    if (!m_VertexProcessor.Project(polygon[i], screen[i])) return;
  }
  // The polygon's area as the sum of its fan's.
  int64_t area = 0;
  for (int i = 1; i + 1 < n; ++i) area += SignedArea(screen[0], screen[i], screen[i + 1]);
  if (Cull(area)) return;
  ++m_Profile.trianglesDrawn;
  ScreenVertex colours{};
  colours.attr = provoking.screen.attr;
  switch (m_FillMode) {
    case D3DFILL_POINT:
      for (const TransformedVertex* v : {&a, &b, &c}) {
        if ((v->clipBits & (kMustClip | kNotFinite)) == 0) m_Rasterizer.Point(v->screen);
      }
      break;
    case D3DFILL_WIREFRAME:
      for (int i = 0; i < n; ++i) m_Rasterizer.Line(screen[i], screen[(i + 1) % n], colours);
      break;
    default:
      if (m_Recording) {
        RecordFan(screen.data(), n, colours);
        break;
      }
      for (int i = 1; i + 1 < n; ++i) {
        m_Rasterizer.Triangle(screen[0], screen[i], screen[i + 1], colours);
      }
      break;
  }
}

bool SoftwarePipeline::Visible(uint32_t i0, uint32_t i1, uint32_t i2) const {
  if (i0 >= m_VertexCount || i1 >= m_VertexCount || i2 >= m_VertexCount) return false;
  const TransformedVertex& a = m_Vertices[i0];
  const TransformedVertex& b = m_Vertices[i1];
  const TransformedVertex& c = m_Vertices[i2];
  const uint32_t any = a.clipBits | b.clipBits | c.clipBits;
  if (Rejected(a.clipBits & b.clipBits & c.clipBits, any)) return false;
  if (any & kMustClip) return true;  // decided after clipping
  return !Cull(SignedArea(a.screen, b.screen, c.screen));
}

void SoftwarePipeline::Triangle(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t provoking) {
  if (i0 >= m_VertexCount || i1 >= m_VertexCount || i2 >= m_VertexCount) return;
  const TransformedVertex& a = m_Vertices[i0];
  const TransformedVertex& b = m_Vertices[i1];
  const TransformedVertex& c = m_Vertices[i2];
  const uint32_t any = a.clipBits | b.clipBits | c.clipBits;
  if (Rejected(a.clipBits & b.clipBits & c.clipBits, any)) return;
  const TransformedVertex& p = m_Vertices[provoking];
  if (any & kMustClip) {
    ClippedTriangle(a, b, c, p, any & kMustClip);
  } else if (m_Recording) {
    if (Cull(SignedArea(a.screen, b.screen, c.screen))) return;
    ++m_Profile.trianglesDrawn;
    Record(i0, i1, i2, provoking);
  } else {
    ScreenTriangle(a.screen, b.screen, c.screen, p.screen);
  }
}

void SoftwarePipeline::Record(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking) {
  if (m_RecordedCount == m_Recorded.size())
    m_Recorded.resize(std::max<size_t>(256, 2 * m_RecordedCount));
  m_Recorded[m_RecordedCount++] = {a, b, c, provoking};
}

void SoftwarePipeline::RecordFan(const ScreenVertex* polygon, int n, const ScreenVertex& colours) {
  const size_t needed = m_ClippedCount + static_cast<size_t>(n) + 1;
  if (m_ClippedScreen.size() < needed) m_ClippedScreen.resize(std::max<size_t>(64, 2 * needed));
  const uint32_t first = static_cast<uint32_t>(m_ClippedCount) | kClippedVertex;
  std::copy_n(polygon, n, m_ClippedScreen.begin() + static_cast<ptrdiff_t>(m_ClippedCount));
  m_ClippedScreen[m_ClippedCount + static_cast<size_t>(n)] = colours;
  m_ClippedCount = needed;
  const uint32_t last = first + static_cast<uint32_t>(n);  // the colours
  for (uint32_t i = 1; i + 1 < static_cast<uint32_t>(n); ++i)
    Record(first, first + i, first + i + 1, last);
}

int SoftwarePipeline::BandSplit(D3DPRIMITIVETYPE type) const {
  if (m_Threads < 2 || type < D3DPT_TRIANGLELIST || m_FillMode != D3DFILL_SOLID) return 0;
  const PixelState& p = m_Pixels;
  if (int64_t{p.x1 - p.x0} * (p.y1 - p.y0) < kBandPixels) return 0;
  // At a row of tiles, so that each tile is filled by one thread: halfway to where the last
  // draw over the same rows would have taken both threads as long (taking its time as even
  // over each band's rows), else the middle. Only the time is left to chance, never a pixel.
  const bool again = m_LastSplit != 0 && m_LastRows[0] == p.y0 && m_LastRows[1] == p.y1;
  double split = p.y0 + (p.y1 - p.y0) / 2;
  const double upper = m_LastSeconds[0], lower = m_LastSeconds[1];
  if (again && upper > 0 && lower > 0) {
    const double half = (upper + lower) / 2;
    double even = m_LastSplit;
    if (upper < half) even += (half - upper) / lower * (p.y1 - m_LastSplit);
    if (upper > half) even -= (upper - half) / upper * (m_LastSplit - p.y0);
    split = (m_LastSplit + even) / 2;
  }
  constexpr int kTile = PendingClear::kTileHeight;
  const int64_t first = (p.y0 / kTile + 1) * kTile, last = (p.y1 - 1) / kTile * kTile;
  if (first > last) return 0;
  const int64_t nearest = static_cast<int64_t>(split / kTile + 0.5) * kTile;
  return static_cast<int>(std::clamp(nearest, first, last));
}

void SoftwarePipeline::DrawRecorded(const SoftwarePipeline& pipeline, Rasterizer& rasterizer) {
  for (size_t k = 0; k < pipeline.m_RecordedCount; ++k) {
    const std::array<uint32_t, 4>& t = pipeline.m_Recorded[k];
    rasterizer.Triangle(pipeline.RecordedVertex(t[0]), pipeline.RecordedVertex(t[1]),
                        pipeline.RecordedVertex(t[2]), pipeline.RecordedVertex(t[3]));
  }
}

void SoftwarePipeline::DrawBands(int split) {
  PendingClear* pending[2] = {m_Pixels.colourPending, m_Pixels.depthPending};
  if (pending[1] == pending[0]) pending[1] = nullptr;  // a surface split twice would count twice
  for (PendingClear* p : pending) {
    if (p) p->SplitLanes(split);
  }
  m_LowerBand.Begin(m_Pixels, &m_Stages);
  m_LowerBand.SetBand(split, m_Pixels.y1, 1);
  m_Rasterizer.SetBand(m_Pixels.y0, split, 0);
  const bool posted = m_Worker.Post(
      [](void* self) {
        auto* pipeline = static_cast<SoftwarePipeline*>(self);
        const auto start = std::chrono::steady_clock::now();
        DrawRecorded(*pipeline, pipeline->m_LowerBand);
        pipeline->m_LastSeconds[1] = Seconds(start);
      },
      this);
  const auto start = std::chrono::steady_clock::now();
  DrawRecorded(*this, m_Rasterizer);
  m_LastSeconds[0] = Seconds(start);
  if (posted) {
    m_Worker.Wait();
  } else {
    m_LastSeconds[0] = 0;  // no second thread to balance
    DrawRecorded(*this, m_LowerBand);
  }
  for (PendingClear* p : pending) {
    if (p) p->JoinLanes();
  }
  m_LastSplit = split;
  m_LastRows[0] = m_Pixels.y0;
  m_LastRows[1] = m_Pixels.y1;
  ++m_Profile.bandedDraws;
  m_Profile.pixelsWritten += m_LowerBand.PixelsWritten();
  m_Profile.trianglesInBlocks += m_LowerBand.BlockTriangles();
}

void SoftwarePipeline::LinePrimitive(uint32_t i0, uint32_t i1) {
  if (i0 >= m_VertexCount || i1 >= m_VertexCount) return;
  const TransformedVertex& a = m_Vertices[i0];
  const TransformedVertex& b = m_Vertices[i1];
  const uint32_t any = a.clipBits | b.clipBits;
  if (Rejected(a.clipBits & b.clipBits, any)) return;
  if (!(any & kMustClip)) {
    m_Rasterizer.Line(a.screen, b.screen, a.screen);
    return;
  }
  const ClipVertex ca = a.Clip(), cb = b.Clip();
  float t0, t1;
  if (!ClipLine(ca, cb, any & kMustClip, t0, t1)) return;
  ScreenVertex sa, sb;
  if (!m_VertexProcessor.Project(Lerp(ca, cb, t0), sa) ||
      !m_VertexProcessor.Project(Lerp(ca, cb, t1), sb)) {
    return;
  }
  ScreenVertex colours{};
  colours.attr = a.screen.attr;
  m_Rasterizer.Line(sa, sb, colours);
}

void SoftwarePipeline::PointPrimitive(uint32_t i) {
  if (i >= m_VertexCount) return;
  const TransformedVertex& v = m_Vertices[i];
  if (v.clipBits & (kNotFinite | kMustClip | kRejectMask)) return;
  m_Rasterizer.Point(v.screen);
}

HRESULT SoftwarePipeline::Draw(DrawState& state, const DrawCall& call) {
  // A draw, stage by stage:
  //   1. the call and the state are checked, and the pixel state, texture stages and
  //      transforms are fixed for the draw;
  //   2. every vertex is transformed (VertexProcessor.h), and lit unless lighting can wait;
  //   3. when it can (triangles), rejection and culling find the triangles that will be seen,
  //      and only their vertices are lit;
  //   4. the primitives are assembled, clipped (Clipping.h) and rasterised (Rasterizer.h).
  if (!state.target) return DDERR_INVALIDPARAMS;
  if (!state.hasViewport) return D3DERR_VIEWPORTDATANOTSET;
  if (call.type < D3DPT_POINTLIST || call.type > D3DPT_TRIANGLEFAN) {
    return D3DERR_INVALIDPRIMITIVETYPE;
  }
  const VertexLayout layout = ParseVertexFormat(call.fvf);
  if (!layout.valid || call.stride < layout.size) {
    return D3DERR_INVALIDVERTEXFORMAT;
  }
  if (!call.vertices || call.vertexCount == 0) return D3D_OK;
  if (call.indices == nullptr && call.indexCount != 0) return DDERR_INVALIDPARAMS;
  const HRESULT hr = PreparePixels(state);
  if (FAILED(hr)) return hr;
  PrepareTextures(state);
  if (m_Pixels.x0 >= m_Pixels.x1 || m_Pixels.y0 >= m_Pixels.y1) return D3D_OK;
  // Solid triangles fill the pending tiles under them as they go; points and lines, rare,
  // have every pending tile filled first.
  if (call.type < D3DPT_TRIANGLELIST || m_FillMode != D3DFILL_SOLID) {
    FillPendingTiles(m_Pixels, m_Pixels.x0, m_Pixels.y0, m_Pixels.x1 - 1, m_Pixels.y1 - 1);
  }
  if (!m_VertexProcessor.Setup(state, m_Pixels.x0, m_Pixels.y0, m_Pixels.x1, m_Pixels.y1)) {
    return DDERR_INVALIDPARAMS;
  }

  const WORD* indices = call.indices;
  const uint32_t n = indices ? call.indexCount : call.vertexCount;
  auto at = [indices](uint32_t k) -> uint32_t { return indices ? indices[k] : k; };
  // Lighting waits until culling has shown which vertices are seen (for a closed mesh about
  // half of them), except for points and lines.
  const bool defer = call.type >= D3DPT_TRIANGLELIST && m_VertexProcessor.Lights(layout);
  // On a large target solid triangles are recorded, then drawn in two bands at once.
  const int split = BandSplit(call.type);
  m_Recording = split != 0;
  m_RecordedCount = m_ClippedCount = 0;
  {
    PhaseTimer vertexTime(m_Profiling, m_Profile.vertexSeconds);
    m_VertexProcessor.Process(call.vertices, call.stride, call.vertexCount, layout, defer,
                              m_Vertices);
    m_VertexCount = call.vertexCount;
  }
  if (defer) {
    size_t visibleCount = 0;
    {
      PhaseTimer rasterTime(m_Profiling, m_Profile.rasterSeconds);
      m_Rasterizer.Begin(m_Pixels, &m_Stages);
      visibleCount = FindVisible(call.type, n, at);
    }
    {
      PhaseTimer vertexTime(m_Profiling, m_Profile.vertexSeconds);
      for (uint32_t i = 0; i < m_VertexCount; ++i) {
        if (m_Lit[i]) {
          m_VertexProcessor.LightVertex(call.vertices + static_cast<size_t>(i) * call.stride,
                                        layout, m_Vertices[i].screen.attr);
        }
      }
    }
    PhaseTimer rasterTime(m_Profiling, m_Profile.rasterSeconds);
    DrawVisible(visibleCount);
    if (m_Recording) DrawBands(split);
  } else {
    PhaseTimer rasterTime(m_Profiling, m_Profile.rasterSeconds);
    m_Rasterizer.Begin(m_Pixels, &m_Stages);
    switch (call.type) {
      case D3DPT_POINTLIST:
        for (uint32_t k = 0; k < n; ++k) PointPrimitive(at(k));
        break;
      case D3DPT_LINELIST:
        for (uint32_t k = 0; k + 1 < n; k += 2) LinePrimitive(at(k), at(k + 1));
        break;
      case D3DPT_LINESTRIP:
        for (uint32_t k = 0; k + 1 < n; ++k) LinePrimitive(at(k), at(k + 1));
        break;
      default:
        ForEachTriangle(call.type, n, at,
                        [this](uint32_t i0, uint32_t i1, uint32_t i2, uint32_t p) {
                          ++m_Profile.trianglesIn;
                          Triangle(i0, i1, i2, p);
                        });
        if (m_Recording) DrawBands(split);
        break;
    }
  }
  m_Recording = false;
  ++m_Profile.draws;
  m_Profile.pixelsWritten += m_Rasterizer.PixelsWritten();
  m_Profile.trianglesInBlocks += m_Rasterizer.BlockTriangles();
  return D3D_OK;
}

void SoftwarePipeline::DrawVisible(size_t count) {
  const bool solid = m_FillMode == D3DFILL_SOLID;
  for (size_t k = 0; k < count; k += 4) {
    const TransformedVertex& a = m_Vertices[m_Visible[k]];
    const TransformedVertex& b = m_Vertices[m_Visible[k + 1]];
    const TransformedVertex& c = m_Vertices[m_Visible[k + 2]];
    if (solid && !((a.clipBits | b.clipBits | c.clipBits) & kMustClip)) {
      // Already checked and culled by Visible.
      ++m_Profile.trianglesDrawn;
      if (m_Recording) {
        Record(m_Visible[k], m_Visible[k + 1], m_Visible[k + 2], m_Visible[k + 3]);
        continue;
      }
      m_Rasterizer.Triangle(a.screen, b.screen, c.screen, m_Vertices[m_Visible[k + 3]].screen);
    } else {
      Triangle(m_Visible[k], m_Visible[k + 1], m_Visible[k + 2], m_Visible[k + 3]);
    }
  }
}

HRESULT SoftwarePipeline::Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) {
  if (!window || !TargetUsable(target)) return DDERR_INVALIDPARAMS;
  return PresentTargetPixels(target, src, window, dst, m_PresentScratch);
}

}  // namespace dx::software
