// Textures for the software device: a mip chain built from the surface the front holds (32-bit
// ARGB or 16-bit RGB 565), and sampling with point or linear filters, mip selection none,
// point or linear, and wrap, mirror or clamp addressing. The chain is rebuilt only when the
// surface's version changes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/directx/MipChain.h"
#include "platform/directx/Pipeline.h"

namespace dx::software {

class MipChain {
 public:
  using Level = MipLevel;

  // Brings the chain up to date with the surface; false if the surface cannot be read (unknown
  // format, or bits smaller than pitch × height).
  bool Update(const SurfaceData& surface);
  bool Matches(const SurfaceData& surface) const;
  int LevelCount() const { return m_LevelCount; }
  const Level& LevelAt(int i) const { return m_Levels[i]; }

 private:
  std::vector<Level> m_Levels;  // grown only: a re-upload of the same size allocates nothing
  int m_LevelCount = 0;
  const SurfaceData* m_Source = nullptr;
  const uint8_t* m_SourceBits = nullptr;
  uint32_t m_Version = 0;
  int m_Width = 0, m_Height = 0;
};

// The texture stage states that the rasteriser needs, read once per draw.
struct StageState {
  DWORD colourOp = D3DTOP_DISABLE;
  DWORD colourArg1 = D3DTA_TEXTURE;
  DWORD colourArg2 = D3DTA_CURRENT;
  DWORD alphaOp = D3DTOP_DISABLE;
  DWORD alphaArg1 = D3DTA_TEXTURE;
  DWORD alphaArg2 = D3DTA_CURRENT;
  int texCoordSet = 0;
  DWORD addressU = D3DTADDRESS_WRAP;
  DWORD addressV = D3DTADDRESS_WRAP;
  bool magLinear = false;
  bool minLinear = false;
  DWORD mipFilter = D3DTFP_NONE;
  const MipChain* texture = nullptr;  // null: the stage has no texture
};

struct TextureStages {
  StageState stage[kTextureStageCount];
  int count = 0;        // stages before the first disabled one
  uint32_t factor = 0;  // D3DRENDERSTATE_TEXTUREFACTOR, for D3DTA_TFACTOR
};

// Argument selectors and modifiers beyond those DirectX.h declares.
inline constexpr DWORD kTextureArgTFactor = 0x3;
inline constexpr DWORD kTextureArgSpecular = 0x4;
inline constexpr DWORD kTextureArgSelectMask = 0xF;
inline constexpr DWORD kTextureArgComplement = 0x10;
inline constexpr DWORD kTextureArgAlphaReplicate = 0x20;

struct Colour4 {
  float r, g, b, a;  // 0..255
};

// Samples texture coordinates (u, v) with the screen-space derivatives of u and v (in texture
// coordinates per pixel), which choose the mip level.
Colour4 SampleTexture(const StageState& stage, float u, float v, float dudx, float dvdx, float dudy,
                      float dvdy);

// Runs the enabled stages over one pixel: diffuse and specular are the interpolated vertex
// colours; tex holds each stage's sampled texel.
Colour4 CombineStages(const TextureStages& stages, const Colour4& diffuse, const Colour4& specular,
                      const Colour4* tex);

}  // namespace dx::software
