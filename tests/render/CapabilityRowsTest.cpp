// The capability test: the requirement table, the boxes the user answers, and which
// devices end up recorded.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "BoxRecorder.h"
#include "render/CapabilityTest.h"
#include "render/Renderer.h"

namespace {

const std::string kRow6 = "!(dd -> dwFlags & D3DDD_TRICAPS)";
const std::string kRow7 = "(dd -> dcmColorModel\t!=\tD3DCOLOR_RGB)";
const std::string kRow10 = " (dd -> dwDevCaps\t&\tD3DDEVCAPS_SORTEXACT)";
const std::string kRow35 = "!(dd ->\tdpcTriCaps.dwShadeCaps\t\t&\tD3DPSHADECAPS_ALPHAFLATBLEND)";

TEST(CapabilityRowsTest, TableHoldsFortyNineDistinctRowsWhoseTextsMatchTheirChecks) {
  const auto rows = CapabilityRows();
  ASSERT_EQ(rows.size(), 49u);
  std::set<std::string> texts;
  for (const CapabilityRow& row : rows) {
    texts.insert(row.text);
    const char first = row.text[0];
    switch (row.miss) {
      case CapabilityMiss::FlagClear:
        EXPECT_EQ(first, '!') << row.text;
        break;
      case CapabilityMiss::FlagSet:
        EXPECT_EQ(first, ' ') << row.text;
        break;
      case CapabilityMiss::ValueDiffers:
        EXPECT_EQ(first, '(') << row.text;
        break;
    }
  }
  EXPECT_EQ(texts.size(), 49u);
  EXPECT_EQ(rows[5].text, kRow6);
  EXPECT_EQ(rows[6].text, kRow7);
  EXPECT_EQ(rows[9].text, kRow10);
  EXPECT_EQ(rows[34].text, kRow35);
}

TEST(CapabilityRowsTest, EachShortfallMissesExactlyItsOwnRow) {
  EXPECT_TRUE(FailedCapabilityRows(PassingDesc()).empty());

  struct Case {
    const char* name;
    void (*spoil)(D3DDEVICEDESC&);
    int row;
  };
  const Case cases[] = {
      {"no colour model flag", [](D3DDEVICEDESC& d) { d.dwFlags &= ~D3DDD_COLORMODEL; }, 1},
      {"no triangle caps flag", [](D3DDEVICEDESC& d) { d.dwFlags &= ~D3DDD_TRICAPS; }, 6},
      {"mono colour model", [](D3DDEVICEDESC& d) { d.dcmColorModel = D3DCOLOR_MONO; }, 7},
      {"sorts decreasing z", [](D3DDEVICEDESC& d) { d.dwDevCaps |= D3DDEVCAPS_SORTDECREASINGZ; },
       9},
      {"sorts exactly", [](D3DDEVICEDESC& d) { d.dwDevCaps |= D3DDEVCAPS_SORTEXACT; }, 10},
      {"lines without less", [](D3DDEVICEDESC& d) { d.dpcLineCaps.dwZCmpCaps = 0; }, 11},
      {"no source both-inverse-alpha",
       [](D3DDEVICEDESC& d) { d.dpcTriCaps.dwSrcBlendCaps &= ~D3DPBLENDCAPS_BOTHINVSRCALPHA; }, 17},
      {"no destination zero",
       [](D3DDEVICEDESC& d) { d.dpcTriCaps.dwDestBlendCaps &= ~D3DPBLENDCAPS_ZERO; }, 34},
      {"square textures only",
       [](D3DDEVICEDESC& d) { d.dpcTriCaps.dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY; }, 39},
      {"no linear magnification",
       [](D3DDEVICEDESC& d) { d.dpcTriCaps.dwTextureFilterCaps &= ~D3DPTFILTERCAPS_MAGFLINEAR; },
       43},
      {"no wrap", [](D3DDEVICEDESC& d) { d.dpcTriCaps.dwTextureAddressCaps = 0; }, 49},
  };
  for (const Case& c : cases) {
    D3DDEVICEDESC d = PassingDesc();
    c.spoil(d);
    EXPECT_EQ(FailedCapabilityRows(d), std::vector<int>{c.row}) << c.name;
  }

  // Every row reacts to its own member and flag, and to nothing the other rows read.
  const auto rows = CapabilityRows();
  for (int i = 0; i < kCapabilityRowCount; ++i) {
    D3DDEVICEDESC d = PassingDesc();
    const CapabilityRow& row = rows[i];
    DWORD* member = nullptr;
    switch (row.field) {
      case CapabilityField::Flags:
        member = &d.dwFlags;
        break;
      case CapabilityField::ColorModel:
        member = &d.dcmColorModel;
        break;
      case CapabilityField::DevCaps:
        member = &d.dwDevCaps;
        break;
      case CapabilityField::LineZCmpCaps:
        member = &d.dpcLineCaps.dwZCmpCaps;
        break;
      case CapabilityField::TriMiscCaps:
        member = &d.dpcTriCaps.dwMiscCaps;
        break;
      case CapabilityField::TriZCmpCaps:
        member = &d.dpcTriCaps.dwZCmpCaps;
        break;
      case CapabilityField::TriSrcBlendCaps:
        member = &d.dpcTriCaps.dwSrcBlendCaps;
        break;
      case CapabilityField::TriDestBlendCaps:
        member = &d.dpcTriCaps.dwDestBlendCaps;
        break;
      case CapabilityField::TriShadeCaps:
        member = &d.dpcTriCaps.dwShadeCaps;
        break;
      case CapabilityField::TriTextureCaps:
        member = &d.dpcTriCaps.dwTextureCaps;
        break;
      case CapabilityField::TriTextureFilterCaps:
        member = &d.dpcTriCaps.dwTextureFilterCaps;
        break;
      case CapabilityField::TriTextureAddressCaps:
        member = &d.dpcTriCaps.dwTextureAddressCaps;
        break;
    }
    ASSERT_NE(member, nullptr);
    if (row.miss == CapabilityMiss::ValueDiffers)
      *member = row.value + 1;
    else
      *member ^= row.value;
    EXPECT_EQ(FailedCapabilityRows(d), std::vector<int>{i + 1}) << row.text;
  }
}

TEST(CapabilityRowsTest, BoxesFollowTheRowsAndCancelStopsAtOnce) {
  D3DDEVICEDESC d = PassingDesc();
  d.dwFlags &= ~D3DDD_TRICAPS;
  d.dcmColorModel = D3DCOLOR_MONO;
  d.dwDevCaps |= D3DDEVCAPS_SORTEXACT;
  char title[] = "Test Device";

  {
    BoxRecorder user(IDOK);
    Renderer r;
    r.m_MessageTitle = title;
    EXPECT_TRUE(r.TestDevice(&d));
    ASSERT_EQ(user.boxes.size(), 3u);
    EXPECT_EQ(user.boxes[0].text, kRow6);
    EXPECT_EQ(user.boxes[1].text, kRow7);
    EXPECT_EQ(user.boxes[2].text, kRow10);
    for (const ShownBox& box : user.boxes) {
      EXPECT_EQ(box.caption, "Test Device");
      EXPECT_EQ(box.type, MB_OKCANCEL);
    }
    EXPECT_EQ(std::string(r.m_MessageText), kRow10);
  }
  {
    BoxRecorder user(IDOK);
    user.answers = {IDOK, IDCANCEL};
    Renderer r;
    r.m_MessageTitle = title;
    EXPECT_FALSE(r.TestDevice(&d));
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(std::string(r.m_MessageText), kRow7);
  }
  {
    BoxRecorder user(IDCANCEL);
    Renderer r;
    EXPECT_FALSE(r.TestDevice(nullptr));
    EXPECT_TRUE(user.boxes.empty());
    const D3DDEVICEDESC good = PassingDesc();
    EXPECT_TRUE(r.TestDevice(&good));
    EXPECT_TRUE(user.boxes.empty());
  }
}

TEST(CapabilityRowsTest, DeviceAcceptedWithColourModelZeroGivesWayToTheNext) {
  // A software device whose description has colour model 0 fails row 7; the user lets it
  // through, yet the next accepted software device takes its slot.
  BoxRecorder user(IDOK);
  Renderer r;
  D3DDEVICEDESC weak = PassingDesc();
  weak.dcmColorModel = 0;
  weak.dwMaxVertexCount = 1;
  D3DDEVICEDESC strong = PassingDesc();
  strong.dwMaxVertexCount = 2;
  D3DDEVICEDESC noHal{};
  GUID g1{1, 0, 0, {}}, g2{2, 0, 0, {}};
  char text[] = "soft";

  Renderer::OnEnumDevice(&g1, text, text, &noHal, &weak, &r);
  EXPECT_EQ(user.boxes.size(), 1u);
  ASSERT_TRUE(r.m_HelGuid.has_value());
  EXPECT_TRUE(IsEqualGUID(*r.m_HelGuid, g1));
  Renderer::OnEnumDevice(&g2, text, text, &noHal, &strong, &r);
  EXPECT_TRUE(IsEqualGUID(*r.m_HelGuid, g2));
  EXPECT_EQ(r.m_HelDesc.dwMaxVertexCount, 2u);

  // Without its renderer the handler stops the enumeration.
  EXPECT_EQ(Renderer::OnEnumDevice(&g1, text, text, &noHal, &strong, nullptr), D3DENUMRET_CANCEL);
}

TEST(CapabilityRowsTest, PickDescPrefersAFilledSlot) {
  D3DDEVICEDESC empty{};
  D3DDEVICEDESC kept = PassingDesc();
  D3DDEVICEDESC candidate = PassingDesc();
  EXPECT_EQ(Renderer::PickDesc(nullptr, &candidate), &candidate);
  EXPECT_EQ(Renderer::PickDesc(&kept, nullptr), &kept);
  EXPECT_EQ(Renderer::PickDesc(&empty, &candidate), &candidate);
  EXPECT_EQ(Renderer::PickDesc(&kept, &candidate), &kept);
}

}  // namespace
