#include "platform/MainQueue.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace quindle {

struct MainQueue::Impl {
    mutable std::mutex mutex;
    std::condition_variable wakeUp;
    std::deque<Task> tasks;
    std::function<void()> wake;
    unsigned long notifications { 0 }; // guarded by mutex
    std::atomic<std::thread::id> mainThread {};
    std::atomic<long long> recheckMilliseconds { MainQueue::defaultRecheckInterval.count() };

    // The first thread to drain the queue becomes main unless one was named already.
    void claimMainThreadIfUnset()
    {
        std::thread::id none {};
        mainThread.compare_exchange_strong(none, std::this_thread::get_id());
    }

    std::optional<Task> pop()
    {
        std::lock_guard lock(mutex);
        if (tasks.empty())
            return std::nullopt;
        Task task = std::move(tasks.front());
        tasks.pop_front();
        return task;
    }
};

MainQueue& MainQueue::shared()
{
    static MainQueue queue;
    return queue;
}

MainQueue::MainQueue()
    : m_impl(new Impl)
{
}

void MainQueue::dispatch(Task task)
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->tasks.push_back(std::move(task));
        wake = m_impl->wake;
    }
    m_impl->wakeUp.notify_all();
    if (wake)
        wake();
}

void MainQueue::setWakeHandler(std::function<void()> wake)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->wake = std::move(wake);
}

void MainQueue::setRecheckInterval(std::chrono::milliseconds interval)
{
    m_impl->recheckMilliseconds = std::max<long long>(1, interval.count());
}

void MainQueue::notify()
{
    {
        std::lock_guard lock(m_impl->mutex);
        ++m_impl->notifications;
    }
    m_impl->wakeUp.notify_all();
}

size_t MainQueue::runUntilIdle()
{
    m_impl->claimMainThreadIfUnset();
    size_t ran = 0;
    while (auto task = m_impl->pop()) {
        (*task)();
        ++ran;
    }
    return ran;
}

bool MainQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    m_impl->claimMainThreadIfUnset();
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (auto task = m_impl->pop()) {
            (*task)();
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return done();
        // The predicate may depend on state that changes without a dispatch (requests in
        // flight, for one), so the wait also ends after the recheck interval.
        auto recheck = now + std::chrono::milliseconds(m_impl->recheckMilliseconds.load());
        std::unique_lock lock(m_impl->mutex);
        unsigned long seen = m_impl->notifications;
        m_impl->wakeUp.wait_until(lock, std::min(deadline, recheck),
            [&] { return !m_impl->tasks.empty() || m_impl->notifications != seen; });
    }
}

size_t MainQueue::pending() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->tasks.size();
}

bool MainQueue::isMainThread() const
{
    return m_impl->mainThread.load() == std::this_thread::get_id();
}

void MainQueue::makeCurrentThreadMain()
{
    m_impl->mainThread = std::this_thread::get_id();
}

} // namespace quindle
