// The vertex-buffer mesh on a device: one buffer per vertex count, one lock and one draw
// per frame, the vertex layout for each texture flag, and retries after failures.
#include <cstring>

#include "RendererFixture.h"
#include "geometry/VertexBufferMesh.h"

namespace {

class VertexBufferTest : public RendererTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateOnHardware(), 0);
    driver.Clear();
  }
  // A quad of `count` vertices along x (two triangles per step), normals up.
  static void Fill(VertexBufferMesh& mesh, int count) {
    mesh.SetVertexCount(count);
    mesh.SetIndexCount(3u * (count - 2));
    for (int i = 0; i < count; ++i) {
      mesh.m_Positions[i] = Vec3{static_cast<float>(i), static_cast<float>(i % 2), -2.0f};
      mesh.m_Normals[i] = Vec3{0.0f, 0.0f, 1.0f};
    }
    for (int t = 0; t < count - 2; ++t) {
      mesh.m_Indices[3 * t] = static_cast<uint16_t>(t);
      mesh.m_Indices[3 * t + 1] = static_cast<uint16_t>(t + 1);
      mesh.m_Indices[3 * t + 2] = static_cast<uint16_t>(t + 2);
    }
    mesh.MarkAllChanged();
  }
  void Frame(VertexBufferMesh& mesh) {
    r.BeginFrame();
    mesh.Draw();
    r.EndFrame();
  }
  static bool AnyChanged(const Mesh& mesh) {
    return mesh.m_PositionsChanged || mesh.m_NormalsChanged || mesh.m_TexCoords0Changed ||
           mesh.m_TexCoords1Changed;
  }
  std::vector<std::string> BufferCalls() const {
    std::vector<std::string> out;
    for (const std::string& t : Trace())
      if (t.find("VertexBuffer") != std::string::npos || t.find("DrawIndexed") != std::string::npos)
        out.push_back(t);
    return out;
  }
};

TEST_F(VertexBufferTest, SameCountKeepsTheBufferAndLocksItEveryFrame) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  Frame(mesh);
  Fill(mesh, 4);
  Frame(mesh);
  const std::vector<std::string> expected = {
      "IDirect3D3::CreateVertexBuffer({16,65536,18,4}, 0, null)",
      "IDirect3DVertexBuffer::Lock(33)",
      "IDirect3DVertexBuffer::Unlock()",
      "IDirect3DDevice3::DrawIndexedPrimitiveVB(4, vertexbuffer, data, 6, 0)",
      "IDirect3DVertexBuffer::Lock(33)",
      "IDirect3DVertexBuffer::Unlock()",
      "IDirect3DDevice3::DrawIndexedPrimitiveVB(4, vertexbuffer, data, 6, 0)",
  };
  EXPECT_EQ(BufferCalls(), expected);
  EXPECT_FALSE(AnyChanged(mesh));

  // The interleaved copy the device drew from: position then normal, 24 bytes a vertex.
  const auto& draws = Log().draws;
  ASSERT_EQ(draws.size(), 2u);
  const dx::testing::DrawRecord& draw = draws.back();
  EXPECT_EQ(draw.stride, 24u);
  EXPECT_EQ(draw.fvf, D3DFVF_XYZ | D3DFVF_NORMAL);
  EXPECT_EQ(draw.indexCount, 6u);
  ASSERT_EQ(draw.vertices.size(), 4u * 24u);
  for (int i = 0; i < 4; ++i) {
    float v[6];
    std::memcpy(v, draw.vertices.data() + 24 * i, sizeof v);
    EXPECT_EQ(v[0], static_cast<float>(i));
    EXPECT_EQ(v[1], static_cast<float>(i % 2));
    EXPECT_EQ(v[2], -2.0f);
    EXPECT_EQ(v[5], 1.0f);
  }
}

TEST_F(VertexBufferTest, NewCountReplacesTheBufferBeforeTheCopy) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  Frame(mesh);
  driver.Clear();
  Fill(mesh, 5);
  Frame(mesh);
  const std::vector<std::string> expected = {
      "IDirect3DVertexBuffer::Release(vertexbuffer)",
      "IDirect3D3::CreateVertexBuffer({16,65536,18,5}, 0, null)",
      "IDirect3DVertexBuffer::Lock(33)",
      "IDirect3DVertexBuffer::Unlock()",
      "IDirect3DDevice3::DrawIndexedPrimitiveVB(4, vertexbuffer, data, 9, 0)",
  };
  EXPECT_EQ(BufferCalls(), expected);
  EXPECT_EQ(mesh.m_BufferDesc.dwNumVertices, 5u);
}

TEST_F(VertexBufferTest, TextureFlagsChooseFormatAndStride) {
  struct Case {
    BOOL tex0, tex1;
    DWORD fvf, stride;
  };
  const Case cases[] = {
      {TRUE, TRUE, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, 40},
      {FALSE, TRUE, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32},
      {TRUE, FALSE, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32},
      {FALSE, FALSE, D3DFVF_XYZ | D3DFVF_NORMAL, 24},
  };
  auto& log = Log();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fvf);
    VertexBufferMesh mesh;
    mesh.m_HasTexCoords0 = c.tex0;
    mesh.m_HasTexCoords1 = c.tex1;
    mesh.m_Renderer = &r;
    Fill(mesh, 3);
    log.draws.clear();
    Frame(mesh);
    EXPECT_EQ(mesh.m_BufferDesc.dwFVF, c.fvf);
    EXPECT_EQ(mesh.m_BufferDesc.dwCaps, D3DVBCAPS_WRITEONLY);
    EXPECT_EQ(mesh.VertexStride(), c.stride);
    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].stride, c.stride);
    // Positions land at each vertex's start, whatever the stride.
    float x;
    std::memcpy(&x, log.draws[0].vertices.data() + 2 * c.stride, sizeof x);
    EXPECT_EQ(x, 2.0f);
  }
}

TEST_F(VertexBufferTest, ATextureFlagThatChangesTheVertexSizeRemakesTheBuffer) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  Frame(mesh);
  driver.Clear();
  // Same count, 40 bytes a vertex instead of 24: the old buffer cannot take the copy.
  mesh.m_HasTexCoords0 = mesh.m_HasTexCoords1 = TRUE;
  mesh.MarkAllChanged();
  Log().draws.clear();
  Frame(mesh);
  const std::vector<std::string> expected = {
      "IDirect3DVertexBuffer::Release(vertexbuffer)",
      "IDirect3D3::CreateVertexBuffer({16,65536,530,4}, 0, null)",
      "IDirect3DVertexBuffer::Lock(33)",
      "IDirect3DVertexBuffer::Unlock()",
      "IDirect3DDevice3::DrawIndexedPrimitiveVB(4, vertexbuffer, data, 6, 0)",
  };
  EXPECT_EQ(BufferCalls(), expected);
  ASSERT_EQ(Log().draws.size(), 1u);
  EXPECT_EQ(Log().draws[0].vertices.size(), 4u * 40u);
}

TEST_F(VertexBufferTest, FailedLockKeepsTheFlagsForTheNextFrame) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  driver.Fail("IDirect3DVertexBuffer::Lock", DDERR_SURFACEBUSY, true);
  Frame(mesh);
  // The positions flag drives the copy of positions and normals alike; the other three
  // updates only make sure the buffer exists.
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_TRUE(driver.CallsNamed("IDirect3DVertexBuffer::Unlock").empty());

  Frame(mesh);
  EXPECT_FALSE(AnyChanged(mesh));
  EXPECT_EQ(driver.CallsNamed("IDirect3DVertexBuffer::Lock").size(), 2u);
  EXPECT_EQ(driver.CallsNamed("IDirect3D3::CreateVertexBuffer").size(), 1u);
}

TEST_F(VertexBufferTest, NoBufferMeansNoDrawUntilOneCanBeMade) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  driver.Fail("IDirect3D3::CreateVertexBuffer", DDERR_OUTOFMEMORY);
  Frame(mesh);
  EXPECT_EQ(mesh.m_VertexBuffer, nullptr);
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_TRUE(mesh.m_NormalsChanged);
  EXPECT_TRUE(mesh.m_TexCoords0Changed);
  EXPECT_TRUE(mesh.m_TexCoords1Changed);
  EXPECT_TRUE(driver.CallsNamed("IDirect3DDevice3::DrawIndexedPrimitiveVB").empty());
  EXPECT_TRUE(driver.CallsNamed("IDirect3DVertexBuffer::Lock").empty());

  driver.Succeed();
  Frame(mesh);
  EXPECT_NE(mesh.m_VertexBuffer, nullptr);
  EXPECT_FALSE(AnyChanged(mesh));
  EXPECT_EQ(driver.CallsNamed("IDirect3DDevice3::DrawIndexedPrimitiveVB").size(), 1u);
}

TEST_F(VertexBufferTest, AFrameWhoseBufferCouldNotBeMadeIsNeitherUploadedNorDrawn) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 4);
  // Failing once only: a later update in the same frame must not make the buffer and
  // draw it with no positions written.
  driver.Fail("IDirect3D3::CreateVertexBuffer", DDERR_OUTOFMEMORY, true);
  Frame(mesh);
  EXPECT_EQ(BufferCalls(),
            std::vector<std::string>{"IDirect3D3::CreateVertexBuffer({16,65536,18,4}, 0, null)"});
  EXPECT_TRUE(mesh.m_PositionsChanged && mesh.m_NormalsChanged);

  driver.Clear();
  Log().draws.clear();
  Frame(mesh);
  EXPECT_EQ(BufferCalls().size(), 4u) << "create, lock, unlock, draw";
  ASSERT_EQ(Log().draws.size(), 1u);
  float x;
  std::memcpy(&x, Log().draws[0].vertices.data() + 3 * 24, sizeof x);
  EXPECT_EQ(x, 3.0f);
}

TEST_F(VertexBufferTest, NormalsAloneOnlyMakeSureTheBufferExists) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 3);
  Frame(mesh);
  driver.Clear();
  mesh.MarkNormalsChanged();
  mesh.MarkTexCoords1Changed();
  Frame(mesh);
  EXPECT_FALSE(AnyChanged(mesh));
  EXPECT_TRUE(driver.CallsNamed("IDirect3DVertexBuffer::Lock").empty());
  EXPECT_TRUE(driver.CallsNamed("IDirect3D3::CreateVertexBuffer").empty());
}

TEST_F(VertexBufferTest, DrawNormalsDrawsOneLinePerVertex) {
  VertexBufferMesh mesh;
  mesh.m_Renderer = &r;
  Fill(mesh, 3);
  auto& log = Log();
  log.draws.clear();
  r.BeginFrame();
  mesh.DrawNormals();
  r.EndFrame();
  EXPECT_EQ(Trace("IDirect3DDevice3::DrawPrimitive"),
            std::vector<std::string>(3, "IDirect3DDevice3::DrawPrimitive(2, 2, data, 2, 0)"));
  ASSERT_EQ(log.draws.size(), 3u);
  float line[6];
  std::memcpy(line, log.draws[1].vertices.data(), sizeof line);
  EXPECT_EQ(line[0], 1.0f);
  EXPECT_EQ(line[2], -2.0f);
  EXPECT_EQ(line[3], 1.0f);
  EXPECT_EQ(line[5], -1.5f);
}

TEST_F(VertexBufferTest, DestructorReleasesTheBuffer) {
  {
    VertexBufferMesh mesh;
    mesh.m_Renderer = &r;
    Fill(mesh, 3);
    Frame(mesh);
    driver.Clear();
  }
  EXPECT_EQ(Trace(), std::vector<std::string>{"IDirect3DVertexBuffer::Release(vertexbuffer)"});
}

}  // namespace
