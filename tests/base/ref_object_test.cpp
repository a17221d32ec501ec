#include "base/ref_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/ref_object_list.h"

namespace {

std::atomic<int> g_destroyed{0};

class Record : public CRefObject {
 protected:
  ~Record() override { ++g_destroyed; }
};

TEST(RefObjectTest, StartsAtOneAndDeletesOnceAtZero) {
  g_destroyed = 0;
  auto* r = new Record;
  EXPECT_EQ(r->RefCount(), 1);
  EXPECT_EQ(r->AddRef(), 2);
  EXPECT_EQ(r->Release(), 1);
  EXPECT_EQ(g_destroyed, 0);
  EXPECT_EQ(r->Release(), 0);
  EXPECT_EQ(g_destroyed, 1);
}

TEST(RefObjectTest, ConcurrentAddRefAndReleaseKeepTheCountExact) {
  g_destroyed = 0;
  auto* r = new Record;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([r] {
      for (int i = 0; i < 50000; ++i) {
        r->AddRef();
        r->Release();
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(r->RefCount(), 1);
  EXPECT_EQ(g_destroyed, 0);
  r->Release();
  EXPECT_EQ(g_destroyed, 1);
}

// A record whose count has reached zero must not be revived: AddRef answers 0.
TEST(RefObjectTest, AddRefAtZeroAddsNothing) {
  struct Spy : CRefObject {
    LONG* out;
    explicit Spy(LONG* o) : out(o) {}
    ~Spy() override { *out = AddRef(); }
  };
  LONG seen = -1;
  (new Spy(&seen))->Release();
  EXPECT_EQ(seen, 0);
}

TEST(RefObjectListTest, HoldsOneReferencePerEntryAndReleasesAll) {
  g_destroyed = 0;
  auto* shared = new Record;  // the test keeps its own reference
  {
    CRefObjectList<Record> list;
    list.AddTail(new Record);
    EXPECT_TRUE(list.AddShared(shared));
    list.AddTail(new Record);
    EXPECT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(shared->RefCount(), 2);
    list.RemoveAt(0);
    EXPECT_EQ(g_destroyed, 1);
    Record* detached = list.DetachAt(1);
    EXPECT_EQ(list.GetCount(), 1u);
    detached->Release();
    EXPECT_EQ(g_destroyed, 2);
  }
  EXPECT_EQ(g_destroyed, 2) << "the shared record is still ours";
  EXPECT_EQ(shared->RefCount(), 1);
  shared->Release();
  EXPECT_EQ(g_destroyed, 3);
}

TEST(RefObjectListTest, RefPtrSharesAndAdopts) {
  g_destroyed = 0;
  {
    auto a = base::RefPtr<Record>::Adopt(new Record);
    auto b = a;
    EXPECT_EQ(a->RefCount(), 2);
    auto c = base::RefPtr<Record>::Share(b.get());
    EXPECT_EQ(a->RefCount(), 3);
  }
  EXPECT_EQ(g_destroyed, 1);
}

}  // namespace
