// Allocation behaviour, seen through replaced global allocation functions: what the generator
// allocates per frame, what the containers allocate per change, and how an allocation
// failure is survived.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "TestMesh.h"
#include "geometry/ValueList.h"

namespace {

struct AllocStats {
  bool counting = false;
  long allocations = 0;
  long releases = 0;
  size_t lastSize = 0;
  // When positive, the nothrow allocation with this number (1 = the next) fails.
  long failAt = 0;
};
AllocStats g_stats;

void* Allocate(size_t size, bool mayFail) {
  if (g_stats.counting) {
    ++g_stats.allocations;
    g_stats.lastSize = size;
    if (mayFail && g_stats.failAt > 0 && --g_stats.failAt == 0) return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void Release(void* p) {
  if (!p) return;
  if (g_stats.counting) ++g_stats.releases;
  std::free(p);
}

void* AllocateOrThrow(size_t size) {
  void* p = Allocate(size, false);
  if (!p) throw std::bad_alloc();
  return p;
}

// Counts allocations made while it lives.
class Counting {
 public:
  explicit Counting(long failAt = 0) {
    g_stats = AllocStats{};
    g_stats.failAt = failAt;
    g_stats.counting = true;
  }
  ~Counting() { g_stats.counting = false; }
  long Allocations() const { return g_stats.allocations; }
  long Releases() const { return g_stats.releases; }
};

}  // namespace

void* operator new(size_t size) {
  return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
  return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, size_t) noexcept {
  Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Release(p);
}

namespace {

TEST(TorusAllocationTest, FramesWithUnchangedCountsAllocateNothing) {
  TestMesh mesh;
  TorusInputs::AtTime(0.0f).MakeOn(mesh);
  {
    Counting counting;
    for (int frame = 1; frame <= 20; ++frame) {
      TorusInputs in = TorusInputs::AtTime(frame * 0.37f);
      in.twistCount = frame < 10 ? 2.0f : 3.0f;  // a new twist is worked out in place
      in.minorRadius = 0.2f + frame * 0.01f;
      in.MakeOn(mesh);
    }
    EXPECT_EQ(counting.Allocations(), 0);
    EXPECT_EQ(counting.Releases(), 0);
  }

  // A new layout allocates once; the frames after it allocate nothing again.
  long afterChange;
  {
    Counting counting;
    TorusInputs::AtTime(1.0f).WithCounts(101, 78).MakeOn(mesh);
    afterChange = counting.Allocations();
    for (int frame = 0; frame < 5; ++frame) {
      TorusInputs::AtTime(2.0f + frame).WithCounts(101, 78).MakeOn(mesh);
    }
    EXPECT_EQ(counting.Allocations(), afterChange);
  }
  EXPECT_GT(afterChange, 0);
}

TEST(TorusAllocationTest, DestructionReleasesEverything) {
  Counting counting;
  {
    TestMesh mesh;
    mesh.m_HasTexCoords0 = TRUE;
    TorusInputs::AtTime(0.0f).MakeOn(mesh);
    TorusInputs::AtTime(0.0f).WithCounts(3, 3).MakeOn(mesh);
  }
  EXPECT_GT(counting.Allocations(), 0);
  EXPECT_EQ(counting.Releases(), counting.Allocations());
}

TEST(MeshAllocationTest, FailedVertexAllocationKeepsTheCountAtZero) {
  for (long failAt = 1; failAt <= 3; ++failAt) {
    SCOPED_TRACE(failAt);
    TestMesh mesh;
    mesh.m_HasTexCoords1 = TRUE;  // three arrays: positions, normals, second texture set
    mesh.SetVertexCount(4);
    Counting counting(failAt);
    EXPECT_EQ(mesh.SetVertexCount(10), 10);
    EXPECT_EQ(mesh.GetVertexCount(), 0);
    EXPECT_EQ(mesh.m_Positions, nullptr);
    EXPECT_EQ(mesh.m_Normals, nullptr);
    EXPECT_EQ(mesh.m_TexCoords1, nullptr);
    // The arrays of the old count and whatever the failed attempt got are all returned.
    EXPECT_EQ(counting.Releases(), counting.Allocations() - 1 + 3);
  }
  TestMesh mesh;
  Counting counting(1);
  EXPECT_EQ(mesh.SetIndexCount(12), 12);
  EXPECT_EQ(mesh.GetIndexCount(), 0);
  EXPECT_EQ(mesh.m_Indices, nullptr);
}

// Whichever allocation of a new layout fails, the mesh is left empty or whole, never with
// indices past its vertices, and the next frame builds it completely.
TEST(TorusAllocationTest, FailedAllocationLeavesAConsistentMesh) {
  long allocationsPerLayout;
  {
    TestMesh probe;
    TorusInputs::AtTime(0.0f).WithCounts(5, 6).MakeOn(probe);
    Counting counting;
    TorusInputs::AtTime(0.0f).WithCounts(7, 6).MakeOn(probe);
    allocationsPerLayout = counting.Allocations();
  }
  ASSERT_GT(allocationsPerLayout, 0);
  for (long failAt = 1; failAt <= allocationsPerLayout; ++failAt) {
    SCOPED_TRACE(failAt);
    TestMesh mesh;
    TorusInputs::AtTime(0.0f).WithCounts(5, 6).MakeOn(mesh);
    {
      Counting counting(failAt);
      TorusInputs::AtTime(1.0f).WithCounts(7, 6).MakeOn(mesh);
    }
    EXPECT_EQ(mesh.GetVertexCount(), 0);
    EXPECT_EQ(mesh.GetIndexCount(), 0);
    EXPECT_TRUE(mesh.m_PositionsChanged);

    const TorusInputs in = TorusInputs::AtTime(2.0f).WithCounts(7, 6);
    in.MakeOn(mesh);
    PlainTorus plain;
    in.MakeOn(plain);
    ASSERT_EQ(mesh.GetVertexCount(), 42);
    EXPECT_EQ(std::memcmp(mesh.m_Positions, plain.positions.data(), sizeof(Vec3) * 42), 0);
    EXPECT_EQ(std::memcmp(mesh.m_Normals, plain.normals.data(), sizeof(Vec3) * 42), 0);
    EXPECT_EQ(std::vector<uint16_t>(mesh.m_Indices, mesh.m_Indices + 252), plain.indices);
  }
}

TEST(ValueListAllocationTest, EveryChangeReallocatesToTheExactSize) {
  ValueList list;
  Counting counting;
  int dummy;
  for (int n = 1; n <= 4; ++n) {
    list.Append(&dummy, 1);
    EXPECT_EQ(counting.Allocations(), n);
    EXPECT_EQ(g_stats.lastSize, n * sizeof(void*));
  }
  list.Insert(&dummy, 1, 2);
  EXPECT_EQ(g_stats.lastSize, 6 * sizeof(void*));
  list.RemoveAt(0, 5);
  EXPECT_EQ(g_stats.lastSize, 1 * sizeof(void*));
  EXPECT_EQ(counting.Releases(), counting.Allocations() - 1);
  list.RemoveAll();
  EXPECT_EQ(counting.Releases(), counting.Allocations());
  list.RemoveAll();
  EXPECT_EQ(counting.Releases(), counting.Allocations());
}

}  // namespace
