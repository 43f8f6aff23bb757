// ApplyStates on a device: what is sent, in which order, with which device values, and
// what the applied block remembers.
#include "RendererFixture.h"

namespace {

using B = RenderStateBlock;

class ApplyStatesTest : public RendererTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateOnHardware(), 0);
    driver.Clear();
  }
  // The (state, value) texts of the SetRenderState calls since the last Clear.
  std::vector<std::string> Sent() const {
    std::vector<std::string> out;
    for (const auto& call : driver.CallsNamed("IDirect3DDevice3::SetRenderState"))
      out.push_back(call.args);
    return out;
  }
};

TEST_F(ApplyStatesTest, FrameRequestSendsElevenStatesEveryFrame) {
  B request;
  request.SetDefaults();
  request.Request(B::kCullMode, B::kCullCounterClockwise);
  request.Request(B::kFillMode, B::kFillSolid);
  const std::vector<std::string> frame = {"22, 3", "8, 3",  "14, 1", "7, 1",  "23, 2", "47, 0",
                                          "27, 0", "19, 2", "20, 1", "29, 1", "9, 2"};
  // A device was just made, so the applied block asks for everything to be sent again,
  // and nothing ever lowers that.
  ASSERT_NE(r.m_AppliedStates.m_ResendAll, 0u);
  for (int i = 0; i < 2; ++i) {
    driver.Clear();
    EXPECT_EQ(r.ApplyStates(&request), 0);
    EXPECT_EQ(Sent(), frame) << "frame " << i;
  }
  EXPECT_NE(r.m_AppliedStates.m_ResendAll, 0u);
  for (int i = 0; i < B::kEntryCount; ++i)
    EXPECT_EQ(r.m_AppliedStates.Value(B::Entry(i)), request.Value(B::Entry(i))) << i;
  EXPECT_EQ(r.ApplyStates(nullptr), 1);
}

TEST_F(ApplyStatesTest, OnlyDifferencesAreSentOnceResendAllIsDown) {
  B request;
  request.SetDefaults();
  r.ApplyStates(&request);
  r.m_AppliedStates.m_ResendAll = 0;

  driver.Clear();
  B cullOnly;
  cullOnly.Request(B::kCullMode, B::kCullCounterClockwise);
  EXPECT_EQ(r.ApplyStates(&cullOnly), 0);
  EXPECT_TRUE(Sent().empty());

  r.m_AppliedStates.m_ResendAll = 1;
  EXPECT_EQ(r.ApplyStates(&cullOnly), 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{"22, 3"});
  r.m_AppliedStates.m_ResendAll = 0;

  driver.Clear();
  B change;
  change.Request(B::kShadeMode, B::kShadeFlat);
  change.Request(B::kSpecular, 0);
  change.Request(B::kZWrite, 1);  // unchanged
  EXPECT_EQ(r.ApplyStates(&change), 0);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"29, 0", "9, 1"}));

  // The last nine entries are remembered without a device call.
  driver.Clear();
  B extras;
  for (int i = B::kDeviceEntryCount; i < B::kEntryCount; ++i) extras.Request(B::Entry(i), 40u + i);
  EXPECT_EQ(r.ApplyStates(&extras), 0);
  EXPECT_TRUE(Sent().empty());
  for (int i = B::kDeviceEntryCount; i < B::kEntryCount; ++i)
    EXPECT_EQ(r.m_AppliedStates.Value(B::Entry(i)), 40u + i);
}

TEST_F(ApplyStatesTest, ValuesAreMappedToDeviceValues) {
  struct Case {
    B::Entry entry;
    DWORD value;
    const char* sent;
  };
  const Case cases[] = {
      {B::kCullMode, 1, "22, 1"},   {B::kCullMode, 3, "22, 2"},
      {B::kCullMode, 0, "22, 3"},   {B::kCullMode, 7, "22, 3"},
      {B::kFillMode, 1, "8, 1"},    {B::kFillMode, 2, "8, 2"},
      {B::kFillMode, 0, "8, 3"},    {B::kZFunc, 1, "23, 1"},
      {B::kZFunc, 8, "23, 8"},      {B::kZFunc, 9, "23, 2"},
      {B::kZFunc, 0, "23, 2"},      {B::kZBias, 16, "47, 16"},
      {B::kZBias, 40, "47, 16"},    {B::kZBias, 0xFFFFFFFFu, "47, 16"},
      {B::kSrcBlend, 13, "19, 13"}, {B::kSrcBlend, 0, "19, 2"},
      {B::kSrcBlend, 14, "19, 2"},  {B::kDestBlend, 0, "20, 1"},
      {B::kDestBlend, 14, "20, 1"}, {B::kDestBlend, 5, "20, 5"},
      {B::kShadeMode, 1, "9, 1"},   {B::kShadeMode, 3, "9, 2"},
      {B::kAlphaBlend, 1, "27, 1"}, {B::kZEnable, 0, "7, 0"},
  };
  for (const Case& c : cases) {
    B request;
    request.Request(c.entry, c.value);
    driver.Clear();
    r.ApplyStates(&request);
    EXPECT_EQ(Sent(), std::vector<std::string>{c.sent}) << c.entry << " = " << c.value;
  }
}

TEST_F(ApplyStatesTest, ZBiasIsLimitedInTheAppliedBlockToo) {
  B request;
  request.Request(B::kZBias, 40);
  r.ApplyStates(&request);
  EXPECT_EQ(r.m_AppliedStates.Value(B::kZBias), 16u);
  request.Request(B::kZBias, static_cast<DWORD>(-3));
  r.ApplyStates(&request);
  EXPECT_EQ(r.m_AppliedStates.Value(B::kZBias), 16u);
  // The flags of the applied block are never touched.
  EXPECT_FALSE(r.m_AppliedStates.IsFlagged(B::kZBias));
}

TEST_F(ApplyStatesTest, EveryNewDeviceOrViewportRaisesResendAll) {
  r.m_AppliedStates.m_ResendAll = 0;
  window.Resize(kWidth + 2, kHeight);
  r.WindowSized();
  EXPECT_NE(r.m_AppliedStates.m_ResendAll, 0u);
  r.m_AppliedStates.m_ResendAll = 0;
  r.ReleaseViewport();
  r.CreateViewport();
  EXPECT_NE(r.m_AppliedStates.m_ResendAll, 0u);
}

}  // namespace
