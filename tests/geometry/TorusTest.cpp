#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "FloatCompare.h"
#include "TestMesh.h"

namespace {

using testsupport::ExpectNear;

std::vector<uint16_t> Indices(const Mesh& mesh) {
  return std::vector<uint16_t>(mesh.m_Indices, mesh.m_Indices + mesh.m_NumIndices);
}

// Every index of the list names an existing vertex.
void ExpectIndicesInRange(const Mesh& mesh) {
  ASSERT_EQ(mesh.m_NumIndices, 6u * mesh.m_NumVertices);
  for (uint32_t k = 0; k < mesh.m_NumIndices; ++k) {
    ASSERT_LT(mesh.m_Indices[k], mesh.m_NumVertices) << "entry " << k;
  }
}

// Centre of the tube for ring i (angles taken as i steps; close enough for direction tests).
Vec3 RingCentre(const TorusInputs& in, int i) {
  const double theta = 2.0 * std::numbers::pi * i / in.ringCount;
  return Vec3{static_cast<float>(in.majorRadius * std::cos(theta)), 0.0f,
              static_cast<float>(in.majorRadius * std::sin(theta))};
}

float Distance(const Vec3& a, const Vec3& b) {
  Vec3 d;
  a.Subtract(b, d);
  return d.Length();
}

TEST(TorusTest, DefaultsAtTimeZero) {
  TestMesh mesh;
  TorusInputs::AtTime(0.0f).MakeOn(mesh);
  ASSERT_EQ(mesh.GetVertexCount(), 7777);
  ASSERT_EQ(mesh.GetIndexCount(), 46662);
  ExpectNear(mesh.m_Positions[0], Vec3{0.845f, 0.0f, 0.0f}, 1e-6f);
  ExpectNear(mesh.m_Positions[1], Vec3{0.86194f, 0.02142f, 0.0f}, 1e-5f);
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_TRUE(mesh.m_NormalsChanged);
  EXPECT_TRUE(mesh.m_TexCoords0Changed);
  EXPECT_TRUE(mesh.m_TexCoords1Changed);
  EXPECT_EQ(mesh.m_TexCoords0, nullptr);

  // The first quad joins the last column and the last ring.
  const std::vector<uint16_t> first(mesh.m_Indices, mesh.m_Indices + 6);
  EXPECT_EQ(first, (std::vector<uint16_t>{76, 0, 7776, 7700, 7776, 0}));
}

TEST(TorusTest, PlainTorusNormalsPointOutOfTheTubeAndTrianglesInto) {
  const TorusInputs in = TorusInputs::Plain();
  TestMesh mesh;
  in.MakeOn(mesh);
  // The face normal towards the previous column and ring, not the radial direction.
  ExpectNear(mesh.m_Normals[0], Vec3{0.99869f, -0.04077f, -0.03108f}, 1e-5f);

  for (int k = 0; k < mesh.GetVertexCount(); ++k) {
    const Vec3& n = mesh.m_Normals[k];
    Vec3 out;
    mesh.m_Positions[k].Subtract(RingCentre(in, k / in.ringSize), out);
    out.Normalise(out);
    ASSERT_NEAR(n.Length(), 1.0f, 1e-5f) << k;
    ASSERT_GT(n.Dot(out), 0.99f) << k;
  }
  for (int t = 0; t < mesh.GetIndexCount() / 3; ++t) {
    const Vec3& a = mesh.m_Positions[mesh.m_Indices[3 * t]];
    const Vec3& b = mesh.m_Positions[mesh.m_Indices[3 * t + 1]];
    const Vec3& c = mesh.m_Positions[mesh.m_Indices[3 * t + 2]];
    Vec3 ab, ac, face, inward;
    b.Subtract(a, ab);
    c.Subtract(a, ac);
    ab.Cross(ac, face);
    RingCentre(in, mesh.m_Indices[3 * t] / in.ringSize).Subtract(a, inward);
    ASSERT_GT(face.Dot(inward), 0.0f) << "triangle " << t;
  }
}

// Every directed edge is used once and its reverse once: the surface is closed, the seams
// between the last and first ring and column included, and consistently wound.
TEST(TorusTest, SeamsCloseThroughTheIndexList) {
  for (auto [rings, size] : {std::pair{3, 3}, {5, 7}, {101, 77}, {4, 60}}) {
    SCOPED_TRACE(testing::Message() << rings << " x " << size);
    TestMesh mesh;
    TorusInputs::AtTime(3.0f).WithCounts(rings, size).MakeOn(mesh);
    std::map<std::pair<int, int>, int> edges;
    std::vector<int> used(mesh.GetVertexCount(), 0);
    for (int t = 0; t < mesh.GetIndexCount() / 3; ++t) {
      const uint16_t* tri = mesh.m_Indices + 3 * t;
      for (int c = 0; c < 3; ++c) {
        ++edges[{tri[c], tri[(c + 1) % 3]}];
        ++used[tri[c]];
      }
    }
    EXPECT_EQ(edges.size(), 3u * mesh.GetIndexCount() / 3);
    for (const auto& [edge, n] : edges) {
      ASSERT_EQ(n, 1) << edge.first << "->" << edge.second;
      ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "->" << edge.second;
    }
    for (int k = 0; k < mesh.GetVertexCount(); ++k) ASSERT_EQ(used[k], 6) << "vertex " << k;
  }
}

TEST(TorusTest, SmallestClosedTorus) {
  TestMesh mesh;
  TorusInputs::AtTime(0.0f).WithCounts(3, 3).MakeOn(mesh);
  ASSERT_EQ(mesh.GetVertexCount(), 9);
  const std::vector<uint16_t> ring1(mesh.m_Indices + 18, mesh.m_Indices + 24);
  EXPECT_EQ(ring1, (std::vector<uint16_t>{5, 3, 2, 0, 2, 3}));
}

TEST(TorusTest, SameCountsKeepTheIndexListAndRewriteVertices) {
  TestMesh mesh;
  TorusInputs::AtTime(0.0f).MakeOn(mesh);
  const std::vector<Vec3> before(mesh.m_Positions, mesh.m_Positions + 7777);
  uint16_t* indices = mesh.m_Indices;
  mesh.m_Indices[46661] = 12345;  // a rebuild would restore it
  mesh.ClearFlags();

  TorusInputs::AtTime(5.0f).MakeOn(mesh);
  EXPECT_EQ(mesh.m_Indices, indices);
  EXPECT_EQ(mesh.m_Indices[46661], 12345);
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_NE(std::memcmp(before.data(), mesh.m_Positions, sizeof(Vec3) * 7777), 0);
}

TEST(TorusTest, ChangingEitherStepCountRebuildsTheIndexList) {
  TestMesh mesh;
  TorusInputs::AtTime(0.0f).MakeOn(mesh);
  TorusInputs::AtTime(0.0f).WithCounts(101, 78).MakeOn(mesh);
  ASSERT_EQ(mesh.GetVertexCount(), 7878);
  const std::vector<uint16_t> first(mesh.m_Indices, mesh.m_Indices + 6);
  EXPECT_EQ(first, (std::vector<uint16_t>{77, 0, 7877, 7800, 7877, 0}));

  // Same vertex count, other layout: the list must still be the one for 77 x 101.
  TestMesh swapped, fresh;
  TorusInputs::AtTime(0.0f).MakeOn(swapped);
  TorusInputs::AtTime(0.0f).WithCounts(77, 101).MakeOn(swapped);
  TorusInputs::AtTime(0.0f).WithCounts(77, 101).MakeOn(fresh);
  EXPECT_EQ(Indices(swapped), Indices(fresh));
  EXPECT_EQ(std::memcmp(swapped.m_Normals, fresh.m_Normals, sizeof(Vec3) * 7777), 0);

  // An index list resized behind the generator's back is rebuilt as well.
  swapped.SetIndexCount(6);
  swapped.SetIndexCount(6 * 7777);
  TorusInputs::AtTime(0.0f).WithCounts(77, 101).MakeOn(swapped);
  EXPECT_EQ(Indices(swapped), Indices(fresh));
}

TEST(TorusTest, CountsTheMeshCannotHoldLeaveItUntouched) {
  TestMesh mesh;
  TorusInputs::AtTime(1.0f).WithCounts(9, 11).MakeOn(mesh);
  const std::vector<Vec3> positions(mesh.m_Positions, mesh.m_Positions + 99);
  const std::vector<Vec3> normals(mesh.m_Normals, mesh.m_Normals + 99);
  const std::vector<uint16_t> indices = Indices(mesh);
  Vec3* storage = mesh.m_Positions;
  mesh.ClearFlags();

  const std::pair<int, int> refused[] = {
      {0, 77},       {101, 0},         {-5, 10},       {-1, -1},     {300, 300},
      {65536, 1},    {1, 65536},       {256, 256},     {INT_MAX, 1}, {INT_MAX, INT_MAX},
      {INT_MIN, -1}, {-65536, -65536}, {46341, 46341},
  };
  for (auto [rings, size] : refused) {
    SCOPED_TRACE(testing::Message() << rings << " x " << size);
    TorusInputs::AtTime(2.0f).WithCounts(rings, size).MakeOn(mesh);
    ASSERT_EQ(mesh.GetVertexCount(), 99);
    ASSERT_EQ(mesh.m_Positions, storage);
    EXPECT_EQ(std::memcmp(positions.data(), mesh.m_Positions, sizeof(Vec3) * 99), 0);
    EXPECT_EQ(std::memcmp(normals.data(), mesh.m_Normals, sizeof(Vec3) * 99), 0);
    EXPECT_EQ(Indices(mesh), indices);
    EXPECT_FALSE(mesh.m_PositionsChanged);
  }

  // The largest layouts that fit are built.
  for (auto [rings, size] : {std::pair{65535, 1}, {1, 65535}, {255, 257}}) {
    TorusInputs::AtTime(2.0f).WithCounts(rings, size).MakeOn(mesh);
    EXPECT_EQ(mesh.GetVertexCount(), 65535);
    ExpectIndicesInRange(mesh);
  }
}

TEST(TorusTest, EveryIndexNamesAVertexWhateverTheCounts) {
  std::mt19937 rng(20240611);
  const int special[] = {INT_MIN, -65536, -1, 0, 1, 2, 3, 255, 256, 257, 65535, 65536, INT_MAX};
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<int> small(-3, 300);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
  std::uniform_int_distribution<int> which(0, std::size(special) - 1);
  auto draw = [&] {
    switch (pick(rng)) {
      case 0:
        return special[which(rng)];
      case 1:
        return any(rng);
      default:
        return small(rng);
    }
  };
  TestMesh mesh;
  int built = 0;
  for (int call = 0; call < 400; ++call) {
    const int rings = draw();
    const int size = draw();
    const int before = mesh.GetVertexCount();
    TorusInputs::AtTime(static_cast<float>(call)).WithCounts(rings, size).MakeOn(mesh);
    const bool fits =
        rings >= 1 && size >= 1 && static_cast<int64_t>(rings) * size <= Mesh::kMaxVertices;
    SCOPED_TRACE(testing::Message() << rings << " x " << size);
    ASSERT_EQ(mesh.GetVertexCount(), fits ? rings * size : before);
    ExpectIndicesInRange(mesh);
    built += fits;
  }
  EXPECT_GT(built, 100);  // the draw must exercise real builds, not only refusals
}

TEST(TorusTest, OneRingOrOneColumnStaysInRange) {
  for (auto [rings, size] : {std::pair{1, 9}, {9, 1}, {1, 1}, {2, 2}}) {
    TestMesh mesh;
    TorusInputs::AtTime(1.0f).WithCounts(rings, size).MakeOn(mesh);
    ExpectIndicesInRange(mesh);
    for (int k = 0; k < mesh.GetVertexCount(); ++k) {
      EXPECT_TRUE(std::isfinite(mesh.m_Positions[k].x));
      EXPECT_TRUE(std::isfinite(mesh.m_Normals[k].y));  // zero-area faces keep zero normals
    }
  }
}

TEST(TorusTest, ZeroMajorRadiusTakesTheRingAngleAsOutwards) {
  TorusInputs in = TorusInputs::Plain().WithCounts(8, 6);
  in.majorRadius = 0.0f;
  TestMesh mesh;
  in.MakeOn(mesh);
  for (int i = 0; i < 8; ++i) {
    // Column 0 of an untwisted ring lies along the ring's outward direction.
    const Vec3 outward = RingCentre(TorusInputs{}.WithCounts(8, 6), i);
    ExpectNear(mesh.m_Positions[i * 6],
               Vec3{outward.x / 0.6f * in.minorRadius, 0.0f, outward.z / 0.6f * in.minorRadius},
               1e-6f);
  }
}

TEST(TorusTest, NonFiniteRadiiDoNotBreakTheMesh) {
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    TestMesh mesh;
    TorusInputs in = TorusInputs::AtTime(4.0f);
    in.majorRadius = bad;
    in.MakeOn(mesh);
    in.majorRadius = 0.6f;
    in.minorRadius = bad;
    in.MakeOn(mesh);
    ExpectIndicesInRange(mesh);
    TorusInputs::AtTime(4.0f).MakeOn(mesh);
    EXPECT_TRUE(std::isfinite(mesh.m_Positions[100].x));
  }
}

TEST(TorusTest, ShapeParametersActAsDescribed) {
  const int rings = 12, size = 10;
  // Distance of vertex (i, j) from its ring's centre.
  auto radius = [&](const Mesh& mesh, const TorusInputs& in, int i, int j) {
    return Distance(mesh.m_Positions[i * size + j], RingCentre(in, i));
  };

  {
    SCOPED_TRACE("no lobes: every ring breathes alike with the phase");
    TorusInputs in = TorusInputs::Plain().WithCounts(rings, size);
    in.lobeAmplitude = 0.2f;
    in.lobePhase = 0.7f;
    TestMesh mesh;
    in.MakeOn(mesh);
    const float rho = in.minorRadius + 0.5f * 0.2f * std::sin(0.7f);
    for (int i = 0; i < rings; ++i) EXPECT_NEAR(radius(mesh, in, i, 3), rho, 1e-5f) << i;
  }
  {
    SCOPED_TRACE("lobes without amplitude: the base radius");
    TorusInputs in = TorusInputs::Plain().WithCounts(rings, size);
    in.lobeCount = 3.0f;
    in.lobePhase = 0.7f;
    TestMesh mesh;
    in.MakeOn(mesh);
    for (int i = 0; i < rings; ++i) EXPECT_NEAR(radius(mesh, in, i, 0), in.minorRadius, 1e-5f);
  }
  {
    SCOPED_TRACE("lobes: the radius swells lobeCount times around");
    TorusInputs in = TorusInputs::Plain().WithCounts(rings, size);
    in.lobeCount = 3.0f;
    in.lobeAmplitude = 0.2f;
    TestMesh mesh;
    in.MakeOn(mesh);
    for (int i = 0; i < rings; ++i) {
      const float expected = in.minorRadius + 0.1f * std::sin(3.0f * 2.0f * 3.14159265f * i / 12);
      EXPECT_NEAR(radius(mesh, in, i, 0), expected, 1e-5f) << i;
    }
  }
  {
    SCOPED_TRACE("no twist amplitude: circular cross-sections");
    TorusInputs in = TorusInputs::AtTime(7.0f).WithCounts(rings, size);
    in.twistAmplitude = 0.0f;
    TestMesh mesh;
    in.MakeOn(mesh);
    for (int i = 0; i < rings; ++i) {
      for (int j = 1; j < size; ++j) {
        EXPECT_NEAR(radius(mesh, in, i, j), radius(mesh, in, i, 0), 1e-5f);
      }
    }
  }
  {
    SCOPED_TRACE("no twist: the bulges form straight ridges");
    TorusInputs in = TorusInputs::Plain().WithCounts(rings, size);
    in.twistAmplitude = 0.3f;
    in.time = 2.0f;
    TestMesh mesh;
    in.MakeOn(mesh);
    for (int j = 0; j < size; ++j) {
      const float m = 1.0f + 0.3f * std::sin(j * 2.0f * 3.14159265f / size * 3.0f + 2.0f * 0.2415f);
      for (int i = 0; i < rings; ++i) {
        EXPECT_NEAR(radius(mesh, in, i, j), in.minorRadius * m, 1e-5f) << i << ", " << j;
      }
    }
  }
}

struct IdentityRow {
  const char* name;
  TorusInputs in;
};

TorusInputs Modified(TorusInputs in, void (*change)(TorusInputs&)) {
  change(in);
  return in;
}

// The generator's output must equal a plain reading of the algorithm bit for bit.
TEST(TorusTest, MatchesThePlainGeneratorBitForBit) {
  const IdentityRow rows[] = {
      {"defaults t=0", TorusInputs::AtTime(0.0f)},
      {"defaults t=1.7", TorusInputs::AtTime(1.7f)},
      {"defaults t=100", TorusInputs::AtTime(100.0f)},
      {"defaults t=54321.5", TorusInputs::AtTime(54321.5f)},
      {"plain", TorusInputs::Plain()},
      {"no lobes", Modified(TorusInputs::AtTime(9.0f), [](TorusInputs& in) { in.lobeCount = 0; })},
      {"no twist", Modified(TorusInputs::AtTime(9.0f), [](TorusInputs& in) { in.twistCount = 0; })},
      {"half twist",
       Modified(TorusInputs::AtTime(2.0f), [](TorusInputs& in) { in.twistCount = 2.5f; })},
      {"negative", Modified(TorusInputs::AtTime(3.0f),
                            [](TorusInputs& in) {
                              in.twistCount = -1.0f;
                              in.lobeCount = -4.0f;
                              in.minorRadius = -0.2f;
                            })},
      {"odd counts", TorusInputs::AtTime(5.0f).WithCounts(7, 5)},
      {"3 x 3", TorusInputs::AtTime(5.0f).WithCounts(3, 3)},
      {"1 x 9", TorusInputs::AtTime(5.0f).WithCounts(1, 9)},
      {"9 x 1", TorusInputs::AtTime(5.0f).WithCounts(9, 1)},
      {"255 x 257", TorusInputs::AtTime(5.0f).WithCounts(255, 257)},
      {"zero major radius",
       Modified(TorusInputs::AtTime(6.0f), [](TorusInputs& in) { in.majorRadius = 0; })},
      {"nan radius",
       Modified(TorusInputs::AtTime(6.0f), [](TorusInputs& in) { in.minorRadius = NAN; })},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TestMesh mesh;
    PlainTorus plain;
    row.in.MakeOn(mesh);
    row.in.MakeOn(plain);
    const int n = mesh.GetVertexCount();
    ASSERT_EQ(n, static_cast<int>(plain.positions.size()));
    EXPECT_EQ(std::memcmp(mesh.m_Positions, plain.positions.data(), sizeof(Vec3) * n), 0);
    EXPECT_EQ(std::memcmp(mesh.m_Normals, plain.normals.data(), sizeof(Vec3) * n), 0);
    EXPECT_EQ(Indices(mesh), plain.indices);
  }
}

// The same holds across a run of frames in which the inputs and counts change.
TEST(TorusTest, MatchesThePlainGeneratorOverChangingFrames) {
  TestMesh mesh;
  PlainTorus plain;
  const std::pair<int, int> counts[] = {{101, 77}, {101, 77},  {77, 101}, {3, 3},   {0, 5},
                                        {101, 78}, {300, 300}, {101, 78}, {101, 77}};
  float t = 0.0f;
  for (auto [rings, size] : counts) {
    for (float twist : {2.0f, 2.0f, 0.0f, 3.0f}) {
      TorusInputs in = TorusInputs::AtTime(t).WithCounts(rings, size);
      in.twistCount = twist;
      in.MakeOn(mesh);
      in.MakeOn(plain);
      const int n = mesh.GetVertexCount();
      SCOPED_TRACE(testing::Message() << rings << " x " << size << " twist " << twist);
      ASSERT_EQ(n, static_cast<int>(plain.positions.size()));
      ASSERT_EQ(std::memcmp(mesh.m_Positions, plain.positions.data(), sizeof(Vec3) * n), 0);
      ASSERT_EQ(std::memcmp(mesh.m_Normals, plain.normals.data(), sizeof(Vec3) * n), 0);
      ASSERT_EQ(Indices(mesh), plain.indices);
      t += 13.25f;
    }
  }
}

}  // namespace
