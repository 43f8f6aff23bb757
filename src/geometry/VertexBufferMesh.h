// The mesh that draws itself through a Direct3D vertex buffer: positions and normals are
// interleaved into one write-only buffer, re-made only when the vertex count or layout
// changes, and drawn with one indexed call from the mesh's own 16-bit index list.
#pragma once

#include "geometry/Mesh.h"
#include "platform/directx/DirectX.h"

class Renderer;

class VertexBufferMesh : public Mesh {
 public:
  VertexBufferMesh();
  // Releases the buffer, then the mesh's own arrays.
  ~VertexBufferMesh();

  // Copies every position and normal into the buffer (making it first if needed), then
  // clears all four change flags. A failed lock keeps them for the next frame.
  void UpdatePositions() override;
  // Normals travel with the positions; these only make sure the buffer exists.
  void UpdateNormals() override;
  void UpdateTexCoords0() override;
  void UpdateTexCoords1() override;

  // Makes the buffer when there is none or its vertex count or format is stale. Returns the result
  // of CreateVertexBuffer; 0 when the buffer is current, 1 without a renderer or Direct3D.
  virtual HRESULT CreateBuffer();
  // Brings the buffer up to date and draws the triangle list. Does nothing before the
  // renderer has a device, or while no buffer could be made (neither upload nor draw).
  virtual void Draw();
  // Draws every normal as a short line, one device call per vertex.
  virtual void DrawNormals();

  // 12 bytes of position, 12 of normal, 8 per texture set.
  DWORD VertexStride() const;
  DWORD VertexFormat() const;

  D3DVERTEXBUFFERDESC m_BufferDesc;
  IDirect3DVertexBuffer* m_VertexBuffer = nullptr;
  // Set once by the owner before the first Draw; not owned.
  Renderer* m_Renderer = nullptr;

 private:
  // The renderer's device, or null while there is none.
  IDirect3DDevice3* Device() const;
  bool HasChanges() const {
    return m_PositionsChanged || m_NormalsChanged || m_TexCoords0Changed || m_TexCoords1Changed;
  }
};
