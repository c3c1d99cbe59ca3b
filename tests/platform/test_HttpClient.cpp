#include "platform/CurlHttpClient.h"
#include "platform/MainQueue.h"
#include "tests/support/RecordingServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

using namespace quindle;
using quindle::test::RecordedRequest;
using quindle::test::RecordingServer;
using quindle::test::Reply;

namespace {

constexpr auto waitLimit = std::chrono::seconds(30);

// Collects what handlers receive, keyed by the tag of the request.
class Replies {
public:
    HttpClient::Handler handlerFor(int tag)
    {
        return [this, tag](HttpResponse response, std::optional<Error> error) {
            // Notified under the lock: a waiter may destroy this collector as soon as it wakes.
            std::lock_guard lock(m_mutex);
            ++m_calls[tag];
            m_results[tag] = { std::move(response), std::move(error) };
            m_cv.notify_all();
        };
    }
    bool waitFor(size_t distinct)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, waitLimit, [&] { return m_results.size() >= distinct; });
    }
    std::pair<HttpResponse, std::optional<Error>> result(int tag)
    {
        std::lock_guard lock(m_mutex);
        return m_results.at(tag);
    }
    int calls(int tag)
    {
        std::lock_guard lock(m_mutex);
        return m_calls.count(tag) ? m_calls[tag] : 0;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<int, int> m_calls;
    std::map<int, std::pair<HttpResponse, std::optional<Error>>> m_results;
};

std::pair<HttpResponse, std::optional<Error>> exchange(CurlHttpClient& client, HttpRequest request)
{
    Replies replies;
    client.send(std::move(request), replies.handlerFor(0));
    EXPECT_TRUE(replies.waitFor(1));
    return replies.result(0);
}

HttpRequest get(const std::string& url)
{
    HttpRequest request;
    request.url = url;
    return request;
}

// Lets responders block until the test opens it.
class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_cv.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, waitLimit, [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open { false };
};

bool waitUntilIdle(const CurlHttpClient& client)
{
    auto deadline = std::chrono::steady_clock::now() + waitLimit;
    while (client.inFlight() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return client.inFlight() == 0;
}

} // namespace

// Header helpers of the request and cookie parsing, without a network.

TEST(HttpClientHeaders, SetHeaderReplacesEveryValueIgnoringCase)
{
    HttpRequest request;
    request.addHeader("Cookies", "a");
    request.addHeader("cookies", "b");
    request.setHeader("COOKIES", "c");
    EXPECT_EQ(request.headerValues("Cookies"), std::vector<std::string> { "c" });
    EXPECT_EQ(request.headers.size(), 1u);
}

TEST(HttpClientHeaders, RepeatedValuesJoinWithCommasInOrder)
{
    HttpRequest request;
    request.addHeader("Cookies", "A");
    request.addHeader("X-Other", "x");
    request.addHeader("cookies", "B");
    EXPECT_EQ(request.header("Cookies"), "A, B");
    EXPECT_EQ(request.header("Missing"), std::nullopt);
}

TEST(HttpClientCookieParsing, ReadsEverySetCookieFieldInOrderWithAttributes)
{
    HttpResponse response;
    response.url = "http://Example.org:8080/app/dir/page?x=1";
    response.headers = {
        { "Set-Cookie", "first=1; Path=/app; HttpOnly" },
        { "Content-Type", "text/plain" },
        { "set-cookie", "second = two ; domain=.Example.ORG; expires=Wed, 09 Jun 2021 10:18:14 GMT" },
        { "Set-Cookie", "novalue" },
        { "Set-Cookie", "third=a=b" },
    };
    auto cookies = cookiesFromResponse(response);
    ASSERT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies[0].name, "first");
    EXPECT_EQ(cookies[0].value, "1");
    EXPECT_EQ(cookies[0].path, "/app");
    EXPECT_EQ(cookies[0].domain, "example.org");
    EXPECT_EQ(cookies[1].name, "second");
    EXPECT_EQ(cookies[1].value, "two");
    EXPECT_EQ(cookies[1].domain, "example.org");
    EXPECT_EQ(cookies[1].path, "/app/dir"); // no Path attribute: the directory of the request
    EXPECT_EQ(cookies[2].name, "third");
    EXPECT_EQ(cookies[2].value, "a=b");
}

TEST(HttpClientCookieParsing, NoSetCookieFieldsGiveNoCookies)
{
    HttpResponse response;
    response.url = "http://127.0.0.1/";
    response.headers = { { "Cookie", "a=b" } };
    EXPECT_TRUE(cookiesFromResponse(response).empty());
}

// What the server sees.

TEST(HttpClientRequests, GetArrivesWithTargetAndCustomHeaders)
{
    RecordingServer server;
    CurlHttpClient client;
    HttpRequest request = get(server.url() + "/~corvath/contentForNode?assetid=42&x=%20y");
    request.setHeader("wibble", "token-1");
    auto [response, error] = exchange(client, request);
    ASSERT_FALSE(error);
    auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].method, "GET");
    EXPECT_EQ(recorded[0].target, "/~corvath/contentForNode?assetid=42&x=%20y");
    EXPECT_EQ(recorded[0].header("wibble"), "token-1");
    EXPECT_EQ(recorded[0].headerCount("Content-Type"), 0u);
    EXPECT_TRUE(recorded[0].body.empty());
}

TEST(HttpClientRequests, RepeatedHeaderGoesOutCommaJoinedInOneField)
{
    RecordingServer server;
    CurlHttpClient client;
    HttpRequest request = get(server.url() + "/");
    request.addHeader("Cookies", "A");
    request.addHeader("Cookies", "B");
    request.addHeader("Cookies", "C");
    auto [response, error] = exchange(client, request);
    ASSERT_FALSE(error);
    auto recorded = server.requests().at(0);
    EXPECT_EQ(recorded.headerCount("Cookies"), 1u);
    EXPECT_EQ(recorded.header("Cookies"), "A, B, C");
}

TEST(HttpClientRequests, PostBodyWithNulBytesArrivesExactly)
{
    RecordingServer server;
    CurlHttpClient client;
    std::string body("a\0b\r\n\xff\0", 7);
    HttpRequest request;
    request.method = "POST";
    request.url = server.url() + "/upload";
    request.body = body;
    request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    auto [response, error] = exchange(client, request);
    ASSERT_FALSE(error);
    auto recorded = server.requests().at(0);
    EXPECT_EQ(recorded.method, "POST");
    EXPECT_EQ(recorded.body, body);
    EXPECT_EQ(recorded.header("Content-Length"), "7");
    EXPECT_EQ(recorded.header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(HttpClientRequests, LargePostCarriesNoExpectAndNoGuessedContentType)
{
    RecordingServer server;
    CurlHttpClient client;
    HttpRequest request;
    request.method = "POST";
    request.url = server.url() + "/big";
    request.body.assign(2u * 1024 * 1024, 'q');
    request.body[12345] = '\0';
    auto [response, error] = exchange(client, request);
    ASSERT_FALSE(error) << error->localizedDescription;
    auto recorded = server.requests().at(0);
    EXPECT_EQ(recorded.headerCount("Expect"), 0u);
    EXPECT_EQ(recorded.headerCount("Content-Type"), 0u);
    EXPECT_EQ(recorded.body, request.body);
}

TEST(HttpClientRequests, OtherMethodsAreSentByName)
{
    RecordingServer server;
    CurlHttpClient client;
    HttpRequest put;
    put.method = "PUT";
    put.url = server.url() + "/item";
    put.body = "payload";
    ASSERT_FALSE(exchange(client, put).second);
    HttpRequest del;
    del.method = "DELETE";
    del.url = server.url() + "/item/7";
    ASSERT_FALSE(exchange(client, del).second);
    auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].method, "PUT");
    EXPECT_EQ(recorded[0].body, "payload");
    EXPECT_EQ(recorded[1].method, "DELETE");
    EXPECT_EQ(recorded[1].target, "/item/7");
}

// What the handler receives.

TEST(HttpClientResponses, NonOkStatusPassesThroughWithBodyAndNoError)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.status = 404;
        reply.body = "{\"error\":\"missing\"}";
        reply.headers = { { "X-Reason", "gone" } };
        return reply;
    });
    CurlHttpClient client;
    auto [response, error] = exchange(client, get(server.url() + "/nothing"));
    EXPECT_FALSE(error);
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(response.body, "{\"error\":\"missing\"}");
    EXPECT_EQ(response.headerValues("x-reason"), std::vector<std::string> { "gone" });
    EXPECT_EQ(response.url, server.url() + "/nothing");
}

TEST(HttpClientResponses, RepeatedSetCookieFieldsAreKeptInOrder)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.headers = { { "Set-Cookie", "PHPSESSID=abc; path=/" }, { "Set-Cookie", "second=2; path=/x" } };
        return reply;
    });
    CurlHttpClient client;
    auto [response, error] = exchange(client, get(server.url() + "/login"));
    ASSERT_FALSE(error);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "{}");
    EXPECT_EQ(response.headerValues("Set-Cookie"),
        (std::vector<std::string> { "PHPSESSID=abc; path=/", "second=2; path=/x" }));
    auto cookies = cookiesFromResponse(response);
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].name, "PHPSESSID");
    EXPECT_EQ(cookies[0].value, "abc");
    EXPECT_EQ(cookies[0].domain, "127.0.0.1");
    EXPECT_EQ(cookies[1].path, "/x");
}

TEST(HttpClientCookies, CookieSetByServerReturnsOnLaterRequestsToThatHost)
{
    RecordingServer server([](const RecordedRequest& request) {
        Reply reply;
        if (request.path == "/login")
            reply.headers = { { "Set-Cookie", "PHPSESSID=s3cr3t; path=/" } };
        return reply;
    });
    CurlHttpClient client;
    ASSERT_FALSE(exchange(client, get(server.url() + "/login")).second);
    ASSERT_FALSE(exchange(client, get(server.url() + "/page")).second);
    auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].headerCount("Cookie"), 0u);
    EXPECT_EQ(recorded[1].header("Cookie"), "PHPSESSID=s3cr3t");
}

// Requests run together; replies come back one at a time on the callback thread.

TEST(HttpClientConcurrency, SlowRequestsAreAllSentBeforeAnyReplyIsReleased)
{
    Gate gate;
    RecordingServer server([&](const RecordedRequest&) {
        gate.pass();
        return Reply {};
    });
    CurlHttpClient client;
    Replies replies;
    constexpr int count = 4;
    for (int i = 0; i < count; ++i)
        client.send(get(server.url() + "/slow/" + std::to_string(i)), replies.handlerFor(i));
    bool allArrived = server.waitForRequests(count, std::chrono::seconds(10));
    gate.open();
    EXPECT_TRUE(allArrived) << "requests were not sent concurrently";
    ASSERT_TRUE(replies.waitFor(count));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(replies.result(i).first.status, 200);
}

TEST(HttpClientConcurrency, HandlersRunOneAtATimeOnTheCallbackThread)
{
    RecordingServer server;
    CurlHttpClient client;
    MainQueue::shared().makeCurrentThreadMain();
    EXPECT_FALSE(client.isCallbackThread());

    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::atomic<int> running { 0 };
    std::atomic<int> mostRunning { 0 };
    std::atomic<int> onCallbackThread { 0 };
    std::atomic<int> onMainThread { 0 };
    std::atomic<int> done { 0 };
    constexpr int count = 8;
    for (int i = 0; i < count; ++i) {
        client.send(get(server.url() + "/" + std::to_string(i)), [&](HttpResponse, std::optional<Error>) {
            int now = ++running;
            int seen = mostRunning.load();
            while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) { }
            if (client.isCallbackThread())
                ++onCallbackThread;
            if (MainQueue::shared().isMainThread())
                ++onMainThread;
            {
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            --running;
            ++done;
        });
    }
    ASSERT_TRUE(waitUntilIdle(client));
    EXPECT_EQ(done.load(), count);
    EXPECT_EQ(mostRunning.load(), 1);
    EXPECT_EQ(onCallbackThread.load(), count);
    EXPECT_EQ(onMainThread.load(), 0);
    EXPECT_EQ(threads.size(), 1u);
}

TEST(HttpClientConcurrency, BlockedHandlerHoldsBackTheNextReply)
{
    RecordingServer server;
    CurlHttpClient client;
    Gate release;
    std::atomic<int> calls { 0 };
    std::atomic<int> callsWhileFirstBlocked { -1 };
    std::atomic<bool> firstEntered { false };
    auto handler = [&](HttpResponse, std::optional<Error>) {
        if (++calls == 1) {
            firstEntered = true;
            release.pass();
            callsWhileFirstBlocked = calls.load();
        }
    };
    client.send(get(server.url() + "/a"), handler);
    ASSERT_TRUE(server.waitForRequests(1));
    client.send(get(server.url() + "/b"), handler);
    client.send(get(server.url() + "/c"), handler);
    ASSERT_TRUE(server.waitForRequests(3));
    // The other replies have been answered; give a wrong client room to deliver them.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(firstEntered.load());
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(client.inFlight(), 3u);
    release.open();
    ASSERT_TRUE(waitUntilIdle(client));
    EXPECT_EQ(callsWhileFirstBlocked.load(), 1);
    EXPECT_EQ(calls.load(), 3);
}

TEST(HttpClientDelivery, EveryHandlerIsCalledExactlyOnce)
{
    RecordingServer server([](const RecordedRequest& request) {
        Reply reply;
        reply.body = request.target;
        return reply;
    });
    CurlHttpClient client;
    Replies replies;
    constexpr int count = 24;
    std::atomic<bool> countedWhileRunning { true };
    for (int i = 0; i < count; ++i) {
        auto record = replies.handlerFor(i);
        client.send(get(server.url() + "/n/" + std::to_string(i)), [&, record](HttpResponse response, std::optional<Error> error) {
            if (client.inFlight() == 0)
                countedWhileRunning = false;
            record(std::move(response), std::move(error));
        });
    }
    ASSERT_TRUE(replies.waitFor(count));
    ASSERT_TRUE(waitUntilIdle(client));
    EXPECT_TRUE(countedWhileRunning.load());
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(replies.calls(i), 1) << i;
        EXPECT_EQ(replies.result(i).first.body, "/n/" + std::to_string(i));
    }
}

// Transport failures reach the handler once, as an error.

TEST(HttpClientFailures, ConnectionRefused)
{
    std::string url;
    {
        RecordingServer closed;
        url = closed.url() + "/";
    }
    CurlHttpClient client;
    auto [response, error] = exchange(client, get(url));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "HTTP");
    EXPECT_EQ(error->code, CURLE_COULDNT_CONNECT);
    EXPECT_FALSE(error->localizedDescription.empty());
    EXPECT_EQ(response.status, 0);
}

TEST(HttpClientFailures, ServerThatNeverAnswersTimesOutOnce)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.delay = std::chrono::seconds(60);
        return reply;
    });
    CurlHttpClient client;
    Replies replies;
    HttpRequest request = get(server.url() + "/hang");
    request.timeout = std::chrono::milliseconds(300);
    client.send(request, replies.handlerFor(0));
    ASSERT_TRUE(replies.waitFor(1));
    ASSERT_TRUE(waitUntilIdle(client));
    auto [response, error] = replies.result(0);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "HTTP");
    EXPECT_EQ(error->code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(replies.calls(0), 1);
}

TEST(HttpClientFailures, TricklingReplyStallsLongBeforeTheRequestTimeout)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.body.assign(1000, 't');
        reply.trickle = std::chrono::milliseconds(500);
        return reply;
    });
    CurlHttpClient client;
    client.setStallTimeout(std::chrono::seconds(1));
    const auto start = std::chrono::steady_clock::now();
    auto [response, error] = exchange(client, get(server.url() + "/trickle"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(response.body.empty());
}

TEST(HttpClientFailures, ServerClosingMidReplyIsAnError)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.body.assign(100'000, 'z');
        reply.closeAfterBytes = 1000;
        return reply;
    });
    CurlHttpClient client;
    auto [response, error] = exchange(client, get(server.url() + "/cut"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "HTTP");
    EXPECT_NE(error->code, CURLE_OK);
    EXPECT_TRUE(response.body.empty());
}

TEST(HttpClientFailures, FiftyMebibyteReplyArrivesWholeUnderTheDefaultLimit)
{
    auto big = std::make_shared<std::string>(50u * 1024 * 1024, 'b');
    for (size_t i = 0; i < big->size(); i += 4099)
        (*big)[i] = static_cast<char>(i % 251);
    RecordingServer server([big](const RecordedRequest&) {
        Reply reply;
        reply.body = *big;
        reply.contentType = "application/octet-stream";
        return reply;
    });
    CurlHttpClient client;
    auto [response, error] = exchange(client, get(server.url() + "/big"));
    ASSERT_FALSE(error) << error->localizedDescription;
    EXPECT_EQ(response.body.size(), big->size());
    EXPECT_TRUE(response.body == *big);
}

TEST(HttpClientFailures, ReplyOverTheLimitIsAnError)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.body.assign(50u * 1024 * 1024, 'b');
        return reply;
    });
    CurlHttpClient client;
    client.setMaxResponseBytes(1024 * 1024);
    auto [response, error] = exchange(client, get(server.url() + "/big"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, "HTTP");
    EXPECT_EQ(error->code, CURLE_FILESIZE_EXCEEDED);
    EXPECT_TRUE(response.body.empty());
}

TEST(HttpClientFailures, DestroyingTheClientCancelsRequestsInFlight)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.delay = std::chrono::seconds(60);
        return reply;
    });
    Replies replies;
    constexpr int count = 3;
    {
        CurlHttpClient client;
        for (int i = 0; i < count; ++i)
            client.send(get(server.url() + "/wait/" + std::to_string(i)), replies.handlerFor(i));
        ASSERT_TRUE(server.waitForRequests(count));
        // One more that may not even have started when the client goes.
        client.send(get(server.url() + "/late"), replies.handlerFor(count));
    }
    for (int i = 0; i <= count; ++i) {
        EXPECT_EQ(replies.calls(i), 1) << i;
        auto [response, error] = replies.result(i);
        ASSERT_TRUE(error) << i;
        EXPECT_EQ(error->domain, "HTTP");
    }
}
