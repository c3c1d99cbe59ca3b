#pragma once

#include "platform/HttpClient.h"

#include <chrono>
#include <memory>

namespace quindle {

/// libcurl implementation: one worker thread drives a multi handle (concurrent transfers,
/// connection reuse, one shared cookie store), one callback thread delivers replies in order
/// of completion. Errors carry domain "HTTP" and curl's code.
class CurlHttpClient final : public HttpClient {
public:
    static constexpr std::chrono::milliseconds defaultConnectTimeout { 10'000 };
    static constexpr std::chrono::milliseconds defaultRequestTimeout { 60'000 };
    /// A transfer slower than `defaultStallBytesPerSecond` for this long has stalled and fails,
    /// so a reply that trickles cannot hold a screen for the whole request timeout.
    static constexpr std::chrono::seconds defaultStallTimeout { 15 };
    static constexpr long defaultStallBytesPerSecond = 16;
    static constexpr size_t defaultMaxResponseBytes = 256u * 1024 * 1024;
    /// Requests to one host beyond this many wait for a connection to come free.
    static constexpr long defaultMaxConnectionsPerHost = 6;

    CurlHttpClient();
    ~CurlHttpClient() override; // cancels outstanding transfers; their handlers get an error

    void setConnectTimeout(std::chrono::milliseconds t);
    void setRequestTimeout(std::chrono::milliseconds t);
    /// Whole seconds (at least 1): libcurl measures transfer speed per second.
    void setStallTimeout(std::chrono::seconds t);
    /// Bodies larger than this fail with an error instead of growing without bound.
    void setMaxResponseBytes(size_t bytes);
    void setMaxConnectionsPerHost(long connections);

    void send(HttpRequest request, Handler handler) override;
    size_t inFlight() const override;
    bool isCallbackThread() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace quindle
