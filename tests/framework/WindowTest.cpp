// The Qt-free seams other layers use: tick counter, Sleep, message boxes, and the
// framework's value classes.
#include <gtest/gtest.h>

#include <string>

#include "FrameworkFixture.h"
#include "Overrides.h"

namespace {

TEST(TickCount, IsMonotonicAndAdvancesWithSleep) {
  SetTickCountSource(nullptr);
  SetSleepFunction(nullptr);
  DWORD previous = GetTickCount();
  for (int i = 0; i < 20; ++i) {
    const DWORD now = GetTickCount();
    EXPECT_GE(now, previous);
    previous = now;
  }
  const DWORD before = GetTickCount();
  Sleep(20);
  EXPECT_GE(GetTickCount() - before, 19u);
}

TEST(TickCount, SourceAndSleepAreReplaceable) {
  DWORD fake = 1000;
  SetTickCountSource([&fake] { return fake; });
  std::vector<DWORD> slept;
  SetSleepFunction([&](DWORD ms) {
    slept.push_back(ms);
    fake += ms;
  });
  EXPECT_EQ(GetTickCount(), 1000u);
  Sleep(1);
  Sleep(250);
  EXPECT_EQ(GetTickCount(), 1251u);
  EXPECT_EQ(slept, (std::vector<DWORD>{1, 250}));
  SetTickCountSource(nullptr);
  SetSleepFunction(nullptr);
  EXPECT_NE(GetTickCount(), 1251u);
}

TEST(TickCount, ReplacingReturnsWhatWasThereAndScopesPutItBack) {
  {
    testsupport::ScopedTickCount outer([] { return DWORD{7}; });
    {
      testsupport::ScopedTickCount inner([] { return DWORD{9}; });
      EXPECT_EQ(GetTickCount(), 9u);
    }
    EXPECT_EQ(GetTickCount(), 7u) << "the inner scope put the outer source back";
  }
  EXPECT_FALSE(SetTickCountSource(nullptr)) << "the system clock again";
  SetSleepFunction([](DWORD) {});
  EXPECT_TRUE(SetSleepFunction(nullptr));
  SetMessageBoxResponder([](HWND, const char*, const char*, UINT) { return IDYES; });
  const MessageBoxResponder responder = SetMessageBoxResponder(nullptr);
  ASSERT_TRUE(responder);
  EXPECT_EQ(responder(nullptr, "", "", MB_OK), IDYES);
}

TEST_F(FrameworkTest, MessageBoxResponderAnswersInsteadOfAUser) {
  std::string seen;
  SetMessageBoxResponder([&](HWND owner, const char* text, const char* caption, UINT type) {
    seen = std::string(caption) + "|" + text + "|" + std::to_string(type) + "|" +
           (owner ? "owner" : "none");
    return IDCANCEL;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "shortfall", "Direct3D", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(seen, "Direct3D|shortfall|1|none");
}

TEST(FrameworkValues, CStringFormatsAndConverts) {
  CString text;
  text.Format("%d", 101);
  EXPECT_EQ(text, "101");
  text.Format("%.2g", 100.0);
  EXPECT_EQ(std::string(static_cast<const char*>(text)), "1e+02");
  text += "!";
  EXPECT_EQ(text.GetLength(), 6);
  char* buffer = text.GetBuffer(32);
  std::snprintf(buffer, 33, "%s", "rewritten");
  text.ReleaseBuffer();
  EXPECT_EQ(text, "rewritten");
  CString empty(static_cast<const char*>(nullptr));
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(FrameworkValues, WordPackingKeepsSignedCoordinates) {
  const LPARAM packed = MAKELPARAM(static_cast<unsigned>(-20), 300);
  EXPECT_EQ(GET_X_LPARAM(packed), -20);
  EXPECT_EQ(GET_Y_LPARAM(packed), 300);
  EXPECT_EQ(LOWORD(MAKEWPARAM(1009, EN_CHANGE)), 1009);
  EXPECT_EQ(HIWORD(MAKEWPARAM(1009, EN_CHANGE)), EN_CHANGE);
  EXPECT_EQ(CRect(3, 4, 10, 20).Width(), 7);
  EXPECT_TRUE(IS_INTRESOURCE(MAKEINTRESOURCEA(128)));
  EXPECT_FALSE(IS_INTRESOURCE("name"));
}

}  // namespace
