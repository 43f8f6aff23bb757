#include "platform/directx/opengl/GlFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/directx/TransformMath.h"

namespace dx::opengl {

namespace {

bool Finite(float v) {
  return std::isfinite(v);
}

void Store(const float m[4][4], float* out) {
  std::memcpy(out, m, 16 * sizeof(float));
}

void Colour(const D3DCOLORVALUE& c, float* out) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

void UnpackColour(DWORD c, float* out) {
  out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(c & 0xFF) / 255.0f;
  out[3] = static_cast<float>(c >> 24) / 255.0f;
}

bool KnownLight(const D3DLIGHT2& l) {
  if (!(l.dwFlags & D3DLIGHT_ACTIVE)) return false;
  switch (l.dltType) {
    case D3DLIGHT_POINT:
    case D3DLIGHT_SPOT:
    case D3DLIGHT_DIRECTIONAL:
    case D3DLIGHT_PARALLELPOINT:
      return true;
    default:
      return false;  // unknown kinds give no light
  }
}

DWORD InRange(DWORD value, DWORD low, DWORD high, DWORD fallback) {
  return value >= low && value <= high ? value : fallback;
}

GLint Wrap(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_EDGE;
    default:
      return GL_REPEAT;
  }
}

}  // namespace

ViewportMapping MapViewport(const D3DVIEWPORT2& vp, int targetWidth, int targetHeight,
                            int depthWidth, int depthHeight) {
  ViewportMapping m;
  if (!(vp.dvClipWidth != 0.0f && vp.dvClipHeight != 0.0f) || !Finite(vp.dvClipX) ||
      !Finite(vp.dvClipY) || !Finite(vp.dvClipWidth) || !Finite(vp.dvClipHeight) ||
      !Finite(vp.dvMinZ) || !Finite(vp.dvMaxZ))
    return m;
  // Nothing is drawn beyond the guard band the software device clips to.
  constexpr int64_t kGuardBand = 16384;
  int64_t x1 = std::min<int64_t>({int64_t{vp.dwX} + vp.dwWidth, targetWidth, kGuardBand});
  int64_t y1 = std::min<int64_t>({int64_t{vp.dwY} + vp.dwHeight, targetHeight, kGuardBand});
  if (depthWidth > 0 && depthHeight > 0) {
    x1 = std::min<int64_t>(x1, depthWidth);
    y1 = std::min<int64_t>(y1, depthHeight);
  }
  m.x0 = static_cast<int>(std::min<int64_t>(vp.dwX, x1));
  m.y0 = static_cast<int>(std::min<int64_t>(vp.dwY, y1));
  m.x1 = static_cast<int>(std::max<int64_t>(x1, 0));
  m.y1 = static_cast<int>(std::max<int64_t>(y1, 0));
  m.minZ = vp.dvMinZ;
  m.maxZ = vp.dvMaxZ;
  m.valid = true;
  return m;
}

StageSetup ReadStages(const DrawState& state) {
  StageSetup s;
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    const DWORD* ts = state.textureStages[i];
    const DWORD op = ts[D3DTSS_COLOROP];
    if (op == 0 || op == D3DTOP_DISABLE) break;
    s.count = static_cast<int>(i) + 1;
    if (state.textures[i]) s.textured = true;
    const DWORD set = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    s.texCoordSet[i] = set < kMaxTexCoordSets ? static_cast<int>(set) : 0;
    // Filters beyond linear (cubic, anisotropic) are drawn as linear.
    s.magFilter[i] = ts[D3DTSS_MAGFILTER] >= D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST;
    const bool minLinear = ts[D3DTSS_MINFILTER] >= D3DTFN_LINEAR;
    switch (ts[D3DTSS_MIPFILTER]) {
      case D3DTFP_POINT:
        s.minFilter[i] = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        break;
      case D3DTFP_LINEAR:
        s.minFilter[i] = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        break;
      default:
        s.minFilter[i] = minLinear ? GL_LINEAR : GL_NEAREST;
        break;
    }
    // D3DTSS_ADDRESS sets both directions; a direction's own state wins when it is set.
    const DWORD both = ts[D3DTSS_ADDRESS];
    s.wrapS[i] = Wrap(ts[D3DTSS_ADDRESSU] ? ts[D3DTSS_ADDRESSU] : both);
    s.wrapT[i] = Wrap(ts[D3DTSS_ADDRESSV] ? ts[D3DTSS_ADDRESSV] : both);
  }
  return s;
}

int UsableLightCount(const DrawState& state) {
  int count = 0;
  for (const D3DLIGHT2& l : state.lights) {
    if (KnownLight(l) && count < kMaxLights) ++count;
  }
  return count;
}

void FillFrameBlock(const DrawState& state, const StageSetup& stages, int targetWidth,
                    int targetHeight, bool clipControl, bool topRowFirst, bool lit,
                    FrameBlock& out) {
  // 1. Matrices: world · view, then · projection, then the viewport and OpenGL's window.
  float world[4][4], view[4][4], projection[4][4];
  std::memcpy(world, &state.world, sizeof world);
  std::memcpy(view, &state.view, sizeof view);
  std::memcpy(projection, &state.projection, sizeof projection);
  float toView[4][4], clip[4][4];
  Multiply(world, view, toView);
  Multiply(toView, projection, clip);

  const D3DVIEWPORT2& vp = state.viewport;
  const float sx = static_cast<float>(vp.dwWidth) / vp.dvClipWidth;
  const float ox = static_cast<float>(vp.dwX) - vp.dvClipX * sx;
  const float sy = -static_cast<float>(vp.dwHeight) / vp.dvClipHeight;
  const float oy = static_cast<float>(vp.dwY) - vp.dvClipY * sy;
  const double tw = targetWidth > 0 ? targetWidth : 1, th = targetHeight > 0 ? targetHeight : 1;
  float toClip[4][4];
  for (int i = 0; i < 4; ++i) {
    // Screen position times w, as the software device has it.
    const float x = clip[i][0] * sx + clip[i][3] * ox;
    const float y = clip[i][1] * sy + clip[i][3] * oy;
    const double z = clip[i][2], w = clip[i][3];
    // OpenGL window x = pixel x + 0.5 over a viewport covering the whole target; window y =
    // pixel y + 0.5 with the top row first, else height - 0.5 - pixel y.
    toClip[i][0] = static_cast<float>(x * (2.0 / tw) + w * (1.0 / tw - 1.0));
    toClip[i][1] = topRowFirst ? static_cast<float>(y * (2.0 / th) + w * (1.0 / th - 1.0))
                               : static_cast<float>(-y * (2.0 / th) + w * (1.0 - 1.0 / th));
    // Clip-space depth 0..w: OpenGL's own range -w..w unless clip control takes 0..w.
    toClip[i][2] = static_cast<float>(clipControl ? z : 2.0 * z - w);
    toClip[i][3] = static_cast<float>(w);
  }
  Store(toClip, out.toClip);
  Store(toView, out.toView);
  float normal[3][3];
  NormalMatrix(toView, normal);
  float normal4[4][4] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) normal4[i][j] = normal[i][j];
  normal4[3][3] = 1.0f;
  Store(normal4, out.normalMatrix);

  // 2. Material and light states.
  const D3DMATERIAL& m = state.material;
  Colour(m.dcvDiffuse, out.materialDiffuse);
  Colour(m.dcvAmbient, out.materialAmbient);
  Colour(m.dcvSpecular, out.materialSpecular);
  Colour(m.dcvEmissive, out.materialEmissive);
  UnpackColour(state.lightStates[D3DLIGHTSTATE_AMBIENT], out.ambient);
  const bool specular = state.renderStates[D3DRENDERSTATE_SPECULARENABLE] != 0;
  out.lighting[0] = m.dvPower;
  out.lighting[1] = specular ? 1.0f : 0.0f;
  out.lighting[2] = lit ? 1.0f : 0.0f;

  // 3. Lights in view space.
  const float(*v)[4] = Rows(state.view);
  const float origin[3] = {toView[3][0], toView[3][1], toView[3][2]};
  int count = 0;
  for (const D3DLIGHT2& l : state.lights) {
    if (!KnownLight(l) || count >= kMaxLights) continue;
    float position[3], axis[3], direction[3] = {0.0f, 0.0f, 0.0f};
    const float pos[3] = {l.dvPosition.x, l.dvPosition.y, l.dvPosition.z};
    const float dir[3] = {l.dvDirection.x, l.dvDirection.y, l.dvDirection.z};
    for (int j = 0; j < 3; ++j) {
      position[j] = pos[0] * v[0][j] + pos[1] * v[1][j] + pos[2] * v[2][j] + v[3][j];
      // dvDirection is the way the light travels; lighting wants the way to the light.
      axis[j] = dir[0] * v[0][j] + dir[1] * v[1][j] + dir[2] * v[2][j];
    }
    Normalise(axis);
    if (l.dltType == D3DLIGHT_DIRECTIONAL) {
      for (int j = 0; j < 3; ++j) direction[j] = -axis[j];
    } else if (l.dltType == D3DLIGHT_PARALLELPOINT) {
      for (int j = 0; j < 3; ++j) direction[j] = position[j] - origin[j];
      Normalise(direction);
    }
    float(*slot)[4] = &out.lights[count * kLightVectors];
    slot[0][0] = l.dcvColor.r;
    slot[0][1] = l.dcvColor.g;
    slot[0][2] = l.dcvColor.b;
    slot[0][3] = static_cast<float>(l.dltType);
    slot[1][0] = position[0];
    slot[1][1] = position[1];
    slot[1][2] = position[2];
    slot[1][3] = l.dvRange;
    slot[2][0] = direction[0];
    slot[2][1] = direction[1];
    slot[2][2] = direction[2];
    slot[2][3] = l.dvFalloff;
    slot[3][0] = axis[0];
    slot[3][1] = axis[1];
    slot[3][2] = axis[2];
    slot[3][3] = (l.dwFlags & D3DLIGHT_NO_SPECULAR) ? 0.0f : 1.0f;
    slot[4][0] = l.dvAttenuation0;
    slot[4][1] = l.dvAttenuation1;
    slot[4][2] = l.dvAttenuation2;
    slot[4][3] = 0.0f;
    slot[5][0] = static_cast<float>(std::cos(0.5 * l.dvTheta));
    slot[5][1] = static_cast<float>(std::cos(0.5 * l.dvPhi));
    slot[5][2] = 0.0f;
    slot[5][3] = 0.0f;
    ++count;
  }
  out.lighting[3] = static_cast<float>(count);

  // 4. Pixel stage: depth bias, alpha test, specular add, texture stages.
  const DWORD bias = state.renderStates[D3DRENDERSTATE_ZBIAS];
  out.pixel[0] = static_cast<float>(static_cast<double>(std::min<DWORD>(bias, 16)) * kZBiasUnit);
  out.pixel[1] =
      static_cast<float>(std::min<DWORD>(state.renderStates[D3DRENDERSTATE_ALPHAREF], 255));
  out.pixel[2] = static_cast<float>(InRange(state.renderStates[D3DRENDERSTATE_ALPHAFUNC],
                                            D3DCMP_NEVER, D3DCMP_ALWAYS, D3DCMP_ALWAYS));
  out.pixel[3] = specular ? 1.0f : 0.0f;
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    const DWORD* ts = state.textureStages[i];
    out.stageColour[i][0] = static_cast<int32_t>(ts[D3DTSS_COLOROP]);
    out.stageColour[i][1] = static_cast<int32_t>(ts[D3DTSS_COLORARG1]);
    out.stageColour[i][2] = static_cast<int32_t>(ts[D3DTSS_COLORARG2]);
    out.stageColour[i][3] = state.textures[i] ? 1 : 0;
    out.stageAlpha[i][0] = static_cast<int32_t>(ts[D3DTSS_ALPHAOP]);
    out.stageAlpha[i][1] = static_cast<int32_t>(ts[D3DTSS_ALPHAARG1]);
    out.stageAlpha[i][2] = static_cast<int32_t>(ts[D3DTSS_ALPHAARG2]);
    out.stageAlpha[i][3] = 0;
  }
  out.stageInfo[0] = stages.count;
  out.stageInfo[1] = out.stageInfo[2] = out.stageInfo[3] = 0;
  UnpackColour(state.renderStates[D3DRENDERSTATE_TEXTUREFACTOR], out.textureFactor);
}

GLenum DepthFunction(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    case D3DCMP_ALWAYS:
      return GL_ALWAYS;
    default:
      return GL_LEQUAL;  // out of range: Direct3D's default comparison
  }
}

GLenum BlendFactor(DWORD mode) {
  switch (mode) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

void BlendFactors(DWORD srcBlend, DWORD destBlend, GLenum& src, GLenum& dest) {
  srcBlend = InRange(srcBlend, D3DBLEND_ZERO, D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ONE);
  destBlend = InRange(destBlend, D3DBLEND_ZERO, D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO);
  src = BlendFactor(srcBlend);
  if (srcBlend == D3DBLEND_BOTHSRCALPHA) {
    dest = GL_ONE_MINUS_SRC_ALPHA;
  } else if (srcBlend == D3DBLEND_BOTHINVSRCALPHA) {
    dest = GL_SRC_ALPHA;
  } else {
    dest = BlendFactor(destBlend);
  }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST:
      return GL_POINTS;
    case D3DPT_LINELIST:
      return GL_LINES;
    case D3DPT_LINESTRIP:
      return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
      return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
      return GL_TRIANGLE_FAN;
    default:
      return GL_TRIANGLES;
  }
}

GLenum PolygonMode(DWORD fill) {
  switch (fill) {
    case D3DFILL_POINT:
      return GL_POINT;
    case D3DFILL_WIREFRAME:
      return GL_LINE;
    default:
      return GL_FILL;
  }
}

GLenum CullFace(DWORD cull) {
  switch (cull) {
    case D3DCULL_NONE:
      return 0;
    // Clockwise on the screen is the front face (see GlPipeline's glFrontFace).
    case D3DCULL_CW:
      return GL_FRONT;
    default:
      return GL_BACK;
  }
}

uint32_t ProgramFeatures(const DrawState& state, const StageSetup& stages) {
  const DWORD* rs = state.renderStates;
  uint32_t features = 0;
  if (rs[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT) features |= kProgramFlat;
  if (stages.textured) features |= kProgramTextured;
  if (rs[D3DRENDERSTATE_ZBIAS] != 0) features |= kProgramDepthBias;
  if (rs[D3DRENDERSTATE_ALPHATESTENABLE]) features |= kProgramAlphaTest;
  return features;
}

}  // namespace dx::opengl
