#include "server/LoginThrottle.h"

#include <algorithm>
#include <atomic>

namespace quindle {

namespace {

using Seconds = std::chrono::seconds;

std::atomic<int> s_maxFailuresBeforeDelay { LoginThrottle::defaultMaxFailuresBeforeDelay };
std::atomic<Seconds::rep> s_failureDelay { LoginThrottle::defaultFailureDelay.count() };
std::atomic<Seconds::rep> s_maxFailureDelay { LoginThrottle::defaultMaxFailureDelay.count() };
std::atomic<Seconds::rep> s_failureMemory { LoginThrottle::defaultFailureMemory.count() };
std::atomic<size_t> s_maxTrackedAccounts { LoginThrottle::defaultMaxTrackedAccounts };
std::atomic<int> s_maxAttemptsPerOrigin { LoginThrottle::defaultMaxAttemptsPerOrigin };
std::atomic<Seconds::rep> s_originWindow { LoginThrottle::defaultOriginWindow.count() };
std::atomic<size_t> s_maxTrackedOrigins { LoginThrottle::defaultMaxTrackedOrigins };

} // namespace

void LoginThrottle::setMaxFailuresBeforeDelay(int count) { s_maxFailuresBeforeDelay = std::max(count, 1); }
int LoginThrottle::maxFailuresBeforeDelay() { return s_maxFailuresBeforeDelay; }
void LoginThrottle::setFailureDelay(Seconds delay) { s_failureDelay = delay.count(); }
Seconds LoginThrottle::failureDelay() { return Seconds(s_failureDelay); }
void LoginThrottle::setMaxFailureDelay(Seconds delay) { s_maxFailureDelay = delay.count(); }
Seconds LoginThrottle::maxFailureDelay() { return Seconds(s_maxFailureDelay); }
void LoginThrottle::setFailureMemory(Seconds memory) { s_failureMemory = memory.count(); }
Seconds LoginThrottle::failureMemory() { return Seconds(s_failureMemory); }
void LoginThrottle::setMaxTrackedAccounts(size_t count) { s_maxTrackedAccounts = std::max<size_t>(count, 1); }
size_t LoginThrottle::maxTrackedAccounts() { return s_maxTrackedAccounts; }
void LoginThrottle::setMaxAttemptsPerOrigin(int count) { s_maxAttemptsPerOrigin = std::max(count, 1); }
int LoginThrottle::maxAttemptsPerOrigin() { return s_maxAttemptsPerOrigin; }
void LoginThrottle::setOriginWindow(Seconds window) { s_originWindow = window.count(); }
Seconds LoginThrottle::originWindow() { return Seconds(s_originWindow); }
void LoginThrottle::setMaxTrackedOrigins(size_t count) { s_maxTrackedOrigins = std::max<size_t>(count, 1); }
size_t LoginThrottle::maxTrackedOrigins() { return s_maxTrackedOrigins; }

LoginThrottle::Clock::time_point LoginThrottle::Failures::expiresAt() const
{
    return std::max(retryAt, last + failureMemory());
}

LoginThrottle::Clock::time_point LoginThrottle::Window::expiresAt() const
{
    return start + originWindow();
}

template <typename Entry>
bool LoginThrottle::evictOldestExpired(std::unordered_map<std::string, Entry>& table, Clock::time_point now)
{
    // A scan only when the table is full; it costs far less than the password check that follows.
    auto oldest = table.end();
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (oldest == table.end() || it->second.expiresAt() < oldest->second.expiresAt())
            oldest = it;
    }
    if (oldest == table.end() || oldest->second.expiresAt() > now)
        return false;
    table.erase(oldest);
    return true;
}

bool LoginThrottle::admitOrigin(const std::string& origin, Clock::time_point now)
{
    auto found = m_origins.find(origin);
    if (found == m_origins.end()) {
        if (m_origins.size() >= maxTrackedOrigins() && !evictOldestExpired(m_origins, now))
            return false;
        found = m_origins.emplace(origin, Window { now, 0 }).first;
    } else if (found->second.expiresAt() <= now) {
        found->second = Window { now, 0 };
    }
    if (found->second.count >= maxAttemptsPerOrigin())
        return false;
    ++found->second.count;
    return true;
}

bool LoginThrottle::admit(const std::string& account, const std::string& origin, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    if (!origin.empty() && !admitOrigin(origin, now))
        return false;
    auto found = m_failures.find(account);
    if (found != m_failures.end())
        return now >= found->second.retryAt;
    if (m_failures.size() >= maxTrackedAccounts() && !evictOldestExpired(m_failures, now))
        return false;
    // The place is taken before the check, so checks running at once cannot overfill the table.
    m_failures.emplace(account, Failures { 0, now, {} });
    return true;
}

void LoginThrottle::failed(const std::string& account, Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    auto found = m_failures.find(account);
    if (found == m_failures.end()) {
        // Only when the place was given up meanwhile; never grow past the bound.
        if (m_failures.size() >= maxTrackedAccounts() && !evictOldestExpired(m_failures, now))
            return;
        found = m_failures.emplace(account, Failures {}).first;
    } else if (found->second.count > 0 && found->second.expiresAt() <= now) {
        found->second = Failures {};
    }
    Failures& failures = found->second;
    ++failures.count;
    failures.last = now;
    const int threshold = maxFailuresBeforeDelay();
    if (failures.count >= threshold) {
        int doublings = std::min(failures.count - threshold, 16);
        failures.retryAt = now + std::min<Seconds>(failureDelay() * (1 << doublings), maxFailureDelay());
    }
}

void LoginThrottle::succeeded(const std::string& account)
{
    std::lock_guard lock(m_mutex);
    m_failures.erase(account);
}

size_t LoginThrottle::trackedAccounts() const
{
    std::lock_guard lock(m_mutex);
    return m_failures.size();
}

size_t LoginThrottle::trackedOrigins() const
{
    std::lock_guard lock(m_mutex);
    return m_origins.size();
}

} // namespace quindle
