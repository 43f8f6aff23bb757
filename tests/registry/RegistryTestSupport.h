// Shared helpers for the registry tests: the main window's fifteen persisted
// variables with their start values, and in-memory text streams.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "geometry/Vec.h"
#include "registry/VariableRegistry.h"

// The fifteen persisted variables at their start values, registered in the
// main window's order.
struct PersistedVariables {
  Vec4 diffuse{0.8f, 0.7f, 0.7f, 0.0f};
  Vec4 specular{0.5f, 0.4f, 0.1f, 0.0f};
  float specularPower = 20.0f;
  Vec4 ambient{1.0f, 1.0f, 1.0f, 0.0f};
  Vec4 emissive{0.0f, 0.0f, 0.0f, 0.0f};
  float radiusMajor = 0.6f;
  float radiusMinor = 0.245f;
  int stepsMajor = 101;
  int stepsMinor = 77;
  int lobesNum = 3;
  float lobesAmp = 0.5f;
  int twistNum = 2;
  float twistAmp = 0.3f;
  float twistOffset = 1.0f;
  float twistRate = 0.2f;

  void registerAll(VariableRegistry& r) {
    r.addV4("m_Obj.m_Material.m_Diffuse", &diffuse.x);
    r.addV4("m_Obj.m_Material.m_Specular", &specular.x);
    r.addScalar("m_Obj.m_Material.m_SpecularPower", &specularPower);
    r.addV4("m_Obj.m_Material.m_Ambient", &ambient.x);
    r.addV4("m_Obj.m_Material.m_Emissive", &emissive.x);
    r.addScalar("m_RadiusMajor", &radiusMajor);
    r.addScalar("m_RadiusMinor", &radiusMinor);
    r.addInt("m_StepsMajor", &stepsMajor);
    r.addInt("m_StepsMinor", &stepsMinor);
    r.addInt("m_LobesNum", &lobesNum);
    r.addScalar("m_LobesAmp", &lobesAmp);
    r.addInt("m_TwistNum", &twistNum);
    r.addScalar("m_TwistAmp", &twistAmp);
    r.addScalar("m_TwistOffset", &twistOffset);
    r.addScalar("m_TwistRate", &twistRate);
  }
};

// What writeAll produces for the registry.
inline std::string WrittenText(const VariableRegistry& registry) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  registry.writeAll(out);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

// A readable stream holding text (any bytes, empty allowed); close with fclose.
inline FILE* StreamOf(const std::string& text) {
  FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

inline void ReadText(VariableRegistry& registry, const std::string& text) {
  FILE* in = StreamOf(text);
  registry.readAll(in);
  std::fclose(in);
}
