#pragma once

// A loopback HTTP server for tests: it records every request it receives and answers as the
// test says. Binds 127.0.0.1 on a free port; stops when destroyed.

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quindle::test {

struct RecordedRequest {
    std::string method;
    std::string target; // path and query exactly as sent
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    /// The header's value, or an empty string; `count` tells how many fields carried it.
    std::string header(const std::string& name) const
    {
        auto found = std::find_if(headers.begin(), headers.end(), [&](auto& h) { return equalsIgnoringCase(h.first, name); });
        return found == headers.end() ? std::string() : found->second;
    }
    size_t headerCount(const std::string& name) const
    {
        return std::count_if(headers.begin(), headers.end(), [&](auto& h) { return equalsIgnoringCase(h.first, name); });
    }
    static bool equalsIgnoringCase(const std::string& a, const std::string& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
        });
    }
};

struct Reply {
    int status { 200 };
    std::string body { "{}" };
    std::string contentType { "application/json" };
    std::vector<std::pair<std::string, std::string>> headers;
    /// Sleeps this long before answering (for timeouts).
    std::chrono::milliseconds delay { 0 };
    /// Sends the headers and this many body bytes of a longer promised body, then drops the
    /// connection.
    std::optional<size_t> closeAfterBytes;
    /// Sends the headers, then the body one byte at a time with this pause between bytes.
    std::chrono::milliseconds trickle { 0 };
};

class RecordingServer {
public:
    using Responder = std::function<Reply(const RecordedRequest&)>;

    explicit RecordingServer(Responder responder = {})
        : m_responder(std::move(responder))
    {
        m_server.set_payload_max_length(256u * 1024 * 1024);
        m_server.set_keep_alive_max_count(1000);
        auto handle = [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); };
        m_server.Get(".*", handle);
        m_server.Post(".*", handle);
        m_server.Put(".*", handle);
        m_server.Delete(".*", handle);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // The socket listens once bound, so early connections wait in the backlog; waiting for
        // the accept loop as well keeps stop() from racing its start.
        while (m_port > 0 && !m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    ~RecordingServer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_cv.notify_all();
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    RecordingServer(const RecordingServer&) = delete;
    RecordingServer& operator=(const RecordingServer&) = delete;

    int port() const { return m_port; }
    /// "http://127.0.0.1:PORT" without a trailing slash.
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    void setResponder(Responder responder)
    {
        std::lock_guard lock(m_mutex);
        m_responder = std::move(responder);
    }

    std::vector<RecordedRequest> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    /// Waits until at least `n` requests arrived; false on timeout.
    bool waitForRequests(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, timeout, [&] { return m_requests.size() >= n; });
    }

private:
    void serve(const httplib::Request& req, httplib::Response& res)
    {
        RecordedRequest r { req.method, req.target, req.path, { req.headers.begin(), req.headers.end() }, req.body };
        Responder responder;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(r);
            responder = m_responder;
        }
        m_cv.notify_all();
        Reply reply = responder ? responder(r) : Reply {};
        if (reply.delay.count() > 0) {
            std::unique_lock lock(m_mutex);
            m_cv.wait_for(lock, reply.delay, [this] { return m_stopping; });
        }
        res.status = reply.status;
        for (auto& [k, v] : reply.headers)
            res.set_header(k, v);
        auto body = std::make_shared<std::string>(reply.body);
        if (reply.closeAfterBytes) {
            // Promise the whole body, send a part of it, then fail the write so the
            // connection closes mid-reply.
            size_t cut = std::min(*reply.closeAfterBytes, body->size());
            res.set_content_provider(body->size(), reply.contentType,
                [body, cut](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset < cut) {
                        sink.write(body->data() + offset, cut - offset);
                        return true;
                    }
                    return false;
                });
        } else if (reply.trickle.count() > 0) {
            res.set_content_provider(body->size(), reply.contentType,
                [this, body, pause = reply.trickle](size_t offset, size_t, httplib::DataSink& sink) {
                    std::unique_lock lock(m_mutex);
                    if (m_cv.wait_for(lock, pause, [this] { return m_stopping; }))
                        return false;
                    lock.unlock();
                    return sink.write(body->data() + offset, 1);
                });
        } else {
            res.set_content(reply.body, reply.contentType);
        }
    }

    httplib::Server m_server;
    Responder m_responder;
    int m_port { 0 };
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<RecordedRequest> m_requests;
    bool m_stopping { false };
};

} // namespace quindle::test
