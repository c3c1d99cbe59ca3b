#include "server/Accounts.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace quindle {

namespace {

std::string lowered(const std::string& text)
{
    std::string out = text;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool plausibleEmail(const std::string& email)
{
    auto at = email.find('@');
    return !email.empty() && email.size() <= Accounts::maxEmailLength && at != std::string::npos && at > 0
        && at + 1 < email.size() && email.find_first_of(" \t\r\n") == std::string::npos;
}

} // namespace

Accounts::Accounts(Storage& storage)
    : m_storage(storage)
    , m_clock([] { return std::chrono::steady_clock::now(); })
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
}

void Accounts::migrate()
{
    m_storage.migrate("accounts", {
        "CREATE TABLE users (id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE, password_hash TEXT NOT NULL,"
        " is_root INTEGER NOT NULL DEFAULT 0, created TEXT NOT NULL DEFAULT '');"
        "CREATE TABLE sessions (id INTEGER PRIMARY KEY, token TEXT NOT NULL UNIQUE, user_id INTEGER NOT NULL REFERENCES users(id),"
        " created TEXT NOT NULL DEFAULT '');"
        "CREATE INDEX sessions_user ON sessions(user_id);",
    });
}

std::string Accounts::hash(const std::string& password)
{
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw std::runtime_error("out of memory hashing a password");
    return out;
}

bool Accounts::verify(const std::string& hashText, const std::string& password)
{
    return crypto_pwhash_str_verify(hashText.c_str(), password.data(), password.size()) == 0;
}

std::string Accounts::newToken()
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return hex;
}

std::optional<int64_t> Accounts::create(const std::string& email, const std::string& password, bool root)
{
    if (!plausibleEmail(email) || password.empty() || password.size() > maxPasswordLength)
        return std::nullopt;
    std::string hashed = hash(password);
    std::optional<int64_t> id;
    m_storage.transaction([&] {
        if (!m_storage.query("SELECT id FROM users WHERE email = ?", { lowered(email) }).empty())
            return;
        m_storage.execute("INSERT INTO users (email, password_hash, is_root) VALUES (?, ?, ?)",
            { lowered(email), hashed, int64_t(root ? 1 : 0) });
        id = m_storage.lastInsertId();
    });
    return id;
}

std::optional<int64_t> Accounts::idOf(const std::string& email)
{
    auto rows = m_storage.query("SELECT id FROM users WHERE email = ?", { lowered(email) });
    if (rows.empty())
        return std::nullopt;
    return Storage::integer(rows[0][0]);
}

std::optional<std::string> Accounts::emailOf(int64_t userId)
{
    auto rows = m_storage.query("SELECT email FROM users WHERE id = ?", { userId });
    if (rows.empty())
        return std::nullopt;
    return Storage::text(rows[0][0]);
}

bool Accounts::isRoot(int64_t userId)
{
    auto rows = m_storage.query("SELECT is_root FROM users WHERE id = ?", { userId });
    return !rows.empty() && Storage::integer(rows[0][0]) != 0;
}

Accounts::LoginResult Accounts::login(const std::string& email, const std::string& password, std::string* token)
{
    std::string key = lowered(email);
    {
        std::lock_guard lock(m_mutex);
        auto found = m_failures.find(key);
        if (found != m_failures.end() && m_clock() < found->second.retryAt)
            return LoginResult::TooManyAttempts;
    }
    auto rows = m_storage.query("SELECT id, password_hash FROM users WHERE email = ?", { key });
    bool ok = !rows.empty() && password.size() <= maxPasswordLength && verify(Storage::text(rows[0][1]), password);
    if (!ok) {
        std::lock_guard lock(m_mutex);
        // Unknown addresses are slowed too, so the wait does not tell which accounts exist;
        // the table is bounded so a flood of made-up addresses cannot grow it without end.
        if (m_failures.size() >= maxTrackedAccounts)
            m_failures.clear();
        Failures& failures = m_failures[key];
        ++failures.count;
        if (failures.count >= maxFailuresBeforeDelay) {
            int doublings = std::min(failures.count - maxFailuresBeforeDelay, 16);
            auto delay = std::min<std::chrono::seconds>(failureDelay * (1 << doublings), maxFailureDelay);
            failures.retryAt = m_clock() + delay;
        }
        return LoginResult::WrongCredentials;
    }
    {
        std::lock_guard lock(m_mutex);
        m_failures.erase(key);
    }
    std::string fresh = newToken();
    int64_t userId = Storage::integer(rows[0][0]);
    m_storage.execute("INSERT INTO sessions (token, user_id) VALUES (?, ?)", { fresh, userId });
    if (token)
        *token = fresh;
    return LoginResult::Ok;
}

bool Accounts::logout(const std::string& token)
{
    if (token.empty())
        return false;
    return m_storage.execute("DELETE FROM sessions WHERE token = ?", { token }) > 0;
}

std::optional<User> Accounts::userForToken(const std::string& token)
{
    if (token.size() != 64)
        return std::nullopt;
    auto rows = m_storage.query(
        "SELECT users.id, users.email, users.is_root FROM sessions JOIN users ON users.id = sessions.user_id"
        " WHERE sessions.token = ?",
        { token });
    if (rows.empty())
        return std::nullopt;
    return User { Storage::integer(rows[0][0]), Storage::text(rows[0][1]), token, Storage::integer(rows[0][2]) != 0 };
}

bool Accounts::setPassword(int64_t userId, const std::string& password)
{
    if (password.empty() || password.size() > maxPasswordLength)
        return false;
    return m_storage.execute("UPDATE users SET password_hash = ? WHERE id = ?", { hash(password), userId }) > 0;
}

void Accounts::setClock(std::function<std::chrono::steady_clock::time_point()> clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

} // namespace quindle
