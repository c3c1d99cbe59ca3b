#include "platform/MainQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace quindle;

namespace {

// The queue is one per process: every test starts from an empty one.
MainQueue& emptyQueue()
{
    auto& queue = MainQueue::shared();
    queue.setWakeHandler({});
    queue.runUntilIdle();
    return queue;
}

} // namespace

TEST(MainQueueOrder, RunsTasksFirstInFirstOutAndWakesAfterEachDispatch)
{
    auto& queue = emptyQueue();
    std::mutex mutex;
    std::vector<size_t> pendingAtWake;
    queue.setWakeHandler([&] {
        std::lock_guard lock(mutex);
        pendingAtWake.push_back(queue.pending());
    });
    std::vector<int> order;
    queue.dispatch([&] {
        order.push_back(1);
        queue.dispatch([&] { order.push_back(4); });
    });
    std::thread other([&] { queue.dispatch([&] { order.push_back(2); }); });
    other.join();
    queue.dispatch([&] { order.push_back(3); });
    queue.setWakeHandler({});
    // The wake handler sees the task already queued, from any thread.
    EXPECT_EQ(pendingAtWake, (std::vector<size_t> { 1, 2, 3 }));
    EXPECT_EQ(queue.runUntilIdle(), 4u);
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3, 4 }));
    EXPECT_EQ(queue.pending(), 0u);
    EXPECT_EQ(queue.runUntilIdle(), 0u);
}

TEST(MainQueueThreads, TasksFromOtherThreadsRunOnTheMainThreadInTheirOrder)
{
    auto& queue = emptyQueue();
    queue.makeCurrentThreadMain();
    EXPECT_TRUE(queue.isMainThread());
    constexpr int threads = 4;
    constexpr int perThread = 200;
    std::vector<std::vector<int>> seen(threads);
    std::atomic<int> offMain { 0 };
    std::atomic<int> senderIsMain { 0 };
    int ran = 0;
    std::vector<std::thread> senders;
    for (int t = 0; t < threads; ++t) {
        senders.emplace_back([&, t] {
            senderIsMain += queue.isMainThread();
            for (int i = 0; i < perThread; ++i)
                queue.dispatch([&, t, i] {
                    if (!queue.isMainThread())
                        ++offMain;
                    seen[t].push_back(i);
                    ++ran;
                });
        });
    }
    bool finished = queue.runUntil([&] { return ran == threads * perThread; }, std::chrono::seconds(30));
    for (auto& sender : senders)
        sender.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(senderIsMain.load(), 0);
    EXPECT_EQ(offMain.load(), 0);
    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(perThread));
        for (int i = 0; i < perThread; ++i)
            EXPECT_EQ(seen[t][i], i);
    }
}

TEST(MainQueueRunUntil, EndsWhenDoneOnNotifyOrAtTheDeadline)
{
    auto& queue = emptyQueue();
    int ran = 0;
    queue.dispatch([&] { ++ran; });
    EXPECT_FALSE(queue.runUntil([] { return false; }, std::chrono::milliseconds(50)));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(queue.runUntil([] { return true; }, std::chrono::milliseconds(0)));
    // A task from another thread makes it done.
    bool done = false;
    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        queue.dispatch([&] { done = true; });
    });
    EXPECT_TRUE(queue.runUntil([&] { return done; }, std::chrono::seconds(30)));
    sender.join();
    // Notify wakes a wait without a task.
    queue.setRecheckInterval(std::chrono::hours(1));
    std::atomic<bool> flag { false };
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        flag = true;
        queue.notify();
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool finished = queue.runUntil([&] { return flag.load(); }, std::chrono::seconds(30));
    bool beforeDeadline = std::chrono::steady_clock::now() < deadline;
    setter.join();
    queue.setRecheckInterval(MainQueue::defaultRecheckInterval);
    EXPECT_TRUE(finished);
    EXPECT_TRUE(beforeDeadline) << "the wait ended only at its deadline, not on notify";
}
