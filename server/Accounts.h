#pragma once

#include "server/LoginThrottle.h"
#include "server/Storage.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

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
/// login, gone at logout and at a password change. `LoginThrottle` decides which attempts are
/// checked; refused ones are answered without checking the password. An unknown address costs
/// the same Argon2id check as a wrong password, so the time taken does not tell who has an account.
class Accounts {
public:
    static constexpr size_t maxPasswordLength = 1024;
    static constexpr size_t maxEmailLength = 254;
    /// Argon2id cost of new password hashes (libsodium's interactive limits).
    static unsigned long long defaultHashOpsLimit();
    static size_t defaultHashMemLimit();

    enum class LoginResult { Ok, WrongCredentials, TooManyAttempts };

    explicit Accounts(Storage& storage);

    /// Creates the account tables when missing.
    void migrate();

    /// New account; nullopt when the e-mail is taken or invalid.
    std::optional<int64_t> create(const std::string& email, const std::string& password, bool isRoot = false);
    /// The same with the password's hash made beforehand (by `hash`, on any thread, so several
    /// can be made at once).
    std::optional<int64_t> createHashed(const std::string& email, const std::string& hashed, bool isRoot = false);
    std::optional<int64_t> idOf(const std::string& email);
    std::optional<std::string> emailOf(int64_t userId);
    bool isRoot(int64_t userId);

    /// Checks the password as received; on success a new session token. `origin` is the client's
    /// network address for the per-origin limit ("" for none).
    LoginResult login(const std::string& email, const std::string& password, std::string* token, const std::string& origin = {});
    /// Ends the session of `token`; false when it was not a live session.
    bool logout(const std::string& token);
    std::optional<User> userForToken(const std::string& token);
    /// New password; every session of the account but `keptToken` ends.
    bool setPassword(int64_t userId, const std::string& password, const std::string& keptToken = {});

    /// Argon2id string of a password at the current cost.
    static std::string hash(const std::string& password);
    /// Cost of hashes made from now on; process-wide, like the other limits.
    static void setHashCost(unsigned long long opsLimit, size_t memLimit);
    static bool verify(const std::string& hash, const std::string& password);
    static std::string newToken();

    /// Changes the clock that the slow-down reads (tests).
    void setClock(std::function<std::chrono::steady_clock::time_point()> clock);
    const LoginThrottle& throttle() const { return m_throttle; }

private:
    std::chrono::steady_clock::time_point now();
    /// A hash at the current cost that no password matches, checked for unknown addresses.
    static std::string dummyHash();

    Storage& m_storage;
    std::mutex m_mutex;
    LoginThrottle m_throttle;
    std::function<std::chrono::steady_clock::time_point()> m_clock;
};

} // namespace quindle
