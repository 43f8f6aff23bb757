// An indexed triangle mesh in ordinary memory: separate tight arrays of positions and normals
// (optionally two texture sets), a 16-bit triangle list, change flags for a device-side
// subclass, and the mesh's material. The upload operations are left to that subclass.
#pragma once

#include <cstdint>

#include "geometry/Material.h"
#include "geometry/Vec.h"
#include "platform/WinTypes.h"

class Mesh {
 public:
  using TexCoord = float[2];

  // The vertex count and every index are 16-bit.
  static constexpr int kMaxVertices = 65535;

  Mesh() = default;
  // The arrays are owned; a copy would release them twice.
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Resizes exactly, without keeping the contents; the count is taken modulo 65,536.
  // Returns 0 when done or nothing had to be done, the requested count when allocation failed.
  virtual int SetVertexCount(int n);
  virtual int GetVertexCount() const { return m_NumVertices; }
  virtual int SetIndexCount(uint32_t n);
  virtual int GetIndexCount() const { return static_cast<int>(m_NumIndices); }
  virtual void MarkPositionsChanged() { m_PositionsChanged = TRUE; }
  virtual void MarkNormalsChanged() { m_NormalsChanged = TRUE; }
  virtual void MarkTexCoords0Changed() { m_TexCoords0Changed = TRUE; }
  virtual void MarkTexCoords1Changed() { m_TexCoords1Changed = TRUE; }
  virtual void MarkAllChanged();
  virtual void UpdatePositions() = 0;
  virtual void UpdateNormals() = 0;
  virtual void UpdateTexCoords0() = 0;
  virtual void UpdateTexCoords1() = 0;
  virtual void UpdateAll();

  // Fills the mesh with the animated torus: ringCount rings of ringSize vertices, one position
  // and one normal per vertex, two triangles per vertex. twistOffset and twistRate are accepted
  // for the caller's sake and not used. Step counts below 1 or a vertex count above 65,535
  // leave the mesh as it was.
  void MakeTorus(float majorRadius, float minorRadius, int ringCount, int ringSize, float lobeCount,
                 float lobeAmplitude, float lobePhase, float twistCount, float twistAmplitude,
                 float twistOffset, float twistRate, float time);

  uint16_t m_NumVertices = 0;
  Vec3* m_Positions = nullptr;
  Vec3* m_Normals = nullptr;
  TexCoord* m_TexCoords0 = nullptr;
  TexCoord* m_TexCoords1 = nullptr;
  BOOL m_HasTexCoords0 = FALSE;
  BOOL m_HasTexCoords1 = FALSE;
  uint32_t m_NumIndices = 0;
  uint16_t* m_Indices = nullptr;
  BOOL m_PositionsChanged = FALSE;
  BOOL m_NormalsChanged = FALSE;
  BOOL m_TexCoords0Changed = FALSE;
  BOOL m_TexCoords1Changed = FALSE;
  Material m_Material;

 protected:
  // Not virtual: a mesh is only ever destroyed as the concrete object that owns it.
  ~Mesh();

 private:
  void ReleaseVertexArrays();
  // Sizes the scratch for the step counts; false when allocation failed.
  bool ReserveScratch(int ringCount, int ringSize);
  void BuildAngles(int ringCount, int ringSize, float dTwist);
  void BuildIndices(int ringCount, int ringSize);
  void BuildNormals(int ringCount, int ringSize);

  // Ring layout the index list was built for; 0 while the list describes no torus.
  int m_IndexRingCount = 0;
  int m_IndexRingSize = 0;
  // Scratch kept between calls so that a frame with unchanged step counts allocates nothing.
  // The bulge factor of each column (it changes with time, but is the same on every ring).
  float* m_Bulges = nullptr;
  int m_NumBulges = 0;
  // sin and cos of phi + twist for every vertex. The angles depend only on the step counts and
  // the twist step, not on time, so they are worked out again only when those change.
  struct Angle {
    float sn, cs;
  };
  Angle* m_Angles = nullptr;
  int m_NumAngles = 0;
  // The layout and twist step m_Angles holds; a ring count of 0 means none.
  int m_AngleRingCount = 0;
  int m_AngleRingSize = 0;
  uint32_t m_AngleTwistBits = 0;
};
