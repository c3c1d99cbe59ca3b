#pragma once

#include "platform/JsonValue.h"
#include "server/Accounts.h"
#include "server/Http.h"
#include "server/ReplyCache.h"
#include "server/Storage.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>


namespace quindle {

/// A request value failed validation; routes throw it and the server answers 400 with its text.
struct BadRequest {
    std::string message;
    int status = 400;
};

/// What every route handler shares: storage, accounts, the public address and reply helpers.
class ServerContext {
public:
    static constexpr size_t maxTextLength = 64 * 1024;
    static constexpr size_t maxNameLength = 1024;
    /// Largest stored picture.
    static constexpr size_t maxImageBytes = 12 * 1024 * 1024;

    ServerContext(Storage& storage, Accounts& accounts);

    Storage& storage;
    Accounts& accounts;
    /// Bodies of the busiest read replies (pages), valid until the next write.
    ReplyCache replyCache;

    /// "http://HOST:PORT", the prefix of absolute picture addresses.
    std::string publicHost() const;
    void setPublicHost(std::string host);

    /// Compact JSON with "application/json; charset=utf-8".
    static void sendJson(ServerResponse& res, const JsonValue& value, int status = 200);
    /// {"Message": content}.
    static void sendMessage(ServerResponse& res, JsonValue content);
    /// {"Error": message} with a 4xx or 5xx status.
    static void sendError(ServerResponse& res, int status, const std::string& message);

    /// The logged-in caller: token from "wibble", else from the "Cookies" values, else from the
    /// "token" cookie of the standard cookie header.
    std::optional<User> caller(const ServerRequest& req) const;
    /// The caller, or throws BadRequest 403.
    User requireCaller(const ServerRequest& req) const;

    /// Validated query readers; they throw BadRequest naming the key.
    static int64_t requireId(const ServerRequest& req, const char* key);
    static std::optional<int64_t> optionalId(const ServerRequest& req, const char* key);
    static std::string requireText(const ServerRequest& req, const char* key, size_t maxLength = maxTextLength);
    static std::optional<std::string> optionalText(const ServerRequest& req, const char* key, size_t maxLength = maxTextLength);
    /// Positive decimal id of at most 18 digits.
    static std::optional<int64_t> parseId(const std::string& text);
    static bool validUtf8(const std::string& text);

    /// A stored picture as its address names it.
    struct StoredImage {
        int64_t id = 0;
        int64_t ownerId = 0;
        std::string bytes;
    };

    /// Stores JPEG, PNG or GIF bytes under a new random token; 0 when they are none of those or too large.
    int64_t storeImage(const std::string& bytes, int64_t ownerId = 0);
    /// "HOST/images/TOKEN.jpg": the token is random, so one address does not lead to another.
    std::string imageUrl(int64_t id) const;
    /// "/images/TOKEN.jpg", for addresses kept before the host is known (demo documents).
    std::string imagePath(int64_t id) const;
    /// A kept "/images/..." path with the host put in front; any other text as it is.
    std::string withHost(const std::string& address) const;
    std::optional<StoredImage> imageByToken(const std::string& token) const;
    /// Hex characters of a picture token.
    static constexpr size_t imageTokenLength = 32;

    /// "YYYY-MM-DD HH:MM:SS" in UTC, the servers' date text.
    static std::string nowText();

private:
    mutable std::mutex m_mutex;
    std::string m_publicHost;
};

} // namespace quindle
