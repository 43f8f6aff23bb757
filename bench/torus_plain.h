// A plain reading of the torus generator: every angle's sine and cosine computed where the
// algorithm names it, normals through the index list. It is the baseline the mesh's generator
// is timed against and the reference its output must match bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/Vec.h"

struct PlainTorus {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<uint16_t> indices;
  int ringCountBuilt = 0;
  int ringSizeBuilt = 0;

  void Make(float majorRadius, float minorRadius, int ringCount, int ringSize, float lobeCount,
            float lobeAmplitude, float lobePhase, float twistCount, float twistAmplitude,
            float time) {
    using quennet::Cos;
    using quennet::kTwoPi;
    using quennet::Sin;
    if (ringCount < 1 || ringSize < 1) return;
    if (static_cast<int64_t>(ringCount) * ringSize > 65535) return;
    const int count = ringCount * ringSize;
    if (static_cast<int>(positions.size()) != count) {
      positions.assign(count, Vec3{0.0f, 0.0f, 0.0f});
      normals.assign(count, Vec3{0.0f, 0.0f, 0.0f});
    }
    indices.resize(6 * static_cast<size_t>(count));

    const float dTheta = kTwoPi / ringCount;
    const float dPhi = kTwoPi / ringSize;
    const float dLobe = lobeCount != 0.0f ? lobeCount * kTwoPi / ringCount : 0.0f;
    const float dTwist = twistCount != 0.0f ? twistCount * kTwoPi / ringCount : 0.0f;
    float theta = 0.0f, lobe = lobePhase, twist = 0.0f;
    for (int i = 0; i < ringCount; ++i) {
      const float rho = minorRadius + Sin(lobe) * lobeAmplitude * 0.5f;
      Vec3 p, t;
      Vec3{majorRadius, 0.0f, 0.0f}.Scaled(Cos(theta), p);
      Vec3{0.0f, 0.0f, majorRadius}.Scaled(Sin(theta), t);
      p.Add(t);
      Vec3 e{Cos(theta), 0.0f, Sin(theta)};
      p.Normalise(e);
      e.Scale(rho);
      const Vec3 u{0.0f, rho, 0.0f};
      lobe += dLobe;
      float phi = 0.0f;
      for (int j = 0; j < ringSize; ++j) {
        Vec3 o, v;
        e.Scaled(Cos(phi + twist), o);
        u.Scaled(Sin(phi + twist), v);
        o.Add(v);
        const float m = 1.0f + twistAmplitude * Sin(phi * 3.0f + time * 0.2415f);
        o.Scale(m);
        positions[i * ringSize + j].Copy(p).Add(o);
        phi += dPhi;
      }
      theta += dTheta;
      twist += dTwist;
    }

    if (ringCount != ringCountBuilt || ringSize != ringSizeBuilt) {
      size_t k = 0;
      for (int i = 0; i < ringCount; ++i) {
        const int cur = i * ringSize;
        const int prev = (i == 0 ? ringCount - 1 : i - 1) * ringSize;
        for (int j = 0; j < ringSize; ++j) {
          const int jm = j == 0 ? ringSize - 1 : j - 1;
          for (int index : {cur + jm, cur + j, prev + jm, prev + j, prev + jm, cur + j}) {
            indices[k++] = static_cast<uint16_t>(index);
          }
        }
      }
      ringCountBuilt = ringCount;
      ringSizeBuilt = ringSize;
    }

    for (int k = 0; k < count; ++k) {
      const Vec3& a = positions[indices[6 * k]];
      const Vec3& b = positions[indices[6 * k + 1]];
      const Vec3& c = positions[indices[6 * k + 2]];
      Vec3 ca, ba, n;
      c.Subtract(a, ca);
      b.Subtract(a, ba);
      ca.Cross(ba, n);
      n.Normalise(normals[k]);
    }
  }
};
