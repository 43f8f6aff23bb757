// One frame of the animation: clock, lights, camera, torus, background, draw, rotation.
// Every animated quantity follows the wall clock, in animation units of 1/19 second.
#include "app/TorusDlg.h"
#include "geometry/Matrix4.h"
#include "geometry/Vec.h"
#include "render/RenderStateBlock.h"
#include "render/Renderer.h"

namespace {
constexpr float kTimeScale = 19.0f;
constexpr float kNearPlane = 0.02f;
constexpr float kFarPlane = 100.0f;
constexpr float kDegreesPerTurn = 360.0f;
}  // namespace

int CTorusDlg::StepFrame() {
  m_Clock.Tick();
  // Without a renderer the clock still runs, so the animation is where the wall clock says
  // when one appears.
  if (!m_Renderer) return 1;

  const float d = m_Clock.Delta() * kTimeScale;
  const float t = m_Clock.Elapsed() * kTimeScale;

  m_DirLight.m_Type = kLightDirectional;
  m_DirLight.m_Direction.Set(0.0f, 0.0f, -1.0f);
  m_DirLight.MarkChanged();
  m_AmbientLight.m_Type = kLightAmbient;
  m_AmbientLight.MarkChanged();

  // One angle for both axes: the picture stretches with the picture area's shape.
  const float fov = m_FieldOfView * quennet::kTwoPi / kDegreesPerTurn;
  Matrix4 projection;
  projection.SetPerspective(kNearPlane, kFarPlane, fov, fov);
  m_Renderer->SetTransform(TransformKind::Projection, &projection);
  Matrix4 view;
  view.SetTranslation(0.0f, 0.0f, m_CameraZ);
  m_Renderer->SetTransform(TransformKind::View, &view);

  RenderStateBlock states;
  states.SetDefaults();
  states.Request(RenderStateBlock::kCullMode, RenderStateBlock::kCullCounterClockwise);
  states.Request(RenderStateBlock::kFillMode, RenderStateBlock::kFillSolid);

  const float lobeAmplitude = (0.3f * quennet::Sin(0.02f * t) + 0.2f) * m_LobesAmp;
  const float lobePhase = 0.2f * t;
  m_Obj.MakeTorus(m_RadiusMajor, m_RadiusMinor, m_StepsMajor, m_StepsMinor,
                  static_cast<float>(m_LobesNum), lobeAmplitude, lobePhase,
                  static_cast<float>(m_TwistNum), m_TwistAmp, m_TwistOffset, m_TwistRate, t);

  const float red = 0.2f * quennet::Sin(0.11f * t) + 0.5f;
  const float green = 0.2f * quennet::Sin(0.101f * t) + 0.5f;
  const float blue = 0.2f * quennet::Sin(0.12f * t) + 0.5f;
  m_Renderer->m_Background.Set(red, green, blue);
  // The darker the background, the more ambient light.
  m_AmbientLight.m_Color.Set(0.25f - 0.25f * red, 0.25f - 0.25f * green, 0.25f - 0.25f * blue,
                             0.0f);
  m_AmbientLight.MarkChanged();

  m_Renderer->Clear();
  m_Renderer->BeginFrame();

  // Row vectors: the rotation about x acts first, then z, then y.
  Matrix4 world;
  Matrix4 rotation;
  world.SetRotation(0, m_AngleX);
  rotation.SetRotation(2, m_AngleZ);
  world.Multiply(rotation, world);
  rotation.SetRotation(1, m_AngleY);
  world.Multiply(rotation, world);
  m_Renderer->SetTransform(TransformKind::World, &world);

  m_Renderer->ApplyStates(&states);
  m_Renderer->SetMaterial(&m_Obj.m_Material);
  m_Obj.Draw();
  m_Renderer->EndFrame();
  m_Renderer->Present();

  Sleep(1);

  // After drawing: a frame shows the angles reached at the end of the one before.
  m_AngleX += d * m_SpinX;
  m_AngleY += d * m_SpinY;
  m_AngleZ += d * m_SpinZ;
  return 0;
}
