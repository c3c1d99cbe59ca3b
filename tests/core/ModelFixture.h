#pragma once

// Shared set-up for tests that drive the Model singleton against a loopback server: each test
// gets a fresh session, a fresh HTTP client and its own recording server.

#include "core/Model.h"
#include "platform/CurlHttpClient.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "support/LogCapture.h"
#include "support/RecordingServer.h"
#include "TestFontCatalogue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quindle::test {

/// What a Model handler received, and on which thread.
struct Outcome {
    std::optional<JsonValue> content;
    std::optional<Error> error;
    bool onMainThread { true };
    bool onCallbackThread { false };
};

/// Collects handler calls made on any thread; waits for them with a generous timeout.
class Collector {
public:
    Model::Handler handler()
    {
        return [this](std::optional<JsonValue> content, std::optional<Error> error) {
            Outcome outcome { std::move(content), std::move(error), MainQueue::shared().isMainThread(),
                Model::defaultInstance().httpClient()->isCallbackThread() };
            std::lock_guard lock(m_mutex);
            m_outcomes.push_back(std::move(outcome));
            m_cv.notify_all();
        };
    }
    bool waitFor(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(15))
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, timeout, [&] { return m_outcomes.size() >= n; });
    }
    std::vector<Outcome> outcomes() const
    {
        std::lock_guard lock(m_mutex);
        return m_outcomes;
    }
    size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_outcomes.size();
    }
    /// Waits for one call and returns it (fails the test when none comes).
    Outcome single()
    {
        EXPECT_TRUE(waitFor(1));
        auto all = outcomes();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? Outcome {} : all.front();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Outcome> m_outcomes;
};

/// A reply with this status and body and the default content type.
inline Reply makeReply(int status, std::string body)
{
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

class ModelFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        MainQueue::shared().makeCurrentThreadMain();
        FontCatalogue::install(std::make_shared<TestFontCatalogue>());
        model().resetSessionForTesting();
        model().setHttpClient(std::make_shared<CurlHttpClient>());
        model().setConfiguration(*ServerConfiguration::create(server.url()));
        model().setLoginTabbarItemsHandler({});
    }
    void TearDown() override
    {
        // Finish every reply before the server goes away, then drop what they queued.
        auto client = model().httpClient();
        for (int i = 0; i < 1000 && client->inFlight() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        MainQueue::shared().runUntilIdle();
        // A new client closes the old one's keep-alive connections, so the server stops at once.
        model().setHttpClient(std::make_shared<CurlHttpClient>());
    }
    static Model& model() { return Model::defaultInstance(); }
    std::string base() const { return "/~corvath/vantro/web/app_dev.php/"; }
    /// The one request the server saw (waits for it).
    RecordedRequest onlyRequest()
    {
        EXPECT_TRUE(server.waitForRequests(1));
        auto all = server.requests();
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? RecordedRequest {} : all.front();
    }
    static Reply json(std::string body, int status = 200) { return makeReply(status, std::move(body)); }

    RecordingServer server;
    Collector collector;
};

} // namespace quindle::test
