#pragma once

#include "platform/Error.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quindle {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

/// A prepared request. Header names compare case-insensitively.
struct HttpRequest {
    std::string method { "GET" };
    std::string url;
    HttpHeaders headers;
    std::string body;
    /// Overrides the client's whole-request timeout for this request when set.
    std::optional<std::chrono::milliseconds> timeout;

    /// Replaces every value of the header with this one.
    void setHeader(const std::string& name, const std::string& value);
    /// Adds one more value; repeated values of one header are sent comma-joined in one field.
    void addHeader(const std::string& name, const std::string& value);
    /// The values of the header in order (empty when absent).
    std::vector<std::string> headerValues(const std::string& name) const;
    /// The values comma-joined, or nothing when the header is absent.
    std::optional<std::string> header(const std::string& name) const;
};

/// A finished exchange. `status` is 0 when no HTTP response arrived.
struct HttpResponse {
    long status { 0 };
    std::string url;         // the address the response came from
    HttpHeaders headers;     // every response header field, in order, repeated ones kept
    std::string body;

    std::vector<std::string> headerValues(const std::string& name) const;
};

/// A cookie read from a "Set-Cookie" field.
struct Cookie {
    std::string name;
    std::string value;
    std::string domain;
    std::string path;
};

/// The cookies that the "Set-Cookie" fields of a response set, in field order.
std::vector<Cookie> cookiesFromResponse(const HttpResponse& response);

/// Sends requests concurrently and delivers every reply on one background callback thread,
/// one at a time, never on the main queue. The handler is called exactly once per request.
class HttpClient {
public:
    using Handler = std::function<void(HttpResponse, std::optional<Error>)>;
    virtual ~HttpClient() = default;
    virtual void send(HttpRequest request, Handler handler) = 0;
    /// Requests sent whose handler has not yet returned.
    virtual size_t inFlight() const = 0;
    /// True when the calling thread is this client's callback thread.
    virtual bool isCallbackThread() const = 0;
};

} // namespace quindle
