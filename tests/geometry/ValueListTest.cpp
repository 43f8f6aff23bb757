#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "geometry/ValueList.h"

namespace {

ValueList::Value V(intptr_t n) {
  return reinterpret_cast<ValueList::Value>(n);
}

std::vector<intptr_t> Contents(ValueList& list) {
  std::vector<intptr_t> out;
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    out.push_back(reinterpret_cast<intptr_t>(list.ElementAt(i)));
  }
  return out;
}

ValueList& Fill(ValueList& list, std::initializer_list<intptr_t> values) {
  for (intptr_t v : values) list.Append(V(v), 1);
  return list;
}

using Values = std::vector<intptr_t>;

TEST(ValueListTest, AppendAndInsertPlaceCopiesInOrder) {
  ValueList list;
  EXPECT_EQ(list.GetData(), nullptr);
  list.Append(V(7), 3);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetSize(), 3);
  EXPECT_EQ(Contents(list), (Values{7, 7, 7}));

  list.Append(V(8), 0);
  list.Insert(V(9), 1, 0);
  EXPECT_EQ(Contents(list), (Values{7, 7, 7}));

  list.Insert(V(1), 0, 1);
  list.Insert(V(2), 2, 2);
  list.Insert(V(3), list.GetCount(), 1);
  EXPECT_EQ(Contents(list), (Values{1, 7, 2, 2, 7, 7, 3}));
  EXPECT_EQ(list.GetData()[2], V(2));

  list.ElementAt(1) = V(5);
  EXPECT_EQ(Contents(list), (Values{1, 5, 2, 2, 7, 7, 3}));
}

TEST(ValueListTest, RemoveAtKeepsTheRestInOrderAndIgnoresEmptyRanges) {
  ValueList list;
  Fill(list, {1, 2, 3, 4, 5});
  list.RemoveAt(1, 2);
  EXPECT_EQ(Contents(list), (Values{1, 4, 5}));

  list.RemoveAt(3, 1);   // position at the end
  list.RemoveAt(10, 1);  // far past the end
  list.RemoveAt(0, 0);
  list.RemoveAt(0, -2);
  EXPECT_EQ(Contents(list), (Values{1, 4, 5}));

  list.RemoveAt(2, 1);
  EXPECT_EQ(Contents(list), (Values{1, 4}));
  list.RemoveAt(0, 2);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetData(), nullptr);
}

TEST(ValueListTest, FindReportsTheFirstPositionOrMinusOne) {
  ValueList list;
  Fill(list, {4, 6, 8, 6});
  int32_t index = 99;
  EXPECT_TRUE(list.Find(V(6), index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(list.Contains(V(8)));

  EXPECT_FALSE(list.Find(V(5), index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(list.Contains(V(5)));

  ValueList empty;
  index = 3;
  EXPECT_FALSE(empty.Find(nullptr, index));
  EXPECT_EQ(index, -1);
}

// Records the calls that Truncate makes through the virtual table.
class RecordingList final : public ValueList {
 public:
  void RemoveAt(int32_t i, int32_t n) override {
    calls.push_back({i, n});
    ValueList::RemoveAt(i, n);
  }
  std::vector<std::pair<int32_t, int32_t>> calls;
};

TEST(ValueListTest, TruncateGoesThroughRemoveAt) {
  RecordingList list;
  Fill(list, {1, 2, 3, 4});
  list.Truncate(2);
  EXPECT_EQ(Contents(list), (Values{1, 2}));
  list.Truncate(0);
  EXPECT_EQ(list.GetCount(), 0);
  ASSERT_EQ(list.calls.size(), 2u);
  EXPECT_EQ(list.calls[0], std::make_pair(2, 2));
  EXPECT_EQ(list.calls[1], std::make_pair(0, 2));
}

TEST(ValueListTest, RemoveAllAndCopy) {
  ValueList list;
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);

  Fill(list, {1, 2, 3});
  ValueList copy;
  Fill(copy, {9});
  copy.Copy(list);
  EXPECT_EQ(Contents(copy), (Values{1, 2, 3}));
  EXPECT_NE(copy.GetData(), list.GetData());

  // The copy is independent of its source.
  list.ElementAt(0) = V(42);
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetData(), nullptr);
  EXPECT_EQ(Contents(copy), (Values{1, 2, 3}));

  copy.Copy(copy);
  EXPECT_EQ(Contents(copy), (Values{1, 2, 3}));

  copy.Copy(list);
  EXPECT_EQ(copy.GetCount(), 0);
  EXPECT_EQ(copy.GetData(), nullptr);
}

TEST(ValueListTest, CountsPastTheThirtyTwoBitRangeChangeNothing) {
  ValueList list;
  Fill(list, {1, 2});
  list.Append(V(3), INT32_MAX);
  list.Insert(V(3), 1, INT32_MAX - 1);
  EXPECT_EQ(Contents(list), (Values{1, 2}));
}

}  // namespace
