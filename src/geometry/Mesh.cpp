#include "geometry/Mesh.h"

#include <bit>
#include <new>

Mesh::~Mesh() {
  SetVertexCount(0);
  SetIndexCount(0);
  delete[] m_Bulges;
  delete[] m_Angles;
}

void Mesh::ReleaseVertexArrays() {
  delete[] m_Positions;
  delete[] m_Normals;
  delete[] m_TexCoords0;
  delete[] m_TexCoords1;
  m_Positions = nullptr;
  m_Normals = nullptr;
  m_TexCoords0 = nullptr;
  m_TexCoords1 = nullptr;
  m_NumVertices = 0;
}

int Mesh::SetVertexCount(int n) {
  const uint16_t m = static_cast<uint16_t>(n);
  if (m == m_NumVertices) return 0;
  if (m_NumVertices != 0 && m_Positions) ReleaseVertexArrays();
  if (m == 0) return 0;

  // Fresh storage starts at zero, so a normal that no triangle defines reads as (0, 0, 0).
  Vec3* positions = new (std::nothrow) Vec3[m]();
  Vec3* normals = new (std::nothrow) Vec3[m]();
  TexCoord* tex0 = m_HasTexCoords0 ? new (std::nothrow) TexCoord[m]() : nullptr;
  TexCoord* tex1 = m_HasTexCoords1 ? new (std::nothrow) TexCoord[m]() : nullptr;
  // A count is only taken on when every array it promises exists.
  const bool complete =
      positions && normals && (!m_HasTexCoords0 || tex0) && (!m_HasTexCoords1 || tex1);
  if (complete) {
    m_Positions = positions;
    m_Normals = normals;
    m_TexCoords0 = tex0;
    m_TexCoords1 = tex1;
    m_NumVertices = m;
  } else {
    delete[] positions;
    delete[] normals;
    delete[] tex0;
    delete[] tex1;
  }
  return m - m_NumVertices;
}

int Mesh::SetIndexCount(uint32_t n) {
  if (n == m_NumIndices) return 0;
  // Whatever happens below, the list no longer describes the torus it was built for.
  m_IndexRingCount = 0;
  m_IndexRingSize = 0;
  if (m_NumIndices != 0 && m_Indices) {
    delete[] m_Indices;
    m_Indices = nullptr;
    m_NumIndices = 0;
  }
  if (n == 0) return 0;
  m_Indices = new (std::nothrow) uint16_t[n];
  if (m_Indices) m_NumIndices = n;
  return static_cast<int>(n - m_NumIndices);
}

void Mesh::MarkAllChanged() {
  MarkPositionsChanged();
  MarkNormalsChanged();
  MarkTexCoords0Changed();
  MarkTexCoords1Changed();
}

void Mesh::UpdateAll() {
  UpdatePositions();
  UpdateNormals();
  UpdateTexCoords0();
  UpdateTexCoords1();
}

bool Mesh::ReserveScratch(int ringCount, int ringSize) {
  if (m_NumBulges != ringSize) {
    delete[] m_Bulges;
    m_Bulges = new (std::nothrow) float[ringSize];
    m_NumBulges = m_Bulges ? ringSize : 0;
  }
  const int count = ringCount * ringSize;
  if (m_NumAngles != count) {
    delete[] m_Angles;
    m_Angles = new (std::nothrow) Angle[count];
    m_NumAngles = m_Angles ? count : 0;
    m_AngleRingCount = 0;
  }
  return m_Bulges && m_Angles;
}

// The angle of column j on ring i is phi_j + twist_i, each accumulated step by step in float
// exactly as the generator walks them.
void Mesh::BuildAngles(int ringCount, int ringSize, float dTwist) {
  const float dPhi = quennet::kTwoPi / static_cast<float>(ringSize);
  Angle* out = m_Angles;
  float twist = 0.0f;
  for (int i = 0; i < ringCount; ++i) {
    float phi = 0.0f;
    for (int j = 0; j < ringSize; ++j) {
      const float a = phi + twist;
      out->sn = quennet::Sin(a);
      out->cs = quennet::Cos(a);
      ++out;
      phi += dPhi;
    }
    twist += dTwist;
  }
  m_AngleRingCount = ringCount;
  m_AngleRingSize = ringSize;
  m_AngleTwistBits = std::bit_cast<uint32_t>(dTwist);
}

// Two triangles per vertex k = cur + j: the quad towards the previous column and the previous
// ring. The last ring joins the first and the last column the first through the indices alone.
void Mesh::BuildIndices(int ringCount, int ringSize) {
  uint16_t* out = m_Indices;
  for (int i = 0; i < ringCount; ++i) {
    const int cur = i * ringSize;
    const int prev = (i == 0 ? ringCount - 1 : i - 1) * ringSize;
    for (int j = 0; j < ringSize; ++j) {
      const int jm = j == 0 ? ringSize - 1 : j - 1;
      out[0] = static_cast<uint16_t>(cur + jm);
      out[1] = static_cast<uint16_t>(cur + j);
      out[2] = static_cast<uint16_t>(prev + jm);
      out[3] = static_cast<uint16_t>(prev + j);
      out[4] = static_cast<uint16_t>(prev + jm);
      out[5] = static_cast<uint16_t>(cur + j);
      out += 6;
    }
  }
  m_IndexRingCount = ringCount;
  m_IndexRingSize = ringSize;
}

// Each vertex takes the face normal of the first triangle of its quad, whose corners are
// (cur + jm, cur + j, prev + jm). They are read from the grid directly, which gives the same
// corners as the index list without reading it. A triangle of zero area leaves the normal.
void Mesh::BuildNormals(int ringCount, int ringSize) {
  const Vec3* pos = m_Positions;
  Vec3* nrm = m_Normals;
  for (int i = 0; i < ringCount; ++i) {
    const Vec3* cur = pos + i * ringSize;
    const Vec3* prev = pos + (i == 0 ? ringCount - 1 : i - 1) * ringSize;
    Vec3* out = nrm + i * ringSize;
    for (int j = 0; j < ringSize; ++j) {
      const int jm = j == 0 ? ringSize - 1 : j - 1;
      const Vec3& p0 = cur[jm];
      const Vec3& p1 = cur[j];
      const Vec3& p2 = prev[jm];
      const float ax = p2.x - p0.x, ay = p2.y - p0.y, az = p2.z - p0.z;
      const float bx = p1.x - p0.x, by = p1.y - p0.y, bz = p1.z - p0.z;
      const float nx = ay * bz - az * by;
      const float ny = az * bx - ax * bz;
      const float nz = ax * by - ay * bx;
      const float len = quennet::Sqrt(nx * nx + ny * ny + nz * nz);
      if (len == 0.0f) continue;
      const float inv = 1.0f / len;
      out[j].Set(nx * inv, ny * inv, nz * inv);
    }
  }
}

void Mesh::MakeTorus(float majorRadius, float minorRadius, int ringCount, int ringSize,
                     float lobeCount, float lobeAmplitude, float lobePhase, float twistCount,
                     float twistAmplitude, float /*twistOffset*/, float /*twistRate*/, float time) {
  // Counts the 16-bit mesh cannot hold leave it exactly as it was.
  if (ringCount < 1 || ringSize < 1) return;
  const int64_t wanted = static_cast<int64_t>(ringCount) * ringSize;
  if (wanted > kMaxVertices) return;
  const int count = static_cast<int>(wanted);

  SetVertexCount(count);
  SetIndexCount(static_cast<uint32_t>(6 * count));
  if (GetVertexCount() != count || GetIndexCount() != 6 * count ||
      !ReserveScratch(ringCount, ringSize)) {
    // Out of memory: an empty mesh rather than indices that point past the vertices.
    SetVertexCount(0);
    SetIndexCount(0);
    MarkAllChanged();
    return;
  }

  const float dTheta = quennet::kTwoPi / static_cast<float>(ringCount);
  const float dPhi = quennet::kTwoPi / static_cast<float>(ringSize);
  const float dLobe =
      lobeCount != 0.0f ? lobeCount * quennet::kTwoPi / static_cast<float>(ringCount) : 0.0f;
  const float dTwist =
      twistCount != 0.0f ? twistCount * quennet::kTwoPi / static_cast<float>(ringCount) : 0.0f;

  if (m_AngleRingCount != ringCount || m_AngleRingSize != ringSize ||
      m_AngleTwistBits != std::bit_cast<uint32_t>(dTwist)) {
    BuildAngles(ringCount, ringSize, dTwist);
  }
  // The bulge depends on the column and the time only.
  const float bulgeTime = time * 0.2415f;
  float phi = 0.0f;
  for (int j = 0; j < ringSize; ++j) {
    m_Bulges[j] = 1.0f + twistAmplitude * quennet::Sin(phi * 3.0f + bulgeTime);
    phi += dPhi;
  }

  float theta = 0.0f;
  float lobe = lobePhase;
  const Angle* angle = m_Angles;
  Vec3* out = m_Positions;
  for (int i = 0; i < ringCount; ++i) {
    const float rho = minorRadius + quennet::Sin(lobe) * lobeAmplitude * 0.5f;
    const float ct = quennet::Cos(theta);
    const float st = quennet::Sin(theta);
    Vec3 p, side;
    Vec3{majorRadius, 0.0f, 0.0f}.Scaled(ct, p);
    Vec3{0.0f, 0.0f, majorRadius}.Scaled(st, side);
    p.Add(side);
    // A centre at the origin has no outward direction of its own: take the ring's angle.
    Vec3 e;
    e.Set(ct, 0.0f, st);
    p.Normalise(e);
    e.Scale(rho);
    const Vec3 u{0.0f, rho, 0.0f};
    lobe += dLobe;

    // o = e cos(phi + twist) + u sin(phi + twist); position = p + o m. The terms with the
    // zero components of u are kept so that signed zeros and non-finite inputs come out the
    // same as in the vector form.
    for (int j = 0; j < ringSize; ++j) {
      const float ca = angle[j].cs;
      const float sa = angle[j].sn;
      const float m = m_Bulges[j];
      const float ox = e.x * ca + u.x * sa;
      const float oy = e.y * ca + u.y * sa;
      const float oz = e.z * ca + u.z * sa;
      out[j].Set(p.x + ox * m, p.y + oy * m, p.z + oz * m);
    }
    angle += ringSize;
    out += ringSize;
    theta += dTheta;
  }

  if (m_IndexRingCount != ringCount || m_IndexRingSize != ringSize) {
    BuildIndices(ringCount, ringSize);
  }
  BuildNormals(ringCount, ringSize);
  MarkAllChanged();
}
