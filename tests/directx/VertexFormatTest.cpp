// Flexible vertex formats as both devices and the front read them.
#include <gtest/gtest.h>

#include "platform/directx/VertexFormat.h"

namespace {

using dx::ParseVertexFormat;

TEST(VertexFormat, PartsFollowEachOtherInDirect3DsOrder) {
  // The torus's vertices: position and normal.
  const dx::VertexLayout lit = ParseVertexFormat(D3DFVF_XYZ | D3DFVF_NORMAL);
  ASSERT_TRUE(lit.valid);
  EXPECT_FALSE(lit.pretransformed);
  EXPECT_EQ(lit.normal, 12);
  EXPECT_EQ(lit.diffuse, -1);
  EXPECT_EQ(lit.tex, -1);
  EXPECT_EQ(lit.size, 24u);

  // D3DTLVERTEX: x y z rhw, diffuse, specular, one pair of texture coordinates.
  const dx::VertexLayout tl =
      ParseVertexFormat(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
  ASSERT_TRUE(tl.valid);
  EXPECT_TRUE(tl.pretransformed);
  EXPECT_EQ(tl.diffuse, 16);
  EXPECT_EQ(tl.specular, 20);
  EXPECT_EQ(tl.tex, 24);
  EXPECT_EQ(tl.texCount, 1);
  EXPECT_EQ(tl.size, 32u);

  // D3DLVERTEX keeps four reserved bytes before its colours.
  const dx::VertexLayout l =
      ParseVertexFormat(D3DFVF_XYZ | 0x020 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
  ASSERT_TRUE(l.valid);
  EXPECT_EQ(l.diffuse, 16);
  EXPECT_EQ(l.size, 32u);

  const dx::VertexLayout eight = ParseVertexFormat(D3DFVF_XYZ | (8 << D3DFVF_TEXCOUNT_SHIFT));
  ASSERT_TRUE(eight.valid);
  EXPECT_EQ(eight.size, 12u + 64u);
}

TEST(VertexFormat, RefusesWhatCannotBeRead) {
  EXPECT_FALSE(ParseVertexFormat(0).valid);                              // no position
  EXPECT_FALSE(ParseVertexFormat(0x006 | D3DFVF_NORMAL).valid);          // XYZB1: blend weights
  EXPECT_FALSE(ParseVertexFormat(D3DFVF_XYZRHW | D3DFVF_NORMAL).valid);  // lit after transform
  EXPECT_FALSE(ParseVertexFormat(D3DFVF_XYZ | (9 << D3DFVF_TEXCOUNT_SHIFT)).valid);
}

}  // namespace
