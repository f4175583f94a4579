#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "wmi/RefPtr.h"

using wmibridge::CRefCounted;
using wmibridge::CRefPtr;

namespace {

struct Counted : CRefCounted {
    explicit Counted(std::atomic<int>& counter) : destroyed(counter) {}
    ~Counted() { ++destroyed; }
    std::atomic<int>& destroyed;
};

}  // namespace

TEST(RefPtr, CountFollowsCopiesAndTheLastDropDestroys)
{
    std::atomic<int> destroyed{0};
    {
        CRefPtr<Counted> first;
        EXPECT_TRUE(first.IsEmpty());
        first = new Counted(destroyed);
        EXPECT_EQ(first->RefCount(), 1);
        {
            CRefPtr<Counted> second(first);
            EXPECT_EQ(first->RefCount(), 2);
            CRefPtr<Counted> third;
            third = second;
            EXPECT_EQ(first->RefCount(), 3);
        }
        EXPECT_EQ(first->RefCount(), 1);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(RefPtr, AssignmentsToTheSameTargetChangeNothing)
{
    std::atomic<int> destroyed{0};
    CRefPtr<Counted> holder;
    auto* target = new Counted(destroyed);
    holder = target;
    holder = target;  // the same raw pointer again: no second reference
    EXPECT_EQ(holder->RefCount(), 1);
    CRefPtr<Counted> same(holder);
    holder = same;  // another CRefPtr to the same target
    EXPECT_EQ(holder->RefCount(), 2);
    holder = holder;
    EXPECT_EQ(holder->RefCount(), 2);
    EXPECT_EQ(destroyed, 0);
}

TEST(RefPtr, ReassignmentDropsThePreviousTarget)
{
    std::atomic<int> destroyed{0};
    CRefPtr<Counted> holder;
    holder = new Counted(destroyed);
    holder = new Counted(destroyed);
    EXPECT_EQ(destroyed, 1);
    CRefPtr<Counted> empty;
    holder = empty;
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(holder.IsEmpty());
}

TEST(RefPtr, SharedAcrossThreadsIsDestroyedExactlyOnce)
{
    std::atomic<int> destroyed{0};
    for (int round = 0; round < 20; ++round) {
        CRefPtr<Counted> shared;
        shared = new Counted(destroyed);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([copy = shared]() mutable {
                for (int i = 0; i < 2000; ++i) {
                    CRefPtr<Counted> local(copy);
                    CRefPtr<Counted> other;
                    other = local;
                }
            });
        }
        EXPECT_GE(shared->RefCount(), 1);
        shared = CRefPtr<Counted>();
        for (auto& thread : threads) {
            thread.join();
        }
    }
    EXPECT_EQ(destroyed, 20);
}
