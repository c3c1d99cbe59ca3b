#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quindle;

namespace {

struct Owner {
    int value { 0 };
};

/// A centre, an owner, and a log of which observers were called.
class Notifications : public ::testing::Test {
protected:
    NotificationCenter::ObserverID log(const std::shared_ptr<Owner>& who, const std::string& name, const std::string& tag)
    {
        return center->addObserver(who, name, [this, tag] { calls.push_back(tag); });
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
    for (const char* near : { "reloaddata", "reloadData ", "" })
        center->post(near);
    EXPECT_TRUE(calls.empty());
    center->post("reloadData");
    EXPECT_EQ(calls, (Calls { "1", "2", "3" }));
    center->post("SendForm");
    EXPECT_EQ(calls, (Calls { "1", "2", "3", "send" }));
    // Removal by id, by owner and name, and by owner.
    calls.clear();
    auto other = std::make_shared<Owner>();
    log(owner, "a", "owner a");
    auto twice = log(owner, "a", "owner a twice");
    log(owner, "b", "owner b");
    log(other, "a", "other a");
    center->removeObserver(twice);
    center->removeObserver(twice);
    center->removeObserver(NotificationCenter::ObserverID(12345));
    center->post("a");
    EXPECT_EQ(calls, (Calls { "owner a", "other a" }));
    calls.clear();
    center->removeObserver(owner.get(), "a");
    center->post("a");
    center->post("b");
    EXPECT_EQ(calls, (Calls { "other a", "owner b" }));
    calls.clear();
    center->removeObserver(owner.get());
    center->post("a");
    center->post("b");
    EXPECT_EQ(calls, (Calls { "other a" }));
}

TEST_F(Notifications, DefaultCenterIsOneInstanceAndCallsOnThePostingThread)
{
    auto& shared = NotificationCenter::defaultCenter();
    EXPECT_EQ(&shared, &NotificationCenter::defaultCenter());
    std::vector<std::thread::id> seen;
    auto id = shared.addObserver(owner, "test.default", [&] { seen.push_back(std::this_thread::get_id()); });
    std::thread::id poster;
    std::thread worker([&] {
        poster = std::this_thread::get_id();
        shared.post("test.default");
    });
    worker.join();
    shared.removeObserver(id);
    shared.post("test.default");
    EXPECT_EQ(seen, std::vector<std::thread::id> { poster });
}

TEST_F(Notifications, OnlyLiveOwnersWithCallbacksAreObserversAndOwnersOutliveTheirCallbacks)
{
    auto other = std::make_shared<Owner>();
    log(owner, "x", "owner");
    log(other, "x", "other");
    EXPECT_EQ(center->observerCount("x"), 2u);
    owner.reset();
    EXPECT_EQ(center->observerCount("x"), 1u);
    center->post("x");
    EXPECT_EQ(calls, (Calls { "other" }));
    // A gone owner or an empty callback registers nothing, though each still gets its own id.
    auto first = center->addObserver(std::weak_ptr<Owner>(), "y", [&] { calls.push_back("gone"); });
    auto second = center->addObserver(std::make_shared<Owner>(), "y", [&] { calls.push_back("temporary"); });
    auto third = center->addObserver(other, "y", nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    center->post("y");
    EXPECT_EQ(center->observerCount("y"), 0u);
    EXPECT_EQ(calls, (Calls { "other" }));
    // The owner stays alive while its callback runs.
    auto dying = std::make_shared<Owner>();
    std::weak_ptr<Owner> watch = dying;
    bool aliveInside = false;
    center->addObserver(dying, "z", [&] {
        dying.reset();
        aliveInside = !watch.expired();
    });
    center->post("z");
    EXPECT_TRUE(aliveInside);
    EXPECT_TRUE(watch.expired());
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
    center->post("x");
    EXPECT_EQ(calls, (Calls { "first", "last" }));
    center->post("x");
    EXPECT_EQ(calls, (Calls { "first", "last", "last", "added" }));
    // A callback posts another name and releases a later owner.
    calls.clear();
    auto second = std::make_shared<Owner>();
    center->addObserver(owner, "outer", [&] {
        calls.push_back("outer");
        center->post("inner");
        second.reset();
    });
    log(owner, "inner", "inner");
    log(second, "outer", "released");
    log(owner, "outer", "outer 2");
    center->post("outer");
    EXPECT_EQ(calls, (Calls { "outer", "inner", "outer 2" }));
}

TEST_F(Notifications, PostingWhileAnotherThreadAddsAndRemoves)
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
}
