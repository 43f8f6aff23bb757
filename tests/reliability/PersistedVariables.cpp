#include "PersistedVariables.h"

namespace reliability {

const std::vector<Persisted>& PersistedVariables() {
  static const std::vector<Persisted> variables = {
      {"m_Obj.m_Material.m_Diffuse", ValueKind::Vec4},
      {"m_Obj.m_Material.m_Specular", ValueKind::Vec4},
      {"m_Obj.m_Material.m_SpecularPower", ValueKind::Scalar},
      {"m_Obj.m_Material.m_Ambient", ValueKind::Vec4},
      {"m_Obj.m_Material.m_Emissive", ValueKind::Vec4},
      {"m_RadiusMajor", ValueKind::Scalar},
      {"m_RadiusMinor", ValueKind::Scalar},
      {"m_StepsMajor", ValueKind::Int},
      {"m_StepsMinor", ValueKind::Int},
      {"m_LobesNum", ValueKind::Int},
      {"m_LobesAmp", ValueKind::Scalar},
      {"m_TwistNum", ValueKind::Int},
      {"m_TwistAmp", ValueKind::Scalar},
      {"m_TwistOffset", ValueKind::Scalar},
      {"m_TwistRate", ValueKind::Scalar},
  };
  return variables;
}

}  // namespace reliability
