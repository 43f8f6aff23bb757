// The render-state block on its own: defaults, reset and the comparison with what was sent.
#include <gtest/gtest.h>

#include "render/RenderStateBlock.h"

namespace {

using B = RenderStateBlock;

TEST(RenderStateBlockTest, DefaultsRequestEveryEntry) {
  B block;
  for (int i = 0; i < B::kEntryCount; ++i) EXPECT_FALSE(block.IsFlagged(B::Entry(i))) << i;
  block.SetDefaults();
  for (int i = 0; i < B::kEntryCount; ++i) EXPECT_TRUE(block.IsFlagged(B::Entry(i))) << i;
  EXPECT_EQ(block.m_ResendAll, 0u);
  const DWORD expected[] = {2, 3, 1, 1, 2, 0, 0, 2, 1, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < B::kEntryCount; ++i) EXPECT_EQ(block.Value(B::Entry(i)), expected[i]) << i;
}

TEST(RenderStateBlockTest, ResetKeepsValuesAndClearsResendAll) {
  B block;
  block.Request(B::kZBias, 7);
  block.m_ResendAll = 1;
  block.Reset(0);
  EXPECT_EQ(block.m_ResendAll, 0u);
  EXPECT_FALSE(block.IsFlagged(B::kZBias));
  EXPECT_EQ(block.Value(B::kZBias), 7u);
  block.Reset(1);
  EXPECT_TRUE(block.IsFlagged(B::kCullMode));
  EXPECT_EQ(block.Value(B::kZBias), 7u);
}

TEST(RenderStateBlockTest, DiffFlagsOnlyRequestedEntriesThatDiffer) {
  B applied;
  applied.Request(B::kCullMode, B::kCullCounterClockwise);
  applied.Request(B::kFillMode, B::kFillSolid);

  B request;
  request.Request(B::kCullMode, B::kCullCounterClockwise);  // same as applied
  request.Request(B::kFillMode, B::kFillPoint);             // differs
  request.m_States[B::kShadeMode].m_Value = 9;              // differs but not requested
  request.m_ResendAll = 1;                                  // ignored in a request

  B changes;
  EXPECT_EQ(changes.Diff(&request, &applied), 1);
  EXPECT_FALSE(changes.IsFlagged(B::kCullMode));
  EXPECT_TRUE(changes.IsFlagged(B::kFillMode));
  EXPECT_FALSE(changes.IsFlagged(B::kShadeMode));
  EXPECT_EQ(changes.m_ResendAll, 0u);
  // The values come from the request, flagged or not.
  EXPECT_EQ(changes.Value(B::kFillMode), DWORD{B::kFillPoint});
  EXPECT_EQ(changes.Value(B::kShadeMode), 9u);

  applied.m_ResendAll = 1;
  EXPECT_EQ(changes.Diff(&request, &applied), 2);
  EXPECT_TRUE(changes.IsFlagged(B::kCullMode));
}

TEST(RenderStateBlockTest, DiffWithAMissingBlockChangesNothing) {
  B request;
  request.SetDefaults();
  B changes;
  changes.Request(B::kZBias, 5);
  EXPECT_EQ(changes.Diff(nullptr, &request), 0);
  EXPECT_EQ(changes.Diff(&request, nullptr), 0);
  EXPECT_TRUE(changes.IsFlagged(B::kZBias));
  EXPECT_EQ(changes.Value(B::kZBias), 5u);
}

TEST(RenderStateBlockTest, DiffMayWriteIntoItsOwnRequest) {
  B applied;
  B block;
  block.Request(B::kSpecular, 0);
  block.Request(B::kZFunc, 4);
  applied.m_States[B::kSpecular].m_Value = 0;
  EXPECT_EQ(block.Diff(&block, &applied), 1);
  EXPECT_TRUE(block.IsFlagged(B::kZFunc));
  EXPECT_FALSE(block.IsFlagged(B::kSpecular));
}

}  // namespace
