#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace quindle {

/// Who may try a password now.
/// Per account: after `maxFailuresBeforeDelay` failures in a row the account waits `failureDelay`,
/// doubling with each further failure up to `maxFailureDelay`. An account's failures are kept until
/// its wait is over and `failureMemory` has passed since its last failure. The table is bounded:
/// when full, the entry that expired first goes; when none has expired, addresses not in the table
/// are refused like a waiting account, so no flood of made-up addresses can free a locked one.
/// Per origin address: at most `maxAttemptsPerOrigin` attempts in each `originWindow`, in a table
/// bounded the same way.
/// Limits are process-wide, so the command line can set them before the server starts.
class LoginThrottle {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int defaultMaxFailuresBeforeDelay = 5;
    static constexpr std::chrono::seconds defaultFailureDelay { 1 };
    static constexpr std::chrono::seconds defaultMaxFailureDelay { 60 };
    /// Long beside the longest wait, so an account under attack stays tracked between attempts.
    static constexpr std::chrono::seconds defaultFailureMemory { 15 * 60 };
    static constexpr size_t defaultMaxTrackedAccounts = 10000;
    /// An office of a few hundred phones behind one NAT, each opening the app a few times an hour
    /// and mistyping now and then, stays well below 1000 in ten minutes; one origin guessing gets
    /// under two attempts a second.
    static constexpr int defaultMaxAttemptsPerOrigin = 1000;
    static constexpr std::chrono::seconds defaultOriginWindow { 10 * 60 };
    static constexpr size_t defaultMaxTrackedOrigins = 10000;

    static void setMaxFailuresBeforeDelay(int count);
    static int maxFailuresBeforeDelay();
    static void setFailureDelay(std::chrono::seconds delay);
    static std::chrono::seconds failureDelay();
    static void setMaxFailureDelay(std::chrono::seconds delay);
    static std::chrono::seconds maxFailureDelay();
    static void setFailureMemory(std::chrono::seconds memory);
    static std::chrono::seconds failureMemory();
    static void setMaxTrackedAccounts(size_t count);
    static size_t maxTrackedAccounts();
    static void setMaxAttemptsPerOrigin(int count);
    static int maxAttemptsPerOrigin();
    static void setOriginWindow(std::chrono::seconds window);
    static std::chrono::seconds originWindow();
    static void setMaxTrackedOrigins(size_t count);
    static size_t maxTrackedOrigins();

    /// Whether an attempt for `account` from `origin` ("" for none) may be checked at `now`; it
    /// counts against the origin. An admitted untracked account holds a table place until
    /// `failed` or `succeeded`.
    bool admit(const std::string& account, const std::string& origin, Clock::time_point now);
    void failed(const std::string& account, Clock::time_point now);
    void succeeded(const std::string& account);

    size_t trackedAccounts() const;
    size_t trackedOrigins() const;

private:
    struct Failures {
        int count = 0;
        Clock::time_point last {};
        Clock::time_point retryAt {};
        Clock::time_point expiresAt() const;
    };
    struct Window {
        Clock::time_point start {};
        int count = 0;
        Clock::time_point expiresAt() const;
    };

    template <typename Entry>
    static bool evictOldestExpired(std::unordered_map<std::string, Entry>& table, Clock::time_point now);
    bool admitOrigin(const std::string& origin, Clock::time_point now);

    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Failures> m_failures;
    std::unordered_map<std::string, Window> m_origins;
};

} // namespace quindle
