// The test driver itself: installation, failure rules, and the full-caps description.
#include <gtest/gtest.h>

#include "Rig.h"

namespace dxtest {
namespace {

using dx::testing::TestDriver;

TEST(TestDriver, InstallsItselfAndPutsThePreviousSystemBack) {
  const std::shared_ptr<dx::System> before = dx::SharedSystem();
  {
    TestDriver outer;
    outer.AddSoftwareDevice();
    EXPECT_EQ(&dx::CurrentSystem(), &outer.GetSystem());
    {
      TestDriver inner;
      EXPECT_EQ(&dx::CurrentSystem(), &inner.GetSystem());
      EXPECT_TRUE(dx::CurrentSystem().devices.empty());
    }
    EXPECT_EQ(&dx::CurrentSystem(), &outer.GetSystem());
    EXPECT_EQ(dx::CurrentSystem().devices.size(), 1u);
  }
  EXPECT_EQ(dx::SharedSystem(), before);
}

TEST(TestDriver, ObjectsOutlivingTheDriverStopReportingToIt) {
  Held<IDirectDraw> dd;
  {
    TestDriver driver;
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    driver.Fail("IDirectDraw::QueryInterface", DDERR_GENERIC);
  }
  Held<IDirectDraw4> dd4;
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
}

TEST(TestDriver, FailureRulesCountMatchingCallsOnly) {
  TestDriver driver;
  driver.Fail("A::B", E_FAIL, /*once=*/true, /*nth=*/2);
  driver.Fail("A::B", E_OUTOFMEMORY, /*once=*/true, /*nth=*/3);
  EXPECT_EQ(driver.OnCall("A::C", ""), S_OK);
  EXPECT_EQ(driver.OnCall("A::B", "1"), S_OK);
  EXPECT_EQ(driver.OnCall("A::B", "2"), E_FAIL);
  EXPECT_EQ(driver.OnCall("A::B", "3"), E_OUTOFMEMORY);
  EXPECT_EQ(driver.OnCall("A::B", "4"), S_OK);
  driver.Fail("A::C", E_INVALIDARG);
  EXPECT_EQ(driver.OnCall("A::C", ""), E_INVALIDARG);
  EXPECT_EQ(driver.OnCall("A::C", ""), E_INVALIDARG);
  driver.Succeed();
  EXPECT_EQ(driver.OnCall("A::C", ""), S_OK);

  EXPECT_EQ(driver.Calls().size(), 8u);
  const auto named = driver.CallsNamed("A::B");
  ASSERT_EQ(named.size(), 4u);
  EXPECT_EQ(named[1].args, "2");
  EXPECT_EQ(named[1].injected, E_FAIL);
  EXPECT_EQ(driver.CallNames("A::C"), (std::vector<std::string>{"A::C", "A::C", "A::C", "A::C"}));
  driver.Clear();
  EXPECT_TRUE(driver.Calls().empty());
}

// The program's capability requirements: member, flag, and whether it must be set.
struct Requirement {
  DWORD D3DDEVICEDESC::*member;
  DWORD flag;
  bool set;
};

DWORD TriMember(const D3DDEVICEDESC& d, DWORD D3DPRIMCAPS::*member) {
  return d.dpcTriCaps.*member;
}

TEST(TestDriver, FullCapsDescriptionMeetsEveryCapabilityRequirement) {
  const D3DDEVICEDESC d = dx::testing::FullCapsDesc();
  EXPECT_EQ(d.dwSize, kD3DDeviceDescSize);
  const Requirement top[] = {
      {&D3DDEVICEDESC::dwFlags, D3DDD_COLORMODEL, true},
      {&D3DDEVICEDESC::dwFlags, D3DDD_DEVCAPS, true},
      {&D3DDEVICEDESC::dwFlags, D3DDD_DEVICERENDERBITDEPTH, true},
      {&D3DDEVICEDESC::dwFlags, D3DDD_DEVICEZBUFFERBITDEPTH, true},
      {&D3DDEVICEDESC::dwFlags, D3DDD_LINECAPS, true},
      {&D3DDEVICEDESC::dwFlags, D3DDD_TRICAPS, true},
      {&D3DDEVICEDESC::dwDevCaps, D3DDEVCAPS_DRAWPRIMTLVERTEX, true},
      {&D3DDEVICEDESC::dwDevCaps, D3DDEVCAPS_SORTDECREASINGZ, false},
      {&D3DDEVICEDESC::dwDevCaps, D3DDEVCAPS_SORTEXACT, false},
  };
  for (const Requirement& r : top) EXPECT_EQ((d.*r.member & r.flag) != 0, r.set) << r.flag;
  EXPECT_EQ(d.dcmColorModel, D3DCOLOR_RGB);
  EXPECT_TRUE(d.dpcLineCaps.dwZCmpCaps & D3DPCMPCAPS_LESS);

  struct Tri {
    DWORD D3DPRIMCAPS::*member;
    DWORD flag;
    bool set;
  };
  const Tri tri[] = {
      {&D3DPRIMCAPS::dwMiscCaps, D3DPMISCCAPS_CULLCCW, true},
      {&D3DPRIMCAPS::dwMiscCaps, D3DPMISCCAPS_CULLCW, true},
      {&D3DPRIMCAPS::dwMiscCaps, D3DPMISCCAPS_CULLNONE, true},
      {&D3DPRIMCAPS::dwZCmpCaps, D3DPCMPCAPS_LESS, true},
      {&D3DPRIMCAPS::dwZCmpCaps, D3DPCMPCAPS_LESSEQUAL, true},
      {&D3DPRIMCAPS::dwShadeCaps, D3DPSHADECAPS_ALPHAFLATBLEND, true},
      {&D3DPRIMCAPS::dwShadeCaps, D3DPSHADECAPS_COLORGOURAUDRGB, true},
      {&D3DPRIMCAPS::dwTextureCaps, D3DPTEXTURECAPS_ALPHA, true},
      {&D3DPRIMCAPS::dwTextureCaps, D3DPTEXTURECAPS_PERSPECTIVE, true},
      {&D3DPRIMCAPS::dwTextureCaps, D3DPTEXTURECAPS_SQUAREONLY, false},
      {&D3DPRIMCAPS::dwTextureCaps, D3DPTEXTURECAPS_TRANSPARENCY, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_LINEAR, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_NEAREST, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MAGFLINEAR, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MAGFPOINT, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MINFLINEAR, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MINFPOINT, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MIPFLINEAR, true},
      {&D3DPRIMCAPS::dwTextureFilterCaps, D3DPTFILTERCAPS_MIPFPOINT, true},
      {&D3DPRIMCAPS::dwTextureAddressCaps, D3DPTADDRESSCAPS_WRAP, true},
  };
  for (const Tri& r : tri) EXPECT_EQ((TriMember(d, r.member) & r.flag) != 0, r.set) << r.flag;
  // Every one of the blend factors the requirements name, as source and destination.
  const DWORD blends[] = {D3DPBLENDCAPS_BOTHINVSRCALPHA,
                          D3DPBLENDCAPS_BOTHSRCALPHA,
                          D3DPBLENDCAPS_DESTCOLOR,
                          D3DPBLENDCAPS_INVDESTCOLOR,
                          D3DPBLENDCAPS_INVSRCALPHA,
                          D3DPBLENDCAPS_INVSRCCOLOR,
                          D3DPBLENDCAPS_ONE,
                          D3DPBLENDCAPS_SRCALPHA,
                          D3DPBLENDCAPS_SRCCOLOR,
                          D3DPBLENDCAPS_ZERO};
  for (DWORD blend : blends) {
    EXPECT_TRUE(d.dpcTriCaps.dwSrcBlendCaps & blend) << blend;
    if (blend != D3DPBLENDCAPS_BOTHINVSRCALPHA && blend != D3DPBLENDCAPS_BOTHSRCALPHA) {
      EXPECT_TRUE(d.dpcTriCaps.dwDestBlendCaps & blend) << blend;
    }
  }
}

}  // namespace
}  // namespace dxtest
