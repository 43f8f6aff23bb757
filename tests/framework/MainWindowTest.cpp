// A resizable main window from template 102: size and move messages, the picture area
// as a window the device layer presents into, icons and the minimised picture, and a
// tool dialog owned by it.
#include <QScreen>
#include <memory>
#include <vector>

#include "FrameworkFixture.h"
#include "platform/framework/DialogTemplate.h"
#include "platform/framework/qt/Icon.h"
#include "resources/Resource.h"

namespace {

struct SizeMessage {
  UINT type;
  int cx, cy;
  bool pictureAttached;
};

class MainTestDlg : public CDialog {
 public:
  MainTestDlg() : CDialog(IDD_QUENNET_DIALOG) {}
  CStatic m_Picture;
  HICON m_hIcon = nullptr;
  std::vector<SizeMessage> sizes;
  std::vector<POINT> moves;
  std::vector<BOOL> shows;
  int iconPaints = 0;
  BOOL initResult = TRUE;
  int focusAtInit = 0;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_PICTURE, m_Picture); }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    if (focusAtInit) GetDlgItem(focusAtInit)->SetFocus();
    return initResult;
  }
  afx_msg void OnPaint() {
    if (!IsIconic()) {
      CDialog::OnPaint();
      return;
    }
    // The minimised picture: the icon centred in the client area.
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    dc.DrawIcon((rect.Width() - cxIcon + 1) / 2, (rect.Height() - cyIcon + 1) / 2, m_hIcon);
    ++iconPaints;
  }
  afx_msg HCURSOR OnQueryDragIcon() { return m_hIcon; }
  afx_msg void OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    sizes.push_back({type, cx, cy, m_Picture.GetSafeHwnd() != nullptr});
  }
  afx_msg void OnMove(int x, int y) {
    CDialog::OnMove(x, y);
    moves.push_back(POINT{x, y});
  }
  afx_msg void OnShowWindow(BOOL show, UINT status) {
    CDialog::OnShowWindow(show, status);
    shows.push_back(show);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MainTestDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

class MainWindowTest : public FrameworkTest {
 protected:
  void SetUp() override { ASSERT_TRUE(dlg.Create(IDD_QUENNET_DIALOG)); }
  MainTestDlg dlg;
};

uint32_t PixelAt(const std::vector<uint32_t>& pixels, SIZE size, int x, int y) {
  return pixels[static_cast<size_t>(y) * size.cx + x];
}

TEST_F(MainWindowTest, CreationReportsSizeBeforeControlsThenShowsAsTheTemplateSays) {
  ASSERT_FALSE(dlg.sizes.empty());
  EXPECT_FALSE(dlg.sizes.front().pictureAttached)
      << "the first size message comes before the controls";
  CRect client;
  dlg.GetClientRect(&client);
  EXPECT_EQ(dlg.sizes.front().cx, client.Width());
  EXPECT_EQ(dlg.sizes.front().cy, client.Height());
  EXPECT_EQ(dlg.sizes.front().type, SIZE_RESTORED);
  EXPECT_FALSE(dlg.moves.empty());
  // WS_VISIBLE in the template: shown at the end of Create.
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_EQ(dlg.shows, std::vector<BOOL>{TRUE});
}

TEST_F(MainWindowTest, ResizingSendsTheNewClientSize) {
  simulate::PumpMessages();
  dlg.sizes.clear();
  CRect window;
  dlg.GetWindowRect(&window);
  dlg.SetWindowPos(nullptr, 0, 0, window.Width() + 40, window.Height() + 25,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  simulate::PumpMessages();
  ASSERT_FALSE(dlg.sizes.empty());
  CRect client;
  dlg.GetClientRect(&client);
  EXPECT_EQ(dlg.sizes.back().cx, client.Width());
  EXPECT_EQ(dlg.sizes.back().cy, client.Height());
  EXPECT_TRUE(dlg.sizes.back().pictureAttached);
  CRect after;
  dlg.GetWindowRect(&after);
  EXPECT_EQ(after.Width(), window.Width() + 40);
  EXPECT_EQ(after.Height(), window.Height() + 25);
}

TEST_F(MainWindowTest, MovingSendsTheClientOriginOnTheScreen) {
  simulate::PumpMessages();
  dlg.moves.clear();
  dlg.SetWindowPos(nullptr, 120, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  simulate::PumpMessages();
  ASSERT_FALSE(dlg.moves.empty());
  POINT origin{0, 0};
  dlg.ClientToScreen(&origin);
  EXPECT_EQ(dlg.moves.back().x, origin.x);
  EXPECT_EQ(dlg.moves.back().y, origin.y);
  // The picture area's handle follows: the device layer reads it the same way.
  POINT picture{0, 0};
  ASSERT_TRUE(::ClientToScreen(dlg.m_Picture.GetSafeHwnd(), &picture));
  CRect pictureRect;
  dlg.m_Picture.GetWindowRect(&pictureRect);
  EXPECT_EQ(picture.x, pictureRect.left);
  EXPECT_EQ(picture.y, pictureRect.top);
}

TEST_F(MainWindowTest, PictureAreaShowsWhatIsPresentedIntoIt) {
  HWND picture = dlg.m_Picture.GetSafeHwnd();
  RECT client;
  ASSERT_TRUE(::GetClientRect(picture, &client));
  ASSERT_GT(client.right, 20);
  ASSERT_GT(client.bottom, 20);
  std::vector<uint32_t> before;
  SIZE size{};
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &before, &size));

  // A 12 x 10 gradient with an undefined alpha byte, placed at (5, 7).
  const int w = 12, h = 10;
  std::vector<uint32_t> frame(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      frame[static_cast<size_t>(y) * w + x] = 0x00102030u + (x << 16) + (y << 8);
  }
  ASSERT_TRUE(picture->PresentImage(frame.data(), w * 4, RECT{0, 0, w, h}, POINT{5, 7}));
  std::vector<uint32_t> after;
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &after, &size));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      ASSERT_EQ(PixelAt(after, size, 5 + x, 7 + y),
                frame[static_cast<size_t>(y) * w + x] | 0xFF000000u)
          << "at " << x << "," << y;
    }
  }
  // Outside the presented rectangle the control still shows itself.
  EXPECT_EQ(PixelAt(after, size, 0, 0), PixelAt(before, size, 0, 0));
  EXPECT_EQ(PixelAt(after, size, 30, 30), PixelAt(before, size, 30, 30));

  // Clipping: a frame hanging over the top-left corner shows its visible part only.
  ASSERT_TRUE(picture->PresentImage(frame.data(), w * 4, RECT{0, 0, w, h}, POINT{-4, -3}));
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &after, &size));
  EXPECT_EQ(PixelAt(after, size, 0, 0), frame[3 * w + 4] | 0xFF000000u);

  // Parts: an image part, a solid one beside it and one over the top-left corner. The window
  // fills the solid ones itself and shows what an off-screen window shows, and what the
  // default, part by part through PresentImage, shows.
  const PresentPart parts[] = {{RECT{2, 1, 8, 9}, POINT{3, 4}},
                               {RECT{0, 0, 7, 5}, POINT{9, 4}, true, 0x00ABCDEFu},
                               {RECT{0, 0, 6, 4}, POINT{-2, -1}, true, 0x80123456u}};
  ASSERT_TRUE(picture->PresentParts(frame.data(), w * 4, parts, 3));
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &after, &size));
  struct PartByPart : OffscreenWindow {
    using OffscreenWindow::OffscreenWindow;
    bool PresentParts(const uint32_t* p, int pitch, const PresentPart* list, size_t n) override {
      return WindowObject::PresentParts(p, pitch, list, n);
    }
  };
  OffscreenWindow offscreen(20, 20);
  PartByPart byPart(20, 20);
  ASSERT_TRUE(offscreen.PresentParts(frame.data(), w * 4, parts, 3));
  ASSERT_TRUE(byPart.PresentParts(frame.data(), w * 4, parts, 3));
  EXPECT_EQ(byPart.Pixels(), offscreen.Pixels());
  int covered = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      if (offscreen.PixelAt(x, y) == 0) continue;  // no part there
      ++covered;
      ASSERT_EQ(PixelAt(after, size, x, y), offscreen.PixelAt(x, y) | 0xFF000000u)
          << "at " << x << "," << y;
    }
  }
  EXPECT_EQ(covered, 6 * 8 + 7 * 5 + 4 * 3);
  EXPECT_EQ(offscreen.PixelAt(9, 4), 0x00ABCDEFu);

  // Covered whole, then grown: the new part shows the control's background, as before any
  // present, not whatever was under it.
  const int cw = client.right, ch = client.bottom;
  const std::vector<uint32_t> whole(static_cast<size_t>(cw) * ch, 0x00405060u);
  ASSERT_TRUE(picture->PresentImage(whole.data(), cw * 4, RECT{0, 0, cw, ch}, POINT{0, 0}));
  dlg.m_Picture.SetWindowPos(nullptr, 0, 0, cw + 10, ch + 10,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &after, &size));
  EXPECT_EQ(PixelAt(after, size, 1, 1), 0xFF405060u);
  EXPECT_EQ(PixelAt(after, size, cw + 5, ch + 5), PixelAt(before, size, 30, 30));

  // A picture area of zero size shows nothing.
  dlg.m_Picture.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_FALSE(picture->PresentImage(frame.data(), w * 4, RECT{0, 0, w, h}, POINT{0, 0}));
  EXPECT_EQ(picture->ClientSize().cx, 0);
}

TEST_F(MainWindowTest, PictureAreaShowsASharedPictureAndCopiesItOnlyWhenItMust) {
  HWND picture = dlg.m_Picture.GetSafeHwnd();
  const SIZE client = picture->ClientSize();
  const int cw = client.cx, ch = client.cy, half = cw / 2;
  auto image = std::make_shared<std::vector<uint32_t>>(static_cast<size_t>(cw) * ch);
  for (size_t i = 0; i < image->size(); ++i) (*image)[i] = 0xFF000000u | static_cast<uint32_t>(i);
  const auto expected = [&](int x, int y) {
    return x < half ? (*image)[static_cast<size_t>(y) * cw + x] : 0xFFABCDEFu;
  };
  const PresentPart parts[] = {{RECT{0, 0, half, ch}, POINT{0, 0}},
                               {RECT{half, 0, cw, ch}, POINT{half, 0}, true, 0x00ABCDEFu}};
  ASSERT_TRUE(picture->PresentShared(image, image->data(), cw * 4, parts, 2));
  EXPECT_EQ(image.use_count(), 2) << "held, not copied";
  std::vector<uint32_t> shown;
  SIZE size{};
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &shown, &size));
  for (int y = 0; y < ch; ++y) {
    for (int x = 0; x < cw; ++x)
      ASSERT_EQ(PixelAt(shown, size, x, y), expected(x, y)) << "at " << x << "," << y;
  }

  // A present over part of the window copies the shared picture in first and lets it go.
  const uint32_t dot = 0xFF112233u;
  ASSERT_TRUE(picture->PresentImage(&dot, 4, RECT{0, 0, 1, 1}, POINT{5, 7}));
  EXPECT_EQ(image.use_count(), 1);
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &shown, &size));
  EXPECT_EQ(PixelAt(shown, size, 5, 7), dot);
  EXPECT_EQ(PixelAt(shown, size, 4, 7), expected(4, 7));
  EXPECT_EQ(PixelAt(shown, size, cw - 1, ch - 1), expected(cw - 1, ch - 1));

  // Parts that do not lie at their own place, or do not cover the window, are copied at once.
  const PresentPart moved{RECT{0, 0, cw, ch}, POINT{1, 0}};
  const PresentPart some{RECT{0, 0, half, ch}, POINT{0, 0}};
  for (const PresentPart& p : {moved, some}) {
    ASSERT_TRUE(picture->PresentShared(image, image->data(), cw * 4, &p, 1));
    EXPECT_EQ(image.use_count(), 1);
  }
  ASSERT_TRUE(simulate::CaptureWindowImage(picture, &shown, &size));
  EXPECT_EQ(PixelAt(shown, size, half, 0), (*image)[half - 1]);
  EXPECT_EQ(PixelAt(shown, size, cw - 1, ch - 1), (*image)[static_cast<size_t>(ch) * cw - 2]);
}

TEST_F(MainWindowTest, MinimisedWindowPaintsItsIconCentred) {
  ASSERT_NE(dlg.m_hIcon, nullptr);
  EXPECT_EQ(dlg.GetIcon(TRUE), dlg.m_hIcon);
  EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(dlg.m_hIcon));
  dlg.sizes.clear();
  dlg.ShowWindow(SW_MINIMIZE);
  simulate::PumpMessages();
  ASSERT_TRUE(dlg.IsIconic());
  ASSERT_FALSE(dlg.sizes.empty());
  EXPECT_EQ(dlg.sizes.back().type, SIZE_MINIMIZED);

  std::vector<uint32_t> pixels;
  SIZE size{};
  ASSERT_TRUE(simulate::CaptureWindowImage(dlg.GetSafeHwnd(), &pixels, &size));
  EXPECT_GT(dlg.iconPaints, 0);
  const int cxIcon = GetSystemMetrics(SM_CXICON);
  const int cyIcon = GetSystemMetrics(SM_CYICON);
  const int x0 = (size.cx - cxIcon + 1) / 2;
  const int y0 = (size.cy - cyIcon + 1) / 2;
  const QImage icon = IconImage(IDR_MAINFRAME, cxIcon).convertToFormat(QImage::Format_ARGB32);
  int opaque = 0;
  for (int y = 0; y < cyIcon; ++y) {
    for (int x = 0; x < cxIcon; ++x) {
      const QRgb expected = icon.pixel(x, y);
      if (qAlpha(expected) != 255) continue;
      ++opaque;
      ASSERT_EQ(PixelAt(pixels, size, x0 + x, y0 + y), expected) << "icon pixel " << x << "," << y;
    }
  }
  EXPECT_GT(opaque, cxIcon * cyIcon / 4);
  // Where the icon is transparent, the erased background shows.
  EXPECT_EQ(PixelAt(pixels, size, 0, 0), WidgetOf(&dlg)->palette().window().color().rgba());

  dlg.ShowWindow(SW_RESTORE);
  simulate::PumpMessages();
  EXPECT_FALSE(dlg.IsIconic());
  EXPECT_EQ(dlg.sizes.back().type, SIZE_RESTORED);
}

TEST_F(MainWindowTest, TheFirstTabStopTakesTheFocusUnlessInitialisationKeepsItsOwn) {
  QWidget* window = WidgetOf(&dlg);
  EXPECT_EQ(window->focusWidget(), WidgetOf(dlg.GetDlgItem(IDC_SHAPE_BUTTON)));

  MainTestDlg keeps;
  keeps.initResult = FALSE;
  keeps.focusAtInit = IDC_SAVE_BUTTON;
  ASSERT_TRUE(keeps.Create(IDD_QUENNET_DIALOG));
  EXPECT_EQ(WidgetOf(&keeps)->focusWidget(), WidgetOf(keeps.GetDlgItem(IDC_SAVE_BUTTON)));
}

TEST_F(MainWindowTest, AddressLabelStandsOneCharacterPerLine) {
  const DialogTemplate* t = FindDialogTemplate(IDD_QUENNET_DIALOG);
  ASSERT_NE(t, nullptr);
  const DialogItemTemplate& label = t->items.back();
  ASSERT_EQ(label.id, IDC_STATIC);
  const std::string text = label.caption;
  ASSERT_FALSE(text.empty());
  for (size_t i = 0; i < text.size(); ++i) {
    EXPECT_EQ(text[i] == '\n', i % 2 == 1) << "at " << i;
  }
  // The label must hold every line: line height is the font height (8 dialog units).
  const size_t lines = (text.size() + 1) / 2;
  EXPECT_LE(lines * 8, static_cast<size_t>(label.cy));
}

TEST_F(MainWindowTest, ToolDialogIsOwnedAndOpensBesideItsOwner) {
  CDialog tool;
  ASSERT_TRUE(tool.Create(IDD_SHAPE_DIALOG, &dlg));
  EXPECT_EQ(tool.GetParent(), &dlg);
  EXPECT_FALSE(tool.IsWindowVisible()) << "the tool templates are not visible when created";
  QWidget* toolWindow = WidgetOf(&tool);
  EXPECT_TRUE(toolWindow->isWindow());
  EXPECT_EQ(toolWindow->windowType(), Qt::Tool);
  // A template at (0, 0) would cover the owner's buttons: it opens right of the owner.
  const QRect ownerFrame = WidgetOf(&dlg)->frameGeometry();
  EXPECT_EQ(toolWindow->pos(), QPoint(ownerFrame.right() + 1, ownerFrame.top()));
  tool.ShowWindow(SW_SHOWNORMAL);
  EXPECT_TRUE(tool.IsWindowVisible());
}

TEST_F(MainWindowTest, ToolWindowsOpenWhollyOnTheScreenWhereverTheOwnerIs) {
  QWidget* owner = WidgetOf(&dlg);
  const QRect screen = owner->screen()->availableGeometry();
  const QSize size = owner->frameGeometry().size();
  const int midX = screen.center().x() - size.width() / 2;
  const int midY = screen.center().y() - size.height() / 2;
  const QPoint places[] = {{screen.left(), midY},
                           {screen.right() + 1 - size.width(), midY},
                           {midX, screen.top()},
                           {midX, screen.bottom() + 1 - size.height()}};
  for (const QPoint& place : places) {
    owner->move(place);
    // Both tool windows, the second opening beside the first.
    CDialog shape;
    CDialog material;
    ASSERT_TRUE(shape.Create(IDD_SHAPE_DIALOG, &dlg));
    shape.ShowWindow(SW_SHOWNORMAL);
    ASSERT_TRUE(material.Create(IDD_MATERIAL_DIALOG, &dlg));
    for (CDialog* tool : {&shape, &material}) {
      const QRect frame = WidgetOf(tool)->frameGeometry();
      EXPECT_TRUE(screen.contains(frame)) << "owner at " << place.x() << "," << place.y()
                                          << ": tool at " << frame.x() << "," << frame.y();
    }
  }
  // With room to the right of the owner, the first tool window opens there, level with it.
  owner->move(screen.topLeft());
  CDialog beside;
  ASSERT_TRUE(beside.Create(IDD_SHAPE_DIALOG, &dlg));
  EXPECT_EQ(WidgetOf(&beside)->pos(), QPoint(owner->frameGeometry().right() + 1, screen.top()));
}

}  // namespace
