#pragma once

#include <chrono>
#include <functional>

namespace quindle {

/// The main queue: every screen, coordinator and the form engine run on it. Any thread may
/// `dispatch`; the thread that drains it (the Qt event loop, the term client, a test) is the
/// main thread.
class MainQueue {
public:
    using Task = std::function<void()>;
    /// How long `runUntil` waits at most before checking `done()` again when nothing is posted.
    static constexpr std::chrono::milliseconds defaultRecheckInterval { 20 };
    static MainQueue& shared();

    /// Posts work to run on the main thread, after everything already posted.
    void dispatch(Task task);
    /// Called (from any thread) after each dispatch, so that an event loop can wake and drain.
    void setWakeHandler(std::function<void()> wake);

    /// Runs what is queued now and what those tasks queue, until the queue is empty.
    /// Returns the number of tasks run.
    size_t runUntilIdle();
    /// Runs tasks as they come until `done()` is true (checked after each task and on wake-up)
    /// or the timeout passes. Returns whether `done()` became true.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    /// Wakes a waiting `runUntil` so that it checks `done()` now, without posting work.
    void notify();
    void setRecheckInterval(std::chrono::milliseconds interval);
    /// Tasks waiting to run.
    size_t pending() const;

    /// The thread that drains the queue marks itself main; true on that thread.
    bool isMainThread() const;
    void makeCurrentThreadMain();

private:
    MainQueue();
    struct Impl;
    Impl* m_impl;
};

} // namespace quindle
