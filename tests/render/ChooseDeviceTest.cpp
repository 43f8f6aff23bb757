// The capability test as Create runs it: devices offered by the driver, boxes answered by
// the recorder, and the device that ends up chosen.
#include "RendererFixture.h"

namespace {

const GUID kSecondHal{0x11111111, 1, 1, {1, 1, 1, 1, 1, 1, 1, 1}};

class ChooseDeviceTest : public RendererTest {};

TEST_F(ChooseDeviceTest, PassingDevicesStartSilentlyAndHardwareIsPreferred) {
  driver.AddSoftwareDevice();
  driver.AddHardwareDevice();
  ASSERT_EQ(r.Create(&window), 0);
  EXPECT_TRUE(user.boxes.empty());
  ASSERT_TRUE(r.m_HalGuid && r.m_HelGuid && r.m_DeviceGuid);
  EXPECT_TRUE(IsEqualGUID(*r.m_DeviceGuid, IID_IDirect3DHALDevice));
  EXPECT_TRUE(IsEqualGUID(*r.m_HelGuid, IID_IDirect3DRGBDevice));
  EXPECT_EQ(std::memcmp(&r.m_DeviceDesc, &r.m_HalDesc, sizeof r.m_HalDesc), 0);
  // The caption pointed into the enumeration's texts; it does not outlive them.
  EXPECT_EQ(r.m_MessageTitle, nullptr);
}

TEST_F(ChooseDeviceTest, SecondAcceptedHardwareDeviceIsIgnored) {
  driver.AddHardwareDevice();
  D3DDEVICEDESC other = dx::testing::FullCapsDesc();
  other.dwMaxVertexCount = 12345;
  driver.AddDevice(kSecondHal, "Second HAL", "second", other, dx::testing::EmptyDesc());
  ASSERT_EQ(r.Create(&window), 0);
  EXPECT_TRUE(IsEqualGUID(*r.m_HalGuid, IID_IDirect3DHALDevice));
  EXPECT_NE(r.m_HalDesc.dwMaxVertexCount, 12345u);
  EXPECT_FALSE(r.m_HelGuid.has_value());
}

TEST_F(ChooseDeviceTest, CancelRejectsTheDeviceAndOkKeepsIt) {
  D3DDEVICEDESC weak = dx::testing::FullCapsDesc();
  weak.dwFlags &= ~D3DDD_TRICAPS;
  weak.dwDevCaps |= D3DDEVCAPS_SORTEXACT;
  driver.AddDevice(IID_IDirect3DHALDevice, "Weak HAL", "weak hal", weak, dx::testing::EmptyDesc());
  driver.AddSoftwareDevice();

  user.answers = {IDCANCEL};
  ASSERT_EQ(r.Create(&window), 0);
  const std::string row6 = "!(dd -> dwFlags & D3DDD_TRICAPS)";
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[0].text, row6);
  EXPECT_EQ(user.boxes[0].caption, "Weak HAL");
  EXPECT_EQ(user.boxes[0].type, MB_OKCANCEL);
  EXPECT_EQ(user.boxes[1].text, "Weak HAL\nweak hal\n\n\n" + row6 + "\n\n");
  EXPECT_EQ(user.boxes[1].caption, "Direct3D Device does not Pass our stringent requirements!");
  EXPECT_EQ(user.boxes[1].type, MB_OK);
  EXPECT_FALSE(r.m_HalGuid.has_value());
  EXPECT_TRUE(IsEqualGUID(*r.m_DeviceGuid, IID_IDirect3DRGBDevice));

  // Answering OK to every box accepts the hardware device after its two shortfalls.
  user.boxes.clear();
  Renderer second;
  ASSERT_EQ(second.Create(&window), 0);
  ASSERT_EQ(user.boxes.size(), 2u);
  EXPECT_EQ(user.boxes[1].text, " (dd -> dwDevCaps\t&\tD3DDEVCAPS_SORTEXACT)");
  EXPECT_TRUE(IsEqualGUID(*second.m_DeviceGuid, IID_IDirect3DHALDevice));
}

TEST_F(ChooseDeviceTest, RebuildNeverRepeatsTheTest) {
  D3DDEVICEDESC weak = dx::testing::FullCapsDesc();
  weak.dcmColorModel = D3DCOLOR_RGB;
  weak.dwDevCaps |= D3DDEVCAPS_SORTDECREASINGZ;
  driver.AddDevice(IID_IDirect3DHALDevice, "Weak HAL", "weak", weak, dx::testing::EmptyDesc());
  ASSERT_EQ(r.Create(&window), 0);
  EXPECT_EQ(user.boxes.size(), 1u);
  window.Resize(kWidth / 2, kHeight / 2);
  r.WindowSized();
  EXPECT_NE(r.m_Device, nullptr);
  EXPECT_EQ(user.boxes.size(), 1u);
}

}  // namespace
