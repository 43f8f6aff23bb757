// The application object's message loop: the idle hook, modal loops, the quit message
// and the exit code.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

#include "FrameworkFixture.h"
#include "platform/framework/IconResource.h"
#include "platform/framework/qt/Icon.h"
#include "resources/Resource.h"

namespace {

class LoopApp : public CWinApp {
 public:
  std::function<BOOL(LONG)> idle = [](LONG) { return TRUE; };
  std::vector<LONG> counts;
  int exitCalls = 0;
  int exitOffset = 0;
  int initResult = TRUE;
  std::function<void()> init;

  BOOL InitInstance() override {
    if (init) init();
    return initResult;
  }
  BOOL OnIdle(LONG count) override {
    counts.push_back(count);
    return idle(count);
  }
  int ExitInstance() override {
    ++exitCalls;
    return CWinApp::ExitInstance() + exitOffset;
  }
};

class WinAppTest : public FrameworkTest {};

TEST_F(WinAppTest, IdleHookRunsRepeatedlyUntilTheQuitMessage) {
  LoopApp app;
  app.idle = [&app](LONG) {
    if (app.counts.size() == 50) PostQuitMessage(7);
    return TRUE;
  };
  EXPECT_EQ(app.Run(), 7);
  EXPECT_EQ(app.counts.size(), 50u) << "no idle call once the quit message is posted";
  EXPECT_EQ(app.exitCalls, 1);
  // Always asking for more: the count keeps rising.
  for (size_t i = 0; i < app.counts.size(); ++i) EXPECT_EQ(app.counts[i], static_cast<LONG>(i));
}

TEST_F(WinAppTest, ExitCodeComesFromExitInstance) {
  LoopApp app;
  app.exitOffset = 42;
  app.idle = [](LONG) {
    PostQuitMessage(0);
    return TRUE;
  };
  EXPECT_EQ(app.Run(), 42);
}

TEST_F(WinAppTest, WaitingEventsAreHandledBeforeEachIdleCall) {
  LoopApp app;
  CDialog dlg;
  ASSERT_TRUE(dlg.Create(IDD_MATERIAL_DIALOG));
  dlg.ShowWindow(SW_SHOW);
  QWidget* window = WidgetOf(&dlg);
  // Escape is waiting before the loop starts: the first idle call sees it handled.
  QCoreApplication::postEvent(window,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  std::vector<bool> visibleAtIdle;
  int postedHandledAt = -1;
  app.idle = [&](LONG) {
    visibleAtIdle.push_back(dlg.IsWindowVisible() != FALSE);
    const int call = static_cast<int>(app.counts.size());
    if (call == 3) {
      QTimer::singleShot(
          0, [&postedHandledAt, &app] { postedHandledAt = static_cast<int>(app.counts.size()); });
    }
    if (call == 10) PostQuitMessage(0);
    return TRUE;
  };
  EXPECT_EQ(app.Run(), 0);
  ASSERT_FALSE(visibleAtIdle.empty());
  EXPECT_FALSE(visibleAtIdle.front());
  EXPECT_EQ(postedHandledAt, 3) << "work posted during idle call 3 ran before idle call 4";
}

TEST_F(WinAppTest, NoIdleCallsWhileAModalMessageBoxRuns) {
  LoopApp app;
  int answer = 0;
  size_t idleAtOpen = 0, idleAtClose = 0;
  int ticksInsideModal = 0;
  QTimer ticker;
  ticker.setInterval(2);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    if (++ticksInsideModal == 1) idleAtOpen = app.counts.size();
    if (ticksInsideModal < 10) return;
    idleAtClose = app.counts.size();
    box->button(QMessageBox::Cancel)->click();
  });
  app.idle = [&](LONG) {
    const size_t call = app.counts.size();
    if (call == 2) {
      ticker.start();
      // The box opens from an event handler, as the program's commands do.
      QTimer::singleShot(0, [&] { answer = MessageBoxA(nullptr, "text", "caption", MB_OKCANCEL); });
    }
    if (answer != 0 && call > 20) PostQuitMessage(0);
    return TRUE;
  };
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_GE(ticksInsideModal, 10) << "the modal loop handled timer events";
  EXPECT_EQ(idleAtOpen, idleAtClose) << "the idle hook was called while the box was open";
  EXPECT_GT(app.counts.size(), idleAtClose) << "idle calls resume after the box";
}

TEST_F(WinAppTest, BaseIdleWorkIsDoneAfterOneCallAndTheLoopWaits) {
  LoopApp app;
  app.idle = [&app](LONG count) { return app.CWinApp::OnIdle(count); };
  // Two events to wait for: the first only wakes the loop, the second quits.
  QTimer::singleShot(30, [] {});
  QTimer::singleShot(80, [] { PostQuitMessage(0); });
  EXPECT_EQ(app.Run(), 0);
  ASSERT_GE(app.counts.size(), 4u);
  for (size_t i = 0; i < app.counts.size(); ++i) {
    EXPECT_EQ(app.counts[i], static_cast<LONG>(i % 2)) << "idle calls restart at 0 after each wait";
  }
}

TEST_F(WinAppTest, QuitPostedDuringStartEndsTheLoopWithoutIdleCalls) {
  LoopApp app;
  app.init = [] { PostQuitMessage(5); };
  EXPECT_EQ(app.InitInstance(), TRUE);
  EXPECT_EQ(app.Run(), 5);
  EXPECT_TRUE(app.counts.empty());
}

TEST_F(WinAppTest, AfxWinMainRunsStartLoopAndExit) {
  LoopApp app;
  EXPECT_EQ(AfxGetApp(), &app);
  CDialog mainDialog;
  app.init = [&app, &mainDialog] {
    app.m_pMainWnd = &mainDialog;
    mainDialog.Create(IDD_MATERIAL_DIALOG);
    mainDialog.ShowWindow(SW_SHOWNORMAL);
  };
  app.idle = [&app](LONG) {
    // Closing the main window ends the program: destroying it posts the quit message.
    if (app.counts.size() == 3) app.m_pMainWnd->DestroyWindow();
    return TRUE;
  };
  char name[] = "quennet_framework_tests";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(AfxWinMain(1, argv), 0);
  EXPECT_EQ(app.counts.size(), 3u);
  EXPECT_EQ(app.exitCalls, 1);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  EXPECT_EQ(mainDialog.m_hWnd, nullptr);
}

TEST_F(WinAppTest, FailedStartSkipsTheLoop) {
  LoopApp app;
  app.initResult = FALSE;
  app.exitOffset = 3;
  char* argv[] = {nullptr};
  EXPECT_EQ(AfxWinMain(0, argv), 3);
  EXPECT_TRUE(app.counts.empty());
  EXPECT_EQ(app.exitCalls, 1);
}

TEST_F(WinAppTest, ApplicationIconHasThreeSizes) {
  LoopApp app;
  HICON icon = app.LoadIcon(IDR_MAINFRAME);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon, LoadIconA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME))) << "one shared handle";
  EXPECT_EQ(app.LoadIcon(129), nullptr);
  EXPECT_EQ(app.LoadIcon("named"), nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);
  const QList<QSize> sizes = icon->icon.availableSizes();
  for (int size : {16, 32, 48}) {
    EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    // The pictures under resources/, compiled in.
    const QString file = QStringLiteral(QUENNET_SOURCE_DIR "/src/resources/icon-%1.png").arg(size);
    const QImage expected(file);
    ASSERT_FALSE(expected.isNull()) << file.toStdString();
    EXPECT_EQ(IconImage(IDR_MAINFRAME, size).convertToFormat(QImage::Format_ARGB32),
              expected.convertToFormat(QImage::Format_ARGB32))
        << size;
  }
}

TEST_F(WinAppTest, EachRegisteredIconHasItsOwnHandleAndPictures) {
  LoopApp app;
  static constexpr const char* kPictures[] = {QUENNET_SOURCE_DIR "/src/resources/icon-16.png"};
  EXPECT_EQ(app.LoadIcon(500), nullptr);
  RegisterIcon(500, kPictures);
  HICON icon = app.LoadIcon(500);
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(icon, app.LoadIcon(IDR_MAINFRAME));
  EXPECT_EQ(icon->icon.availableSizes(), QList<QSize>{QSize(16, 16)});
  EXPECT_TRUE(IconImage(500, 32).isNull()) << "no picture of that size";
}

}  // namespace
