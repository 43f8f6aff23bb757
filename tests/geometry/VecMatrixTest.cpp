#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

#include "FloatCompare.h"
#include "geometry/Matrix4.h"
#include "geometry/Vec.h"

namespace {

constexpr float kHalfPi = static_cast<float>(std::numbers::pi / 2);

using testsupport::ExpectNear;

// A point as a row vector with w = 1, multiplied on the left: v' = v * M.
Vec3 TransformPoint(const Vec3& v, const Matrix4& m) {
  float r[4];
  for (int col = 0; col < 4; ++col) {
    r[col] = v.x * m.m[0][col] + v.y * m.m[1][col] + v.z * m.m[2][col] + m.m[3][col];
  }
  return Vec3{r[0] / r[3], r[1] / r[3], r[2] / r[3]};
}

struct RotationRow {
  const char* name;
  int axis;
  Vec3 in;
  Vec3 out;
};

TEST(Matrix4Test, RotationsTurnTheNextAxisTowardsTheOneAfter) {
  const RotationRow rows[] = {
      {"x turns +Y to +Z", 0, {0, 1, 0}, {0, 0, 1}}, {"x turns +Z to -Y", 0, {0, 0, 1}, {0, -1, 0}},
      {"y turns +Z to +X", 1, {0, 0, 1}, {1, 0, 0}}, {"y turns +X to -Z", 1, {1, 0, 0}, {0, 0, -1}},
      {"z turns +X to +Y", 2, {1, 0, 0}, {0, 1, 0}}, {"z turns +Y to -X", 2, {0, 1, 0}, {-1, 0, 0}},
      {"x keeps +X", 0, {1, 0, 0}, {1, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Matrix4 r;
    r.SetRotation(row.axis, kHalfPi);
    ExpectNear(TransformPoint(row.in, r), row.out);
  }
}

TEST(Matrix4Test, UnknownRotationAxisGivesIdentity) {
  Matrix4 identity;
  identity.SetIdentity();
  for (int axis : {3, -1, 100}) {
    Matrix4 r;
    r.SetScaling(5, 6, 7);  // SetRotation must not keep any of this
    r.SetRotation(axis, 0.7f);
    EXPECT_EQ(std::memcmp(&r, &identity, sizeof r), 0) << "axis " << axis;
  }
}

TEST(Matrix4Test, TranslationSitsInRowThreeAndTheLeftFactorActsFirst) {
  Matrix4 t;
  t.SetTranslation(Vec3{4, 5, 6});
  EXPECT_EQ(t.m[3][0], 4.0f);
  EXPECT_EQ(t.m[3][1], 5.0f);
  EXPECT_EQ(t.m[3][2], 6.0f);
  ExpectNear(TransformPoint(Vec3{1, 2, 3}, t), Vec3{5, 7, 9});

  Matrix4 scale, move, scaleThenMove, moveThenScale;
  scale.SetScaling(2, 2, 2);
  move.SetTranslation(1, 0, 0);
  scale.Multiply(move, scaleThenMove);
  move.Multiply(scale, moveThenScale);
  ExpectNear(TransformPoint(Vec3{1, 0, 0}, scaleThenMove), Vec3{3, 0, 0});
  ExpectNear(TransformPoint(Vec3{1, 0, 0}, moveThenScale), Vec3{4, 0, 0});
}

TEST(Matrix4Test, MultiplyIntoTheLeftOperandGivesTheSameProduct) {
  Matrix4 a, b, rx, ry, separate;
  rx.SetRotation(0, 0.3f);
  ry.SetRotation(1, -1.1f);
  rx.Multiply(ry, a);
  a.m[3][0] = 0.5f;  // make every row matter
  b.SetRotation(2, 2.0f);
  b.m[3][1] = -2.0f;
  a.Multiply(b, separate);
  a.Multiply(b, a);
  EXPECT_EQ(std::memcmp(&a, &separate, sizeof a), 0);

  // The product itself: the rotations compose.
  Matrix4 r1, r2, r12, r3;
  r1.SetRotation(2, 0.25f);
  r2.SetRotation(2, 0.5f);
  r1.Multiply(r2, r12);
  r3.SetRotation(2, 0.75f);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) EXPECT_NEAR(r12.m[row][col], r3.m[row][col], 1e-6f);
  }
}

TEST(Matrix4Test, PerspectiveMapsNearToDepthZeroAndFarToOne) {
  Matrix4 p;
  p.SetIdentity();
  p.SetPerspective(0.02f, 100.0f, kHalfPi, kHalfPi);
  EXPECT_NEAR(p.m[0][0], 1.0f, 1e-6f);
  EXPECT_NEAR(p.m[1][1], 1.0f, 1e-6f);
  EXPECT_EQ(p.m[2][3], -1.0f);
  EXPECT_EQ(p.m[3][3], 0.0f);
  EXPECT_EQ(p.m[0][1], 0.0f);
  EXPECT_FLOAT_EQ(p.m[2][2], -100.0f / 99.98f);

  // Right-handed: the camera looks along -z and w' = -z.
  EXPECT_NEAR(TransformPoint(Vec3{0, 0, -0.02f}, p).z, 0.0f, 1e-6f);
  EXPECT_NEAR(TransformPoint(Vec3{0, 0, -100.0f}, p).z, 1.0f, 1e-5f);
  const Vec3 corner = TransformPoint(Vec3{3, -3, -3}, p);
  EXPECT_NEAR(corner.x, 1.0f, 1e-6f);
  EXPECT_NEAR(corner.y, -1.0f, 1e-6f);
}

TEST(Vec3Test, NormaliseLeavesTargetOfZeroVectorAndDividesShortOnes) {
  Vec3 out{7, 8, 9};
  Vec3{0, 0, 0}.Normalise(out);
  ExpectNear(out, Vec3{7, 8, 9}, 0.0f);

  Vec3{3, 0, 4}.Normalise(out);
  ExpectNear(out, Vec3{0.6f, 0.0f, 0.8f});

  // Its squared length is a denormal, but still not zero.
  Vec3{1e-20f, 0, 0}.Normalise(out);
  ExpectNear(out, Vec3{1, 0, 0}, 1e-3f);

  Vec3 v{0, -2, 0};
  v.Normalise(v);
  ExpectNear(v, Vec3{0, -1, 0}, 0.0f);
}

TEST(Vec3Test, CrossFollowsTheRightHandRuleAndMayWriteItsOperand) {
  Vec3 out;
  Vec3{1, 0, 0}.Cross(Vec3{0, 1, 0}, out);
  ExpectNear(out, Vec3{0, 0, 1}, 0.0f);
  Vec3{0, 1, 0}.Cross(Vec3{1, 0, 0}, out);
  ExpectNear(out, Vec3{0, 0, -1}, 0.0f);

  Vec3 a{1, 2, 3};
  const Vec3 b{-4, 5, 0.5f};
  Vec3 expected;
  a.Cross(b, expected);
  EXPECT_NEAR(expected.Dot(a), 0.0f, 1e-5f);
  EXPECT_NEAR(expected.Dot(b), 0.0f, 1e-5f);
  a.Cross(b, a);
  ExpectNear(a, expected, 0.0f);
}

}  // namespace
