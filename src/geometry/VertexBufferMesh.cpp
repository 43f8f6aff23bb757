#include "geometry/VertexBufferMesh.h"

#include <cstring>

#include "render/Renderer.h"

VertexBufferMesh::VertexBufferMesh() {
  m_BufferDesc = D3DVERTEXBUFFERDESC{};
  m_BufferDesc.dwSize = sizeof(D3DVERTEXBUFFERDESC);
}

VertexBufferMesh::~VertexBufferMesh() {
  if (m_VertexBuffer) {
    m_VertexBuffer->Release();
    m_VertexBuffer = nullptr;
  }
}

IDirect3DDevice3* VertexBufferMesh::Device() const {
  return m_Renderer ? m_Renderer->m_Device : nullptr;
}

DWORD VertexBufferMesh::VertexStride() const {
  return 12 + 12 + (m_HasTexCoords0 ? 8 : 0) + (m_HasTexCoords1 ? 8 : 0);
}

DWORD VertexBufferMesh::VertexFormat() const {
  DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
  if (m_HasTexCoords0 && m_HasTexCoords1)
    fvf |= D3DFVF_TEX2;
  else if (m_HasTexCoords0 || m_HasTexCoords1)
    fvf |= D3DFVF_TEX1;
  return fvf;
}

HRESULT VertexBufferMesh::CreateBuffer() {
  if (!m_Renderer || !m_Renderer->m_Direct3D) return 1;
  // An unchanged count and layout keep the buffer across frames; a texture flag that
  // changed the vertex size needs a buffer of the new size.
  if (m_VertexBuffer && m_BufferDesc.dwNumVertices == m_NumVertices &&
      m_BufferDesc.dwFVF == VertexFormat())
    return 0;
  if (m_VertexBuffer) {
    m_VertexBuffer->Release();
    m_VertexBuffer = nullptr;
  }
  m_BufferDesc = D3DVERTEXBUFFERDESC{};
  m_BufferDesc.dwSize = sizeof(D3DVERTEXBUFFERDESC);
  m_BufferDesc.dwNumVertices = m_NumVertices;
  m_BufferDesc.dwCaps = D3DVBCAPS_WRITEONLY;
  m_BufferDesc.dwFVF = VertexFormat();
  const HRESULT hr =
      m_Renderer->m_Direct3D->CreateVertexBuffer(&m_BufferDesc, &m_VertexBuffer, 0, nullptr);
  if (FAILED(hr)) m_VertexBuffer = nullptr;
  return hr;
}

void VertexBufferMesh::UpdatePositions() {
  if (!m_PositionsChanged) return;
  CreateBuffer();
  // Without a buffer the flags stay set and the next frame tries again.
  if (!m_VertexBuffer) return;

  const DWORD stride = VertexStride();
  LPVOID data = nullptr;
  DWORD size = 0;
  if (FAILED(m_VertexBuffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, &size))) return;
  // A buffer smaller than the mesh takes no copy at all, as if the lock had failed.
  if (!data || size < static_cast<uint64_t>(m_NumVertices) * stride) {
    m_VertexBuffer->Unlock();
    return;
  }
  auto* bytes = static_cast<uint8_t*>(data);
  for (uint32_t i = 0; i < m_NumVertices; ++i) {
    uint8_t* vertex = bytes + static_cast<size_t>(i) * stride;
    std::memcpy(vertex, &m_Positions[i], sizeof(Vec3));
    std::memcpy(vertex + sizeof(Vec3), &m_Normals[i], sizeof(Vec3));
  }
  m_VertexBuffer->Unlock();

  m_PositionsChanged = FALSE;
  m_NormalsChanged = FALSE;
  m_TexCoords0Changed = FALSE;
  m_TexCoords1Changed = FALSE;
}

void VertexBufferMesh::UpdateNormals() {
  if (!m_NormalsChanged) return;
  CreateBuffer();
  if (m_VertexBuffer) m_NormalsChanged = FALSE;
}

void VertexBufferMesh::UpdateTexCoords0() {
  if (!m_TexCoords0Changed) return;
  CreateBuffer();
  if (m_VertexBuffer) m_TexCoords0Changed = FALSE;
}

void VertexBufferMesh::UpdateTexCoords1() {
  if (!m_TexCoords1Changed) return;
  CreateBuffer();
  if (m_VertexBuffer) m_TexCoords1Changed = FALSE;
}

void VertexBufferMesh::Draw() {
  IDirect3DDevice3* device = Device();
  if (!device) return;
  // A buffer that cannot be made skips this frame's upload and draw alike (a later update
  // making it would leave it drawn with no positions written); the flags stay set.
  if (HasChanges()) CreateBuffer();
  if (!m_VertexBuffer) return;
  UpdateAll();
  device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, m_VertexBuffer, m_Indices, m_NumIndices, 0);
}

void VertexBufferMesh::DrawNormals() {
  IDirect3DDevice3* device = Device();
  if (!device) return;
  for (uint32_t k = 0; k < m_NumVertices; ++k) {
    Vec3 line[2];
    line[0] = m_Positions[k];
    m_Normals[k].Scaled(0.5f, line[1]);
    line[1].Add(m_Positions[k]);
    device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_XYZ, line, 2, 0);
  }
}
