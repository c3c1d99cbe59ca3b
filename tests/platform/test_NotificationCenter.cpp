#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace quindle;

namespace {

struct Owner {
    int value { 0 };
};

} // namespace

// Delivery

TEST(NotificationPost, CallsObserversOfTheNameInRegistrationOrder)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::vector<int> order;
    center->addObserver(owner, "reloadData", [&] { order.push_back(1); });
    center->addObserver(owner, "SendForm", [&] { order.push_back(99); });
    center->addObserver(owner, "reloadData", [&] { order.push_back(2); });
    center->addObserver(std::make_shared<Owner>(), "reloadData", [&] { order.push_back(98); });
    center->addObserver(owner, "reloadData", [&] { order.push_back(3); });
    center->post("reloadData");
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
    center->post("SendForm");
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3, 99 }));
}

TEST(NotificationPost, NamesMatchExactly)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    int calls = 0;
    center->addObserver(owner, "reloadData", [&] { ++calls; });
    center->post("reloaddata");
    center->post("reloadData ");
    center->post("");
    EXPECT_EQ(calls, 0);
    center->post("reloadData");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationPost, RunsOnThePostingThread)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::thread::id seen;
    center->addObserver(owner, "x", [&] { seen = std::this_thread::get_id(); });
    std::thread::id poster;
    std::thread worker([&] {
        poster = std::this_thread::get_id();
        center->post("x");
    });
    worker.join();
    EXPECT_EQ(seen, poster);
}

TEST(NotificationPost, DefaultCenterIsOneInstance)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
    auto owner = std::make_shared<Owner>();
    int calls = 0;
    auto id = NotificationCenter::defaultCenter().addObserver(owner, "test.default", [&] { ++calls; });
    NotificationCenter::defaultCenter().post("test.default");
    NotificationCenter::defaultCenter().removeObserver(id);
    NotificationCenter::defaultCenter().post("test.default");
    EXPECT_EQ(calls, 1);
}

// Owners

TEST(NotificationOwner, ObserversOfGoneOwnersAreNeverCalled)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    auto other = std::make_shared<Owner>();
    int calls = 0;
    center->addObserver(owner, "x", [&] { ++calls; });
    center->addObserver(other, "x", [&] { calls += 10; });
    EXPECT_EQ(center->observerCount("x"), 2u);
    owner.reset();
    EXPECT_EQ(center->observerCount("x"), 1u);
    center->post("x");
    EXPECT_EQ(calls, 10);
}

TEST(NotificationOwner, GoneOwnerRegistersNothing)
{
    auto center = NotificationCenter::create();
    std::weak_ptr<Owner> gone;
    {
        auto owner = std::make_shared<Owner>();
        gone = owner;
    }
    int calls = 0;
    auto first = center->addObserver(gone, "x", [&] { ++calls; });
    auto second = center->addObserver(std::make_shared<Owner>(), "x", [&] { ++calls; });
    EXPECT_NE(first, second);
    center->post("x");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(center->observerCount("x"), 0u);
}

TEST(NotificationOwner, EmptyCallbackRegistersNothing)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    center->addObserver(owner, "x", nullptr);
    EXPECT_EQ(center->observerCount("x"), 0u);
    center->post("x");
}

TEST(NotificationOwner, OwnerStaysAliveWhileItsCallbackRuns)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> watch = owner;
    bool aliveInside = false;
    center->addObserver(owner, "x", [&] {
        owner.reset();
        aliveInside = !watch.expired();
    });
    center->post("x");
    EXPECT_TRUE(aliveInside);
    EXPECT_TRUE(watch.expired());
}

// Removal

TEST(NotificationRemove, ById)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::vector<int> calls;
    center->addObserver(owner, "x", [&] { calls.push_back(1); });
    auto second = center->addObserver(owner, "x", [&] { calls.push_back(2); });
    center->removeObserver(second);
    center->removeObserver(second);
    center->removeObserver(NotificationCenter::ObserverID(12345));
    center->post("x");
    EXPECT_EQ(calls, (std::vector<int> { 1 }));
}

TEST(NotificationRemove, ByOwnerAndByOwnerAndName)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    auto other = std::make_shared<Owner>();
    std::vector<std::string> calls;
    center->addObserver(owner, "a", [&] { calls.push_back("owner a"); });
    center->addObserver(owner, "b", [&] { calls.push_back("owner b"); });
    center->addObserver(other, "a", [&] { calls.push_back("other a"); });
    center->removeObserver(owner.get(), "a");
    center->post("a");
    center->post("b");
    EXPECT_EQ(calls, (std::vector<std::string> { "other a", "owner b" }));
    calls.clear();
    center->removeObserver(owner.get());
    center->post("a");
    center->post("b");
    EXPECT_EQ(calls, (std::vector<std::string> { "other a" }));
}

TEST(NotificationRemove, DestroyingACallbackMayCallTheCentre)
{
    // The capture's destructor runs when the observer is removed; it must not find the centre locked.
    struct Reentrant {
        NotificationCenter* center;
        size_t* seen;
        ~Reentrant() { *seen = center->observerCount("x"); }
    };
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    size_t seen = 99;
    auto capture = std::make_shared<Reentrant>(Reentrant { center.get(), &seen });
    auto id = center->addObserver(owner, "x", [capture] { });
    capture.reset();
    center->removeObserver(id);
    EXPECT_EQ(seen, 0u);
}

// Changes made by callbacks

TEST(NotificationReentry, CallbackRemovingALaterObserverStopsItsCall)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::vector<int> calls;
    NotificationCenter::ObserverID later = 0;
    center->addObserver(owner, "x", [&] {
        calls.push_back(1);
        center->removeObserver(later);
    });
    later = center->addObserver(owner, "x", [&] { calls.push_back(2); });
    center->addObserver(owner, "x", [&] { calls.push_back(3); });
    center->post("x");
    EXPECT_EQ(calls, (std::vector<int> { 1, 3 }));
}

TEST(NotificationReentry, CallbackRemovingItself)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    int calls = 0;
    NotificationCenter::ObserverID self = 0;
    self = center->addObserver(owner, "x", [&] {
        ++calls;
        center->removeObserver(self);
    });
    center->post("x");
    center->post("x");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationReentry, ObserverAddedDuringAPostWaitsForTheNext)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    int added = 0;
    bool once = false;
    center->addObserver(owner, "x", [&] {
        if (!once) {
            once = true;
            center->addObserver(owner, "x", [&] { ++added; });
        }
    });
    center->post("x");
    EXPECT_EQ(added, 0);
    center->post("x");
    EXPECT_EQ(added, 1);
}

TEST(NotificationReentry, CallbackMayPost)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
    std::vector<std::string> calls;
    center->addObserver(owner, "outer", [&] {
        calls.push_back("outer");
        center->post("inner");
    });
    center->addObserver(owner, "inner", [&] { calls.push_back("inner"); });
    center->addObserver(owner, "outer", [&] { calls.push_back("outer 2"); });
    center->post("outer");
    EXPECT_EQ(calls, (std::vector<std::string> { "outer", "inner", "outer 2" }));
}

TEST(NotificationReentry, CallbackReleasingALaterOwner)
{
    auto center = NotificationCenter::create();
    auto first = std::make_shared<Owner>();
    auto second = std::make_shared<Owner>();
    int secondCalls = 0;
    center->addObserver(first, "x", [&] { second.reset(); });
    center->addObserver(second, "x", [&] { ++secondCalls; });
    center->post("x");
    EXPECT_EQ(secondCalls, 0);
}

// Threads

TEST(NotificationThreads, PostingWhileAnotherThreadAddsAndRemoves)
{
    auto center = NotificationCenter::create();
    auto owner = std::make_shared<Owner>();
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
