// A concrete mesh for tests: the upload operations only record that they ran.
#pragma once

#include <string>

#include "geometry/Mesh.h"
#include "torus_plain.h"

class TestMesh final : public Mesh {
 public:
  void UpdatePositions() override { log += "P"; }
  void UpdateNormals() override { log += "N"; }
  void UpdateTexCoords0() override { log += "0"; }
  void UpdateTexCoords1() override { log += "1"; }

  void ClearFlags() {
    m_PositionsChanged = m_NormalsChanged = m_TexCoords0Changed = m_TexCoords1Changed = FALSE;
  }

  std::string log;
};

// The generator's inputs; the defaults are the frame step's values at animation time 0.
struct TorusInputs {
  float majorRadius = 0.6f;
  float minorRadius = 0.245f;
  int ringCount = 101;
  int ringSize = 77;
  float lobeCount = 3.0f;
  float lobeAmplitude = 0.1f;
  float lobePhase = 0.0f;
  float twistCount = 2.0f;
  float twistAmplitude = 0.3f;
  float time = 0.0f;

  // The frame step's animated inputs at time t, with the default shape.
  static TorusInputs AtTime(float t) {
    TorusInputs in;
    in.lobeAmplitude = (0.3f * quennet::Sin(0.02f * t) + 0.2f) * 0.5f;
    in.lobePhase = 0.2f * t;
    in.time = t;
    return in;
  }
  // No lobes and no bulges: a torus of circular cross-section.
  static TorusInputs Plain() {
    TorusInputs in;
    in.lobeCount = 0.0f;
    in.lobeAmplitude = 0.0f;
    in.twistCount = 0.0f;
    in.twistAmplitude = 0.0f;
    return in;
  }
  TorusInputs WithCounts(int rings, int size) const {
    TorusInputs in = *this;
    in.ringCount = rings;
    in.ringSize = size;
    return in;
  }

  void MakeOn(Mesh& mesh) const {
    mesh.MakeTorus(majorRadius, minorRadius, ringCount, ringSize, lobeCount, lobeAmplitude,
                   lobePhase, twistCount, twistAmplitude, 1.0f, 0.2f, time);
  }
  void MakeOn(PlainTorus& torus) const {
    torus.Make(majorRadius, minorRadius, ringCount, ringSize, lobeCount, lobeAmplitude, lobePhase,
               twistCount, twistAmplitude, time);
  }
};
