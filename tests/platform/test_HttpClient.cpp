#include "platform/CurlHttpClient.h"
#include "platform/MainQueue.h"
#include "tests/support/RecordingServer.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

// Requests and replies name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace quindle;
using quindle::test::RecordedRequest;
using quindle::test::RecordingServer;
using quindle::test::Reply;

namespace {

constexpr auto waitLimit = std::chrono::seconds(30);
using Result = std::pair<HttpResponse, std::optional<Error>>;

// Collects what handlers receive, keyed by the tag of the request.
class Replies {
public:
    HttpClient::Handler handlerFor(int tag)
    {
        return [this, tag](HttpResponse response, std::optional<Error> error) {
            // Notified under the lock: a waiter may destroy this collector as soon as it wakes.
            std::lock_guard lock(m_mutex);
            m_results[tag].push_back({ std::move(response), std::move(error) });
            m_cv.notify_all();
        };
    }
    bool waitFor(size_t distinct)
    {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, waitLimit, [&] { return m_results.size() >= distinct; });
    }
    Result result(int tag)
    {
        std::lock_guard lock(m_mutex);
        return m_results.at(tag).back();
    }
    int calls(int tag)
    {
        std::lock_guard lock(m_mutex);
        return m_results.contains(tag) ? static_cast<int>(m_results.at(tag).size()) : 0;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<int, std::vector<Result>> m_results;
};

Result exchange(CurlHttpClient& client, HttpRequest request)
{
    Replies replies;
    client.send(std::move(request), replies.handlerFor(0));
    EXPECT_TRUE(replies.waitFor(1));
    return replies.result(0);
}

HttpRequest request(std::string url, std::string method = "GET", std::string body = {}) { return { method, url, {}, body }; }

bool waitUntilIdle(const CurlHttpClient& client)
{
    auto deadline = std::chrono::steady_clock::now() + waitLimit;
    while (client.inFlight() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return client.inFlight() == 0;
}

using CookieFields = std::vector<std::array<std::string, 4>>;

CookieFields fields(const std::vector<Cookie>& cookies)
{
    CookieFields out;
    for (const auto& c : cookies)
        out.push_back({ c.name, c.value, c.domain, c.path });
    return out;
}

} // namespace

TEST(HttpClientHeaders, RequestHeadersSetCookieParsingAndRepliesThatPassThrough)
{
    // Set replaces every value ignoring case; repeated values join with commas in order.
    HttpRequest sent;
    for (auto [name, value] : { std::pair { "Cookies", "a" }, { "X-Other", "x" }, { "cookies", "b" } })
        sent.addHeader(name, value);
    EXPECT_EQ(std::make_pair(sent.header("Cookies"), sent.header("Missing")),
        std::make_pair(std::optional<std::string>("a, b"), std::optional<std::string>()));
    sent.setHeader("COOKIES", "c");
    EXPECT_EQ(std::make_pair(sent.headerValues("Cookies"), sent.headers.size()),
        std::make_pair(std::vector<std::string> { "c" }, size_t(2)));
    HttpResponse response;
    response.url = "http://Example.org:8080/app/dir/page?x=1";
    response.headers = {
        { "Set-Cookie", "first=1; Path=/app; HttpOnly;  " },
        { "Content-Type", "text/plain" },
        { "set-cookie", "second = two ; domain=.Example.ORG; expires=Wed, 09 Jun 2021 10:18:14 GMT" },
        { "Set-Cookie", "novalue" },
        { "Set-Cookie", "third=a=b" },
    };
    // No Path attribute: the directory of the request; a blank attribute is passed over; a field
    // without "=" is no cookie.
    EXPECT_EQ(fields(cookiesFromResponse(response)),
        (CookieFields { { "first", "1", "example.org", "/app" }, { "second", "two", "example.org", "/app/dir" },
            { "third", "a=b", "example.org", "/app/dir" } }));
    // Without a port or a Path the cookie takes the bare host and the root.
    response.url = "http://Host.example/a";
    response.headers = { { "Set-Cookie", "k=v" } };
    EXPECT_EQ(fields(cookiesFromResponse(response)), (CookieFields { { "k", "v", "host.example", "/" } }));
    // A reply's status, body, headers and cookies pass through.
    RecordingServer server([](const RecordedRequest& request) {
        if (request.path == "/login")
            return Reply { .headers = { { "Set-Cookie", "PHPSESSID=s3cr3t; path=/" }, { "Set-Cookie", "second=2; path=/x" } } };
        return Reply { .status = 404, .body = "{\"error\":\"missing\"}", .headers = { { "X-Reason", "gone" } } };
    });
    CurlHttpClient client;
    auto [login, loginError] = exchange(client, request(server.url() + "/login"));
    ASSERT_FALSE(loginError);
    EXPECT_EQ(std::tie(login.status, login.body), std::make_tuple(200L, "{}"));
    EXPECT_EQ(login.headerValues("Set-Cookie"), (std::vector<std::string> { "PHPSESSID=s3cr3t; path=/", "second=2; path=/x" }));
    EXPECT_EQ(fields(cookiesFromResponse(login)),
        (CookieFields { { "PHPSESSID", "s3cr3t", "127.0.0.1", "/" }, { "second", "2", "127.0.0.1", "/x" } }));
    // A refusal is a reply, not an error; the cookie set before goes back to that host.
    auto [missing, error] = exchange(client, request(server.url() + "/nothing"));
    EXPECT_FALSE(error);
    EXPECT_EQ(std::tie(missing.status, missing.body, missing.url), std::make_tuple(404L, "{\"error\":\"missing\"}", server.url() + "/nothing"));
    EXPECT_EQ(missing.headerValues("x-reason"), std::vector<std::string> { "gone" });
    auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(std::make_pair(recorded[0].headerCount("Cookie"), recorded[1].header("Cookie")), std::make_pair(size_t(0), std::string("PHPSESSID=s3cr3t")));
}

TEST(HttpClientRequests, ArriveExactlyAsSent)
{
    // The headers map names to their expected values; "" means the field must be absent.
    struct Case { const char* name; HttpRequest request; std::string target; std::map<std::string, std::string> headers; };
    RecordingServer server;
    std::string big(2u * 1024 * 1024, 'q');
    big[12345] = '\0';
    std::vector<Case> cases {
        { "get keeps its query and custom headers, repeated ones joined in one field",
            request(server.url() + "/~corvath/contentForNode?assetid=42&x=%20y"), "/~corvath/contentForNode?assetid=42&x=%20y",
            { { "wibble", "token-1" }, { "Cookies", "A, B, C" }, { "Content-Type", "" } } },
        { "post body with nul bytes", request(server.url() + "/upload", "POST", std::string("a\0b\r\n\xff\0", 7)), "/upload",
            { { "Content-Length", "7" }, { "Content-Type", "application/x-www-form-urlencoded" } } },
        { "large post has no Expect and no guessed type", request(server.url() + "/big", "POST", big), "/big",
            { { "Expect", "" }, { "Content-Type", "" } } },
        { "put", request(server.url() + "/item", "PUT", "payload"), "/item", {} },
        { "delete", request(server.url() + "/item/7", "DELETE"), "/item/7", {} },
    };
    cases[0].request.setHeader("wibble", "token-1");
    for (const char* value : { "A", "B", "C" })
        cases[0].request.addHeader("Cookies", value);
    cases[1].request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    CurlHttpClient client;
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.name);
        auto [response, error] = exchange(client, c.request);
        ASSERT_FALSE(error) << error->localizedDescription;
        ASSERT_EQ(server.requests().size(), i + 1);
        auto recorded = server.requests().back();
        EXPECT_EQ(std::tie(recorded.method, recorded.target), std::tie(c.request.method, c.target));
        EXPECT_TRUE(recorded.body == c.request.body);
        for (const auto& [name, value] : c.headers)
            EXPECT_EQ(std::make_pair(recorded.headerCount(name), recorded.header(name)), std::make_pair(size_t(value.empty() ? 0 : 1), value)) << name;
    }
}

// Requests go out together; replies come back one at a time on the one callback thread, never the
// main one, so a blocked handler holds back the next reply; each handler runs once with its reply.
TEST(HttpClientConcurrency, RequestsGoTogetherAndRepliesComeOneAtATimeOnTheCallbackThread)
{
    // The server answers none until all have arrived, so they must be in flight together.
    std::promise<void> open, release;
    std::shared_future<void> opened = open.get_future().share(), released = release.get_future().share();
    RecordingServer server([&](const RecordedRequest& request) {
        opened.wait_for(waitLimit);
        return Reply { .body = request.target };
    });
    CurlHttpClient client;
    MainQueue::shared().makeCurrentThreadMain();
    EXPECT_FALSE(client.isCallbackThread());
    std::mutex mutex;
    std::multiset<std::string> bodies;
    std::set<std::thread::id> threads;
    std::atomic<int> calls { 0 }, callsWhileFirstBlocked { -1 }, offCallbackThread { 0 }, onMainThread { 0 };
    std::atomic<bool> firstEntered { false }, countedWhileRunning { true };
    auto handler = [&](HttpResponse response, std::optional<Error> error) {
        offCallbackThread += !client.isCallbackThread();
        onMainThread += MainQueue::shared().isMainThread();
        if (client.inFlight() == 0)
            countedWhileRunning = false;
        {
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
            bodies.insert(error ? "error" : response.body);
        }
        if (++calls == 1) {
            firstEntered = true;
            released.wait_for(waitLimit);
            callsWhileFirstBlocked = calls.load();
        }
    };
    const std::multiset<std::string> paths { "/a", "/b", "/c" };
    for (const std::string& path : paths)
        client.send(request(server.url() + path), handler);
    bool allArrived = server.waitForRequests(3, std::chrono::seconds(10));
    open.set_value();
    EXPECT_TRUE(allArrived) << "requests were not sent concurrently";
    // The replies are on their way; give a wrong client room to deliver them.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ((std::tuple { firstEntered.load(), calls.load(), client.inFlight() }), (std::tuple { true, 1, size_t(3) }));
    release.set_value();
    ASSERT_TRUE(waitUntilIdle(client));
    EXPECT_EQ((std::tuple { callsWhileFirstBlocked.load(), calls.load(), offCallbackThread.load(), onMainThread.load(), threads.size() }),
        (std::tuple { 1, 3, 0, 0, size_t(1) }));
    EXPECT_TRUE(countedWhileRunning.load()) << "a running handler's request no longer counted in flight";
    EXPECT_EQ(bodies, paths);
}

TEST(HttpClientFailures, EachReachesTheHandlerOnceAsAnError)
{
    // No reply: nothing listens on the port; CURLE_OK: any error.
    struct Case { const char* name; std::optional<Reply> reply; std::function<void(CurlHttpClient&, HttpRequest&)> setUp; long code; };
    using std::chrono::milliseconds;
    const Case cases[] = {
        { "connection refused", std::nullopt, {}, CURLE_COULDNT_CONNECT },
        { "server never answers", Reply { .delay = std::chrono::seconds(60) },
            [](CurlHttpClient&, HttpRequest& r) { r.timeout = milliseconds(300); }, CURLE_OPERATION_TIMEDOUT },
        // A trickling reply stalls long before the request timeout.
        { "trickling reply", Reply { .body = std::string(1000, 't'), .trickle = milliseconds(500) },
            [](CurlHttpClient& c, HttpRequest&) { c.setStallTimeout(std::chrono::seconds(1)); }, CURLE_OPERATION_TIMEDOUT },
        { "server closes mid-reply", Reply { .body = std::string(100'000, 'z'), .closeAfterBytes = 1000 }, {}, CURLE_OK },
        { "reply over the limit", Reply { .body = std::string(50u * 1024 * 1024, 'b') },
            [](CurlHttpClient& c, HttpRequest&) { c.setMaxResponseBytes(1024 * 1024); }, CURLE_FILESIZE_EXCEEDED },
        // curl gives no text of its own here: the error still says what went wrong.
        { "malformed address", std::nullopt, [](CurlHttpClient&, HttpRequest& r) { r.url = "http://"; }, CURLE_URL_MALFORMAT },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<RecordingServer> server;
        server.emplace([reply = c.reply.value_or(Reply {})](const RecordedRequest&) { return reply; });
        std::string url = server->url() + "/";
        if (!c.reply)
            server.reset();
        CurlHttpClient client;
        HttpRequest get = request(url);
        if (c.setUp)
            c.setUp(client, get);
        const auto start = std::chrono::steady_clock::now();
        Replies replies;
        client.send(get, replies.handlerFor(0));
        ASSERT_TRUE(replies.waitFor(1));
        ASSERT_TRUE(waitUntilIdle(client));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_EQ(replies.calls(0), 1);
        auto [response, error] = replies.result(0);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->domain == "HTTP" && !error->localizedDescription.empty()) << error->domain;
        EXPECT_TRUE(c.code == CURLE_OK ? error->code != CURLE_OK : error->code == c.code) << error->code;
        EXPECT_TRUE(response.body.empty());
        EXPECT_TRUE(c.reply || response.status == 0);
    }
}

TEST(HttpClientFailures, DestroyingTheClientCancelsRequestsInFlight)
{
    RecordingServer server([](const RecordedRequest&) { return Reply { .delay = std::chrono::seconds(60) }; });
    Replies replies;
    constexpr int count = 3;
    {
        CurlHttpClient client;
        for (int i = 0; i < count; ++i)
            client.send(request(server.url() + "/wait/" + std::to_string(i)), replies.handlerFor(i));
        ASSERT_TRUE(server.waitForRequests(count));
        // One more that may not even have started when the client goes.
        client.send(request(server.url() + "/late"), replies.handlerFor(count));
    }
    for (int i = 0; i <= count; ++i) {
        EXPECT_EQ(replies.calls(i), 1) << i;
        auto [response, error] = replies.result(i);
        ASSERT_TRUE(error) << i;
        EXPECT_EQ(error->domain, "HTTP");
    }
}
