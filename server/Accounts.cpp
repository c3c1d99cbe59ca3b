#include "server/Accounts.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>

namespace quindle {

namespace {

std::atomic<unsigned long long> s_hashOpsLimit { crypto_pwhash_OPSLIMIT_INTERACTIVE };
std::atomic<size_t> s_hashMemLimit { crypto_pwhash_MEMLIMIT_INTERACTIVE };

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

unsigned long long Accounts::defaultHashOpsLimit()
{
    return crypto_pwhash_OPSLIMIT_INTERACTIVE;
}

size_t Accounts::defaultHashMemLimit()
{
    return crypto_pwhash_MEMLIMIT_INTERACTIVE;
}

void Accounts::setHashCost(unsigned long long opsLimit, size_t memLimit)
{
    s_hashOpsLimit = std::max<unsigned long long>(opsLimit, crypto_pwhash_OPSLIMIT_MIN);
    s_hashMemLimit = std::max<size_t>(memLimit, crypto_pwhash_MEMLIMIT_MIN);
}

std::string Accounts::hash(const std::string& password)
{
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), s_hashOpsLimit, s_hashMemLimit) != 0)
        throw std::runtime_error("out of memory hashing a password");
    return out;
}

std::string Accounts::dummyHash()
{
    static std::mutex mutex;
    static std::string made;
    static std::pair<unsigned long long, size_t> madeCost;
    std::lock_guard lock(mutex);
    std::pair<unsigned long long, size_t> cost { s_hashOpsLimit, s_hashMemLimit };
    if (made.empty() || madeCost != cost) {
        made = hash(newToken());
        madeCost = cost;
    }
    return made;
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
    return createHashed(email, hash(password), root);
}

std::optional<int64_t> Accounts::createHashed(const std::string& email, const std::string& hashed, bool root)
{
    if (!plausibleEmail(email) || hashed.empty())
        return std::nullopt;
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

std::chrono::steady_clock::time_point Accounts::now()
{
    std::lock_guard lock(m_mutex);
    return m_clock();
}

Accounts::LoginResult Accounts::login(const std::string& email, const std::string& password, std::string* token, const std::string& origin)
{
    std::string key = lowered(email);
    // Unknown addresses are throttled too, so a refusal does not tell which accounts exist.
    if (!m_throttle.admit(key, origin, now()))
        return LoginResult::TooManyAttempts;
    auto rows = m_storage.query("SELECT id, password_hash FROM users WHERE email = ?", { key });
    bool matches = verify(rows.empty() ? dummyHash() : Storage::text(rows[0][1]), password);
    if (rows.empty() || !matches || password.size() > maxPasswordLength) {
        m_throttle.failed(key, now());
        return LoginResult::WrongCredentials;
    }
    m_throttle.succeeded(key);
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

bool Accounts::setPassword(int64_t userId, const std::string& password, const std::string& keptToken)
{
    if (password.empty() || password.size() > maxPasswordLength)
        return false;
    std::string hashed = hash(password);
    bool changed = false;
    // Whoever held another session may be the reason for the change, so those sessions end with it.
    m_storage.transaction([&] {
        changed = m_storage.execute("UPDATE users SET password_hash = ? WHERE id = ?", { hashed, userId }) > 0;
        if (changed)
            m_storage.execute("DELETE FROM sessions WHERE user_id = ? AND token <> ?", { userId, keptToken });
    });
    return changed;
}

void Accounts::setClock(std::function<std::chrono::steady_clock::time_point()> clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = std::move(clock);
}

} // namespace quindle
