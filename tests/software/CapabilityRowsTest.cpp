// A normal start on the software device shows no capability message: its description meets
// every row of the renderer's capability table.
#include <gtest/gtest.h>

#include "platform/directx/software/SoftwareDriver.h"
#include "render/CapabilityTest.h"

namespace {

TEST(SoftwareCapabilities, PassEveryRowOfTheCapabilityTest) {
  dx::software::SoftwareDriver driver;
  D3DDEVICEDESC hardware, software;
  driver.Describe(hardware, software);
  // The renderer tests the software description because the hardware one has colour model 0.
  ASSERT_EQ(hardware.dcmColorModel, 0u);
  EXPECT_EQ(CapabilityRows().size(), static_cast<size_t>(kCapabilityRowCount));
  const std::vector<int> failed = FailedCapabilityRows(software);
  std::string texts;
  for (int row : failed) texts += std::string("\n  ") + CapabilityRows()[row - 1].text;
  EXPECT_TRUE(failed.empty()) << "rows missed:" << texts;
}

TEST(SoftwareCapabilities, UnwantedSortFlagsWouldBeNoticed) {
  // The check above is only meaningful if the table reacts to this description.
  dx::software::SoftwareDriver driver;
  D3DDEVICEDESC hardware, software;
  driver.Describe(hardware, software);
  software.dwDevCaps |= D3DDEVCAPS_SORTEXACT;
  software.dpcTriCaps.dwTextureFilterCaps &= ~D3DPTFILTERCAPS_MIPFLINEAR;
  EXPECT_EQ(FailedCapabilityRows(software), (std::vector<int>{10, 47}));
}

}  // namespace
