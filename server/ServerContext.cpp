#include "server/ServerContext.h"

#include "platform/JsonWriter.h"

#include "server/Http.h"

#include <sodium.h>

#include <ctime>

namespace quindle {

ServerContext::ServerContext(Storage& storageIn, Accounts& accountsIn)
    : storage(storageIn)
    , accounts(accountsIn)
{
    storage.migrate("images", {
        "CREATE TABLE images (id INTEGER PRIMARY KEY, owner_id INTEGER NOT NULL DEFAULT 0, bytes BLOB NOT NULL,"
        " created TEXT NOT NULL DEFAULT '');",
        // Pictures stored before tokens existed get one here, so they keep an address.
        "ALTER TABLE images ADD COLUMN token TEXT;"
        "UPDATE images SET token = lower(hex(randomblob(16))) WHERE token IS NULL;"
        "CREATE UNIQUE INDEX images_token ON images(token);",
    });
}

std::string ServerContext::publicHost() const
{
    std::lock_guard lock(m_mutex);
    return m_publicHost;
}

void ServerContext::setPublicHost(std::string host)
{
    std::lock_guard lock(m_mutex);
    m_publicHost = std::move(host);
}

void ServerContext::sendJson(ServerResponse& res, const JsonValue& value, int status)
{
    res.status = status;
    auto text = JsonWriter::write(value);
    if (!text) {
        res.status = 500;
        text = "{\"Error\":\"reply cannot be written\"}";
    }
    res.setContent(std::move(*text), "application/json; charset=utf-8");
}

void ServerContext::sendMessage(ServerResponse& res, JsonValue content)
{
    auto reply = JsonObject::create();
    reply->set("Message", std::move(content));
    sendJson(res, reply);
}

void ServerContext::sendError(ServerResponse& res, int status, const std::string& message)
{
    auto reply = JsonObject::create();
    reply->set("Error", message);
    sendJson(res, reply, status);
}

namespace {

std::string trimmed(std::string_view text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

} // namespace

std::optional<User> ServerContext::caller(const ServerRequest& req) const
{
    std::vector<std::string> candidates;
    if (req.hasHeader("wibble"))
        candidates.push_back(trimmed(req.headerValue("wibble")));
    // "Cookies" carries cookie values only, comma-joined.
    for (size_t i = 0, n = req.headerValueCount("Cookies"); i < n; ++i) {
        std::string all = req.headerValue("Cookies", i);
        size_t start = 0;
        while (start <= all.size()) {
            size_t comma = all.find(',', start);
            if (comma == std::string_view::npos)
                comma = all.size();
            candidates.push_back(trimmed(all.substr(start, comma - start)));
            start = comma + 1;
        }
    }
    for (size_t i = 0, n = req.headerValueCount("Cookie"); i < n; ++i) {
        std::string all = req.headerValue("Cookie", i);
        size_t start = 0;
        while (start < all.size()) {
            size_t semi = all.find(';', start);
            if (semi == std::string_view::npos)
                semi = all.size();
            std::string pair = trimmed(all.substr(start, semi - start));
            if (pair.rfind("token=", 0) == 0)
                candidates.push_back(pair.substr(6));
            start = semi + 1;
        }
    }
    for (const std::string& token : candidates) {
        if (token.empty())
            continue;
        if (auto user = accounts.userForToken(token))
            return user;
    }
    return std::nullopt;
}

User ServerContext::requireCaller(const ServerRequest& req) const
{
    auto user = caller(req);
    if (!user)
        throw BadRequest { "not logged in", 403 };
    return *user;
}

std::optional<int64_t> ServerContext::parseId(const std::string& text)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value <= 0)
        return std::nullopt;
    return value;
}

bool ServerContext::validUtf8(const std::string& text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr uint32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

int64_t ServerContext::requireId(const ServerRequest& req, const char* key)
{
    if (!req.hasParam(key))
        throw BadRequest { std::string("missing ") + key };
    auto id = parseId(req.paramValue(key));
    if (!id)
        throw BadRequest { std::string("bad ") + key };
    return *id;
}

std::optional<int64_t> ServerContext::optionalId(const ServerRequest& req, const char* key)
{
    if (!req.hasParam(key) || req.paramValue(key).empty())
        return std::nullopt;
    return requireId(req, key);
}

std::string ServerContext::requireText(const ServerRequest& req, const char* key, size_t maxLength)
{
    auto value = optionalText(req, key, maxLength);
    if (!value)
        throw BadRequest { std::string("missing ") + key };
    return *value;
}

std::optional<std::string> ServerContext::optionalText(const ServerRequest& req, const char* key, size_t maxLength)
{
    if (!req.hasParam(key))
        return std::nullopt;
    std::string value = req.paramValue(key);
    if (value.size() > maxLength)
        throw BadRequest { std::string(key) + " too long" };
    if (!validUtf8(value))
        throw BadRequest { std::string(key) + " is not UTF-8" };
    return value;
}

namespace {

bool isPicture(const std::string& bytes)
{
    auto starts = [&](std::string_view magic) { return bytes.size() >= magic.size() && bytes.compare(0, magic.size(), magic) == 0; };
    return starts("\xFF\xD8\xFF") || starts("\x89PNG\r\n\x1A\n") || starts("GIF87a") || starts("GIF89a");
}

} // namespace

int64_t ServerContext::storeImage(const std::string& bytes, int64_t ownerId)
{
    if (bytes.empty() || bytes.size() > maxImageBytes || !isPicture(bytes))
        return 0;
    unsigned char random[imageTokenLength / 2];
    randombytes_buf(random, sizeof random);
    char token[imageTokenLength + 1];
    sodium_bin2hex(token, sizeof token, random, sizeof random);
    int64_t id = 0;
    storage.transaction([&] {
        storage.execute("INSERT INTO images (owner_id, bytes, created, token) VALUES (?, ?, ?, ?)",
            { ownerId, bytes, nowText(), std::string(token) });
        id = storage.lastInsertId();
    });
    return id;
}

std::string ServerContext::imagePath(int64_t id) const
{
    auto rows = storage.query("SELECT token FROM images WHERE id = ?", { id });
    if (rows.empty())
        return {};
    return "/images/" + Storage::text(rows[0][0]) + ".jpg";
}

std::string ServerContext::imageUrl(int64_t id) const
{
    std::string path = imagePath(id);
    return path.empty() ? path : publicHost() + path;
}

std::string ServerContext::withHost(const std::string& address) const
{
    return address.starts_with("/images/") ? publicHost() + address : address;
}

std::optional<ServerContext::StoredImage> ServerContext::imageByToken(const std::string& token) const
{
    auto rows = storage.query("SELECT id, owner_id, bytes FROM images WHERE token = ?", { token });
    if (rows.empty())
        return std::nullopt;
    return StoredImage { Storage::integer(rows[0][0]), Storage::integer(rows[0][1]), Storage::text(rows[0][2]) };
}

std::string ServerContext::nowText()
{
    std::time_t t = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&t, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &utc);
    return buffer;
}

} // namespace quindle
