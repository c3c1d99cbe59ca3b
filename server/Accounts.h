#pragma once

#include "server/Storage.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace quindle {

/// A logged-in user as the routes see it.
struct User {
    int64_t id = 0;
    std::string email;
    std::string token; ///< the session token the request carried
    bool isRoot = false;
};

/// Users, password hashes and sessions.
/// Passwords are kept only as Argon2id strings. Tokens are 32 random bytes in hex, new at every
/// login, gone at logout. After `maxFailuresBeforeDelay` failed logins in a row an account waits
/// `failureDelay` (doubling with each further failure, up to `maxFailureDelay`) before the next
/// attempt is checked; attempts inside that wait are refused without checking the password.
class Accounts {
public:
    static constexpr int maxFailuresBeforeDelay = 5;
    static constexpr std::chrono::seconds failureDelay { 1 };
    static constexpr std::chrono::seconds maxFailureDelay { 60 };
    static constexpr size_t maxPasswordLength = 1024;
    static constexpr size_t maxEmailLength = 254;
    /// Accounts whose failures are remembered at once.
    static constexpr size_t maxTrackedAccounts = 10000;

    enum class LoginResult { Ok, WrongCredentials, TooManyAttempts };

    explicit Accounts(Storage& storage);

    /// Creates the account tables when missing.
    void migrate();

    /// New account; nullopt when the e-mail is taken or invalid.
    std::optional<int64_t> create(const std::string& email, const std::string& password, bool isRoot = false);
    std::optional<int64_t> idOf(const std::string& email);
    std::optional<std::string> emailOf(int64_t userId);
    bool isRoot(int64_t userId);

    /// Checks the password as received; on success a new session token.
    LoginResult login(const std::string& email, const std::string& password, std::string* token);
    /// Ends the session of `token`; false when it was not a live session.
    bool logout(const std::string& token);
    std::optional<User> userForToken(const std::string& token);
    bool setPassword(int64_t userId, const std::string& password);

    /// Argon2id string of a password (interactive limits).
    static std::string hash(const std::string& password);
    static bool verify(const std::string& hash, const std::string& password);
    static std::string newToken();

    /// Changes the clock that the slow-down reads (tests).
    void setClock(std::function<std::chrono::steady_clock::time_point()> clock);

private:
    struct Failures {
        int count = 0;
        std::chrono::steady_clock::time_point retryAt {};
    };

    Storage& m_storage;
    std::mutex m_mutex;
    std::unordered_map<std::string, Failures> m_failures;
    std::function<std::chrono::steady_clock::time_point()> m_clock;
};

} // namespace quindle
