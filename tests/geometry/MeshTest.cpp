#include <gtest/gtest.h>

#include <cstring>

#include "TestMesh.h"
#include "geometry/Material.h"

namespace {

TEST(MeshTest, StartsEmptyWithDefaultMaterial) {
  TestMesh mesh;
  EXPECT_EQ(mesh.GetVertexCount(), 0);
  EXPECT_EQ(mesh.GetIndexCount(), 0);
  EXPECT_EQ(mesh.m_Positions, nullptr);
  EXPECT_EQ(mesh.m_Indices, nullptr);
  EXPECT_FALSE(mesh.m_HasTexCoords0);
  EXPECT_FALSE(mesh.m_PositionsChanged);
  EXPECT_FALSE(mesh.m_TexCoords1Changed);
  EXPECT_TRUE(mesh.m_Material.m_Changed);
}

TEST(MeshTest, VertexCountIsSixteenBit) {
  TestMesh mesh;
  EXPECT_EQ(mesh.SetVertexCount(70000), 0);
  EXPECT_EQ(mesh.GetVertexCount(), 4464);
  ASSERT_NE(mesh.m_Positions, nullptr);
  ASSERT_NE(mesh.m_Normals, nullptr);
  mesh.m_Positions[4463].Set(1, 2, 3);  // the last element exists

  EXPECT_EQ(mesh.SetVertexCount(-1), 0);
  EXPECT_EQ(mesh.GetVertexCount(), 65535);
  EXPECT_EQ(mesh.SetVertexCount(65536), 0);
  EXPECT_EQ(mesh.GetVertexCount(), 0);
}

TEST(MeshTest, SameVertexCountKeepsStorageAndContents) {
  TestMesh mesh;
  mesh.SetVertexCount(10);
  Vec3* positions = mesh.m_Positions;
  mesh.m_Positions[3].Set(1, 2, 3);
  mesh.m_Normals[9].Set(4, 5, 6);
  EXPECT_EQ(mesh.SetVertexCount(65536 + 10), 0);
  EXPECT_EQ(mesh.m_Positions, positions);
  EXPECT_EQ(mesh.m_Positions[3].y, 2.0f);
  EXPECT_EQ(mesh.m_Normals[9].z, 6.0f);
}

TEST(MeshTest, NewVertexCountDiscardsOldContentsAndStartsAtZero) {
  TestMesh mesh;
  mesh.SetVertexCount(4);
  for (int k = 0; k < 4; ++k) {
    mesh.m_Positions[k].Set(1, 1, 1);
    mesh.m_Normals[k].Set(1, 1, 1);
  }
  mesh.SetVertexCount(6);
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(mesh.m_Positions[k].x, 0.0f) << k;
    EXPECT_EQ(mesh.m_Normals[k].z, 0.0f) << k;
  }
}

TEST(MeshTest, ZeroVertexCountReleasesEveryArray) {
  TestMesh mesh;
  mesh.m_HasTexCoords1 = TRUE;
  mesh.SetVertexCount(5);
  EXPECT_EQ(mesh.m_TexCoords0, nullptr);
  ASSERT_NE(mesh.m_TexCoords1, nullptr);
  mesh.m_TexCoords1[4][1] = 0.5f;

  EXPECT_EQ(mesh.SetVertexCount(0), 0);
  EXPECT_EQ(mesh.GetVertexCount(), 0);
  EXPECT_EQ(mesh.m_Positions, nullptr);
  EXPECT_EQ(mesh.m_Normals, nullptr);
  EXPECT_EQ(mesh.m_TexCoords1, nullptr);
  EXPECT_EQ(mesh.SetVertexCount(0), 0);
  EXPECT_EQ(mesh.GetVertexCount(), 0);
}

TEST(MeshTest, IndexCountResizesExactly) {
  TestMesh mesh;
  EXPECT_EQ(mesh.SetIndexCount(6), 0);
  EXPECT_EQ(mesh.GetIndexCount(), 6);
  uint16_t* indices = mesh.m_Indices;
  for (int k = 0; k < 6; ++k) mesh.m_Indices[k] = static_cast<uint16_t>(100 + k);

  EXPECT_EQ(mesh.SetIndexCount(6), 0);
  EXPECT_EQ(mesh.m_Indices, indices);
  EXPECT_EQ(mesh.m_Indices[5], 105);

  EXPECT_EQ(mesh.SetIndexCount(70000), 0);
  EXPECT_EQ(mesh.GetIndexCount(), 70000);  // indices are not limited to 16 bits in number
  mesh.m_Indices[69999] = 1;

  EXPECT_EQ(mesh.SetIndexCount(0), 0);
  EXPECT_EQ(mesh.GetIndexCount(), 0);
  EXPECT_EQ(mesh.m_Indices, nullptr);
}

// Overrides one mark operation; the "all" operations must reach it through the table.
class OverridingMesh final : public Mesh {
 public:
  void MarkNormalsChanged() override { log += "n"; }
  void MarkTexCoords0Changed() override {
    log += "t";
    Mesh::MarkTexCoords0Changed();
  }
  void UpdatePositions() override { log += "P"; }
  void UpdateNormals() override { log += "N"; }
  void UpdateTexCoords0() override { log += "0"; }
  void UpdateTexCoords1() override { log += "1"; }
  std::string log;
};

TEST(MeshTest, AllOperationsCallTheSingleOnesThroughTheVirtualTable) {
  OverridingMesh mesh;
  mesh.MarkAllChanged();
  EXPECT_EQ(mesh.log, "nt");
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_FALSE(mesh.m_NormalsChanged);  // the override did not set it
  EXPECT_TRUE(mesh.m_TexCoords0Changed);
  EXPECT_TRUE(mesh.m_TexCoords1Changed);

  mesh.log.clear();
  mesh.UpdateAll();
  EXPECT_EQ(mesh.log, "PN01");
}

TEST(MaterialTest, DefaultsAndMarkChanged) {
  Material material;
  EXPECT_EQ(material.m_Ambient.x, 1.0f);
  EXPECT_EQ(material.m_Ambient.w, 0.0f);
  EXPECT_EQ(material.m_Diffuse.x, 0.8f);
  EXPECT_EQ(material.m_Diffuse.y, 0.7f);
  EXPECT_EQ(material.m_Diffuse.z, 0.7f);
  EXPECT_EQ(material.m_Specular.x, 0.5f);
  EXPECT_EQ(material.m_Specular.y, 0.4f);
  EXPECT_EQ(material.m_Specular.z, 0.1f);
  EXPECT_EQ(material.m_Emissive.x, 0.0f);
  EXPECT_EQ(material.m_Emissive.w, 0.0f);
  EXPECT_EQ(material.m_SpecularPower, 20.0f);
  EXPECT_TRUE(material.m_Changed);
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);

  material.m_Changed = false;
  material.MarkChanged();
  EXPECT_TRUE(material.m_Changed);
}

}  // namespace
