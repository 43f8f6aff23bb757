// The main window on a screen scaled by two (this binary sets QT_SCALE_FACTOR=2): the
// program sees device pixels, so the picture area is drawn at the screen's resolution
// rather than blown up from half of it, and the window's layout scales with the screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <vector>

#include "AppFixture.h"
#include "app/SceneWindow.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Simulate.h"
#include "platform/framework/qt/NativeWindow.h"
#include "render/Renderer.h"

namespace {

// Before the window system starts, which reads it once.
const bool kScaledByTwo = setenv("QT_SCALE_FACTOR", "2", 1) == 0;

class HiDpiTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(kScaledByTwo);
    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0);
  }
  static QWidget* WidgetOf(const CWnd& window) {
    return NativeWindow::FromHandle(window.m_hWnd)->Widget();
  }
  static int Channel(uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
  }
};

TEST_F(HiDpiTest, LayoutIsReportedInDevicePixels) {
  MakeWindow();
  CRect client;
  m_Dlg->GetClientRect(&client);
  EXPECT_EQ(client.Width(), 2 * WidgetOf(*m_Dlg)->width());
  EXPECT_EQ(client.Height(), 2 * WidgetOf(*m_Dlg)->height());
  // Dialog units convert at the screen's scale, as the controls are laid out.
  CRect button(0, 30, 7, 38);
  m_Dlg->MapDialogRect(&button);
  CRect load;
  m_Dlg->GetDlgItem(1006)->GetWindowRect(&load);
  m_Dlg->ScreenToClient(&load);
  EXPECT_EQ(load.left, button.left);
  EXPECT_EQ(load.top, button.top);
  EXPECT_EQ(load.Height(), button.Height());
  EXPECT_EQ(load.Width(), 2 * WidgetOf(*m_Dlg->GetDlgItem(1006))->width());
}

TEST_F(HiDpiTest, PictureAreaIsDrawnAtDevicePixels) {
  auto system = std::make_shared<dx::System>();
  system->devices.push_back(dx::software::MakeSoftwareDriver());
  dx::SetSystem(system);  // the test driver puts its predecessor back at tear-down
  MakeWindow();

  // 192 x 144 device pixels are a 96 x 72 area on the scaled screen.
  ASSERT_TRUE(SizePictureArea(*m_Dlg, 192, 144));
  EXPECT_EQ(WidgetOf(m_Dlg->m_Picture)->size(), QSize(96, 72));
  m_Dlg->StepFrame();
  const RECT& target = m_Dlg->m_Renderer->m_ScreenRect;
  EXPECT_EQ(target.right - target.left, 192) << "the back buffer has the device size";
  std::vector<uint32_t> fine;
  SIZE size{};
  ASSERT_TRUE(ReadPicture(&fine, &size));
  ASSERT_EQ(size.cx, 192);
  ASSERT_EQ(size.cy, 144);
  // A picture blown up from half the size has four equal pixels in every 2 x 2 block.
  int mixedBlocks = 0;
  for (int y = 0; y < 144; y += 2) {
    for (int x = 0; x < 192; x += 2) {
      const uint32_t p = fine[y * 192 + x];
      if (fine[y * 192 + x + 1] != p || fine[(y + 1) * 192 + x] != p ||
          fine[(y + 1) * 192 + x + 1] != p)
        ++mixedBlocks;
    }
  }
  EXPECT_GT(mixedBlocks, 96 * 72 / 10);

  // The same frame in an area of half the size is what an unscaled screen shows: the fine
  // picture is that picture at twice the size.
  ASSERT_TRUE(SizePictureArea(*m_Dlg, 96, 72));
  m_Dlg->StepFrame();
  std::vector<uint32_t> coarse;
  ASSERT_TRUE(ReadPicture(&coarse, &size));
  ASSERT_EQ(size.cx, 96);
  int close = 0;
  long totalDifference = 0;
  for (int y = 0; y < 72; ++y) {
    for (int x = 0; x < 96; ++x) {
      int worst = 0;
      for (int shift : {0, 8, 16}) {
        const int sum = Channel(fine[2 * y * 192 + 2 * x], shift) +
                        Channel(fine[2 * y * 192 + 2 * x + 1], shift) +
                        Channel(fine[(2 * y + 1) * 192 + 2 * x], shift) +
                        Channel(fine[(2 * y + 1) * 192 + 2 * x + 1], shift);
        const int difference = std::abs((sum + 2) / 4 - Channel(coarse[y * 96 + x], shift));
        totalDifference += difference;
        worst = std::max(worst, difference);
      }
      if (worst <= 24) ++close;
    }
  }
  EXPECT_GT(close, 96 * 72 * 9 / 10);
  EXPECT_LT(totalDifference / (96 * 72 * 3), 6);
}

}  // namespace
