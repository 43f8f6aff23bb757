// Drawing and clearing on a device: argument checks that protect the pipeline (every
// index is checked against the vertex count before anything is read), the refresh of
// the parts of the draw state that live in other objects (target and z-buffer, current
// viewport, its active lights, the material behind the handle, textures), and the call
// into the pipeline. After a successful Draw the front clears DrawState::changed: the
// pipeline has taken everything that was marked.
#include <algorithm>
#include <cstring>

#include "platform/directx/Front.h"

namespace dx::front {

namespace {
constexpr DWORD kMaxVertices = 0xFFFF;

bool IndicesInRange(const WORD* indices, DWORD count, DWORD vertexCount) {
  return std::all_of(indices, indices + count, [&](WORD i) { return i < vertexCount; });
}

template <class T>
bool SameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SameLights(const std::vector<D3DLIGHT2>& a, const std::vector<D3DLIGHT2>& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameBytes<D3DLIGHT2>);
}
}  // namespace

void Device::RefreshState() {
  DrawState& s = m_State;
  SurfaceData* target = &m_Target->Data();
  Surface* zsurface = m_Target->AttachedZBuffer();
  SurfaceData* zbuffer = zsurface ? &zsurface->Data() : nullptr;
  if (s.target != target || s.zbuffer != zbuffer) {
    s.target = target;
    s.zbuffer = zbuffer;
    s.changed |= kTargetsChanged;
  }

  const bool hasViewport = m_Current && m_Current->HasData();
  if (hasViewport != s.hasViewport || (hasViewport && !SameBytes(s.viewport, m_Current->Data()))) {
    s.hasViewport = hasViewport;
    s.viewport = hasViewport ? m_Current->Data() : D3DVIEWPORT2{};
    s.changed |= kViewportChanged;
  }

  if (m_Current) {
    m_Current->ActiveLights(m_LightScratch);
  } else {
    m_LightScratch.clear();
  }
  if (!SameLights(m_LightScratch, s.lights)) {
    s.lights.swap(m_LightScratch);
    s.changed |= kLightsChanged;
  }

  const auto* material =
      m_MaterialHandle ? dynamic_cast<const Material*>(ObjectFor(m_MaterialHandle)) : nullptr;
  if ((material != nullptr) != s.hasMaterial ||
      (material && !SameBytes(s.material, material->Data()))) {
    s.hasMaterial = material != nullptr;
    s.material = material ? material->Data() : D3DMATERIAL{};
    s.changed |= kMaterialChanged;
  }

  for (DWORD stage = 0; stage < kTextureStageCount; ++stage) {
    SurfaceData* texture = m_Textures[stage] ? &m_Textures[stage]->Data() : nullptr;
    const uint32_t version = texture ? texture->version : 0;
    if (s.textures[stage] != texture || m_TextureVersions[stage] != version) {
      s.textures[stage] = texture;
      m_TextureVersions[stage] = version;
      s.changed |= kTexturesChanged;
    }
  }
}

HRESULT Device::CheckSurfacesFree() const {
  const Surface* z = m_Target->AttachedZBuffer();
  if (m_Target->IsLocked() || (z && z->IsLocked())) return DDERR_SURFACEBUSY;
  for (const ComRef<Surface>& texture : m_Textures) {
    if (texture && texture->IsLocked()) return DDERR_SURFACEBUSY;
  }
  return D3D_OK;
}

HRESULT Device::ClearRects(const std::vector<D3DRECT>& rects, DWORD flags, D3DCOLOR colour,
                           D3DVALUE z) {
  if (HRESULT hr = CheckSurfacesFree(); FAILED(hr)) return hr;
  RefreshState();
  return m_Pipeline->Clear(m_State, rects.data(), static_cast<DWORD>(rects.size()), flags, colour,
                           z);
}

HRESULT Device::CheckDraw(D3DPRIMITIVETYPE type, DWORD fvf) const {
  if (!m_InScene) return D3DERR_SCENE_NOT_IN_SCENE;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  if (!IsSupportedFvf(fvf)) return D3DERR_INVALIDVERTEXFORMAT;
  if (!m_Current) return D3DERR_NOCURRENTVIEWPORT;
  if (!m_Current->HasData()) return D3DERR_VIEWPORTDATANOTSET;
  return CheckSurfacesFree();
}

HRESULT Device::Draw(const DrawCall& call) {
  if (call.vertexCount == 0 || (call.indices && call.indexCount == 0)) return D3D_OK;
  RefreshState();
  const HRESULT hr = m_Pipeline->Draw(m_State, call);
  if (SUCCEEDED(hr)) m_State.changed = 0;
  return hr;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count,
                              DWORD flags) {
  if (HRESULT hr = Hook("IDirect3DDevice3::DrawPrimitive",
                        [&] { return Args(type, fvf, vertices, count, flags); });
      FAILED(hr))
    return hr;
  if (HRESULT hr = CheckDraw(type, fvf); FAILED(hr)) return hr;
  if ((count && !vertices) || count > kMaxVertices) return DDERR_INVALIDPARAMS;
  DrawCall call;
  call.type = type;
  call.fvf = fvf;
  call.vertices = static_cast<const uint8_t*>(vertices);
  call.stride = FvfStride(fvf);
  call.vertexCount = count;
  return Draw(call);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices,
                                     DWORD vertexCount, WORD* indices, DWORD indexCount,
                                     DWORD flags) {
  if (HRESULT hr =
          Hook("IDirect3DDevice3::DrawIndexedPrimitive",
               [&] { return Args(type, fvf, vertices, vertexCount, indices, indexCount, flags); });
      FAILED(hr))
    return hr;
  if (HRESULT hr = CheckDraw(type, fvf); FAILED(hr)) return hr;
  if ((vertexCount && !vertices) || (indexCount && !indices) || vertexCount > kMaxVertices)
    return DDERR_INVALIDPARAMS;
  if (indexCount && !IndicesInRange(indices, indexCount, vertexCount)) return DDERR_INVALIDPARAMS;
  DrawCall call;
  call.type = type;
  call.fvf = fvf;
  call.vertices = static_cast<const uint8_t*>(vertices);
  call.stride = FvfStride(fvf);
  call.vertexCount = vertexCount;
  call.indices = indices;
  call.indexCount = indexCount;
  return indexCount ? Draw(call) : D3D_OK;
}

HRESULT Device::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer* buffer,
                                       WORD* indices, DWORD indexCount, DWORD flags) {
  if (HRESULT hr = Hook("IDirect3DDevice3::DrawIndexedPrimitiveVB",
                        [&] { return Args(type, buffer, indices, indexCount, flags); });
      FAILED(hr))
    return hr;
  VertexBuffer* vb = Unwrap<VertexBuffer>(buffer);
  if (!vb) return DDERR_INVALIDPARAMS;
  VertexBufferData& data = vb->Data();
  if (HRESULT hr = CheckDraw(type, data.fvf); FAILED(hr)) return hr;
  if (vb->IsLocked()) return D3DERR_VERTEXBUFFERLOCKED;
  if (indexCount && !indices) return DDERR_INVALIDPARAMS;
  if (indexCount && !IndicesInRange(indices, indexCount, data.numVertices))
    return DDERR_INVALIDPARAMS;
  DrawCall call;
  call.type = type;
  call.fvf = data.fvf;
  call.vertices = data.bytes.data();
  call.stride = data.stride;
  call.vertexCount = data.numVertices;
  call.indices = indices;
  call.indexCount = indexCount;
  call.buffer = &data;
  return indexCount ? Draw(call) : D3D_OK;
}

}  // namespace dx::front
