#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <numeric>
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

TEST(MainQueueOrder, RunsTasksFirstInFirstOutWakesAfterEachDispatchAndRunsUntilDoneNotifiedOrTheDeadline)
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
    EXPECT_EQ((std::tuple { queue.runUntilIdle(), order, queue.pending(), queue.runUntilIdle() }),
        (std::tuple { size_t(4), std::vector<int> { 1, 2, 3, 4 }, size_t(0), size_t(0) }));
    // Run-until ends when done, on notify, or at the deadline.
    int ran = 0;
    queue.dispatch([&] { ++ran; });
    EXPECT_FALSE(queue.runUntil([] { return false; }, std::chrono::milliseconds(50)));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(queue.runUntil([] { return true; }, std::chrono::milliseconds(0)));
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
    EXPECT_TRUE(finished && beforeDeadline) << "the wait ended only at its deadline, not on notify";
}

TEST(MainQueueThreads, TasksFromOtherThreadsRunOnTheMainThreadInTheirOrder)
{
    auto& queue = emptyQueue();
    queue.makeCurrentThreadMain();
    EXPECT_TRUE(queue.isMainThread());
    constexpr int threads = 4;
    constexpr int perThread = 200;
    std::vector<std::vector<int>> seen(threads);
    std::atomic<int> offMain { 0 }, senderIsMain { 0 };
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
    EXPECT_EQ((std::tuple { senderIsMain.load(), offMain.load() }), (std::tuple { 0, 0 }));
    std::vector<int> inOrder(perThread);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(seen, std::vector(threads, inOrder));
}

namespace {

// Observers are owned by any object; this one holds nothing.
struct Owner { };

/// A centre, an owner, and a log of which observers were called.
class Notifications : public ::testing::Test {
protected:
    NotificationCenter::ObserverID log(const std::shared_ptr<Owner>& who, const std::string& name, const std::string& tag)
    {
        return center->addObserver(who, name, [this, tag] { calls.push_back(tag); });
    }
    /// The observers called by posting these names, in order.
    std::vector<std::string> posted(std::initializer_list<const char*> names)
    {
        calls.clear();
        for (const char* name : names)
            center->post(name);
        return calls;
    }

    std::shared_ptr<NotificationCenter> center = NotificationCenter::create();
    std::shared_ptr<Owner> owner = std::make_shared<Owner>();
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

} // namespace

TEST_F(Notifications, PostCallsObserversOfTheExactNameInOrderUntilRemoved)
{
    log(owner, "reloadData", "1");
    log(owner, "SendForm", "send");
    log(owner, "reloadData", "2");
    log(std::make_shared<Owner>(), "reloadData", "gone");
    log(owner, "reloadData", "3");
    EXPECT_EQ(posted({ "reloaddata", "reloadData ", "" }), Calls {});
    EXPECT_EQ(posted({ "reloadData", "SendForm" }), (Calls { "1", "2", "3", "send" }));
    // Removal by id, by owner and name, and by owner.
    auto other = std::make_shared<Owner>();
    log(owner, "a", "owner a");
    auto twice = log(owner, "a", "owner a twice");
    log(owner, "b", "owner b");
    log(other, "a", "other a");
    for (auto id : { twice, twice, NotificationCenter::ObserverID(12345) })
        center->removeObserver(id);
    EXPECT_EQ(posted({ "a" }), (Calls { "owner a", "other a" }));
    center->removeObserver(owner.get(), "a");
    EXPECT_EQ(posted({ "a", "b" }), (Calls { "other a", "owner b" }));
    center->removeObserver(owner.get());
    EXPECT_EQ(posted({ "a", "b" }), (Calls { "other a" }));
}

TEST_F(Notifications, OnlyLiveOwnersWithCallbacksAreObserversAndOwnersOutliveTheirCallbacks)
{
    auto other = std::make_shared<Owner>();
    log(owner, "x", "owner");
    log(other, "x", "other");
    EXPECT_EQ(center->observerCount("x"), 2u);
    owner.reset();
    EXPECT_EQ(center->observerCount("x"), 1u);
    EXPECT_EQ(posted({ "x" }), (Calls { "other" }));
    // A gone owner or an empty callback registers nothing, though each still gets its own id.
    auto first = center->addObserver(std::weak_ptr<Owner>(), "y", [&] { calls.push_back("gone"); });
    auto second = center->addObserver(std::make_shared<Owner>(), "y", [&] { calls.push_back("temporary"); });
    auto third = center->addObserver(other, "y", nullptr);
    EXPECT_TRUE(first != second && second != third);
    EXPECT_EQ(posted({ "y", "x" }), (Calls { "other" }));
    EXPECT_EQ(center->observerCount("y"), 0u);
    // The owner stays alive while its callback runs.
    auto dying = std::make_shared<Owner>();
    std::weak_ptr<Owner> watch = dying;
    bool aliveInside = false;
    center->addObserver(dying, "z", [&] {
        dying.reset();
        aliveInside = !watch.expired();
    });
    center->post("z");
    EXPECT_TRUE(aliveInside && watch.expired());
    // The capture's destructor runs when the observer is removed; it must not find the centre locked.
    struct Reentrant {
        NotificationCenter* center;
        size_t* seen;
        ~Reentrant() { *seen = center->observerCount("w"); }
    };
    size_t seen = 99;
    auto capture = std::make_shared<Reentrant>(Reentrant { center.get(), &seen });
    auto id = center->addObserver(other, "w", [capture] { });
    capture.reset();
    center->removeObserver(id);
    EXPECT_EQ(seen, 0u);
}

TEST_F(Notifications, CallbacksChangingObserversAndPostingDuringAPost)
{
    // A callback removes a later observer and itself, and adds one that waits for the next post.
    NotificationCenter::ObserverID later = 0;
    NotificationCenter::ObserverID self = 0;
    self = center->addObserver(owner, "x", [&] {
        calls.push_back("first");
        center->removeObserver(later);
        center->removeObserver(self);
        log(owner, "x", "added");
    });
    later = log(owner, "x", "later");
    log(owner, "x", "last");
    EXPECT_EQ(posted({ "x", "x" }), (Calls { "first", "last", "last", "added" }));
    // A callback posts another name and releases a later owner.
    auto second = std::make_shared<Owner>();
    center->addObserver(owner, "outer", [&] {
        calls.push_back("outer");
        center->post("inner");
        second.reset();
    });
    log(owner, "inner", "inner");
    log(second, "outer", "released");
    log(owner, "outer", "outer 2");
    EXPECT_EQ(posted({ "outer" }), (Calls { "outer", "inner", "outer 2" }));
}

TEST_F(Notifications, PostingWhileAnotherThreadAddsAndRemovesAndTheDefaultCentreCallsOnThePostingThread)
{
    std::atomic<int> steady { 0 };
    center->addObserver(owner, "x", [&] { ++steady; });
    constexpr int posts = 2000;
    std::thread poster([&] {
        for (int i = 0; i < posts; ++i)
            center->post("x");
    });
    for (int i = 0; i < posts; ++i) {
        auto temporary = std::make_shared<Owner>();
        auto id = center->addObserver(temporary, "x", [] { });
        if (i % 2)
            center->removeObserver(id);
    }
    poster.join();
    EXPECT_EQ(steady.load(), posts);
    EXPECT_EQ(center->observerCount("x"), 1u);
    // The default centre is one instance and calls on the posting thread.
    auto& shared = NotificationCenter::defaultCenter();
    EXPECT_EQ(&shared, &NotificationCenter::defaultCenter());
    std::vector<std::thread::id> seen;
    auto id = shared.addObserver(owner, "test.default", [&] { seen.push_back(std::this_thread::get_id()); });
    std::thread::id posting;
    std::thread worker([&] {
        posting = std::this_thread::get_id();
        shared.post("test.default");
    });
    worker.join();
    shared.removeObserver(id);
    shared.post("test.default");
    EXPECT_EQ(seen, std::vector<std::thread::id> { posting });
}
