// Transport: percent-encoding, the reply envelope, cookie and token headers, failures and
// hostile replies, and the thread handlers run on.

#include "ModelFixture.h"

#include "platform/JsonParser.h"

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelTransport = ModelFixture;
using ModelBadInput = ModelFixture;

std::vector<std::string> commaParts(const std::string& value)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= value.size()) {
        size_t at = value.find(',', start);
        std::string part = value.substr(start, at == std::string::npos ? std::string::npos : at - start);
        while (!part.empty() && part.front() == ' ')
            part.erase(part.begin());
        parts.push_back(part);
        if (at == std::string::npos)
            break;
        start = at + 1;
    }
    return parts;
}
} // namespace

TEST(ModelEncode, EscapesSlashColonBlanksAndWhatWouldSplitTheQuery)
{
    EXPECT_EQ(Model::encode("a b/c:d"), "a%20b%2fc%3ad");
    EXPECT_EQ(Model::encode("x&y=z"), "x%26y%3Dz");
    EXPECT_EQ(Model::encode("?+@!*'()#"), "?%2B@!*'()%23");
    EXPECT_EQ(Model::encode("\"%<>\\^`{|}"), "%22%25%3C%3E%5C%5E%60%7B%7C%7D");
    EXPECT_EQ(Model::encode("\xc3\xa9"), "%C3%A9");
    EXPECT_EQ(Model::encode(""), "");
}

TEST(ModelEnvelope, ChoosesMessageThenListThenChildren)
{
    auto parse = [](const char* text) { return JsonParser::parse(text)->object(); };
    auto message = Model::contentForNode(parse(R"({"list":[1],"Message":{"AuthToken":"t"}})"));
    ASSERT_TRUE(message && message->isObject());
    EXPECT_EQ(message->object()->get("AuthToken").asString(), "t");
    auto list = Model::contentForNode(parse(R"({"Children":[1],"list":[1,2]})"));
    ASSERT_TRUE(list && list->isArray());
    EXPECT_EQ(list->array()->size(), 2u);
    auto ok = Model::contentForNode(parse(R"({"Children":[1],"Message":"ok"})"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->asString(), "ok");
    auto nullMessage = Model::contentForNode(parse(R"({"Message":null})"));
    ASSERT_TRUE(nullMessage.has_value());
    EXPECT_TRUE(nullMessage->isNull());
    EXPECT_FALSE(Model::contentForNode(parse(R"({"other":1})")).has_value());
    EXPECT_FALSE(Model::contentForNode(nullptr).has_value());
}

TEST_F(ModelTransport, ReplyWithoutEnvelopeKeysHandsNothingAndNoError)
{
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"x":1})"); });
    model().requestWithURL(server.url() + "/plain", collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_FALSE(o.error);
}

TEST_F(ModelTransport, HandlersRunOnTheCallbackThread)
{
    model().requestWithURL(server.url() + "/x", collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.onMainThread);
    EXPECT_TRUE(o.onCallbackThread);
}

TEST_F(ModelTransport, RequestWithURLIsLogged)
{
    LogCapture logs;
    model().requestWithURL(server.url() + "/logged?a=1", collector.handler());
    collector.single();
    EXPECT_TRUE(logs.contains("requestWithURL " + server.url() + "/logged?a=1"));
    EXPECT_TRUE(logs.contains("json {}"));
}

TEST_F(ModelTransport, NoCookieListMeansNoCookiesNorTokenOnGetButTokenOnPost)
{
    model().setAuthToken("T1");
    model().fetchTrashWithCompletionHandler(collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    model().sendDict(JsonObject::create({ { "a", "b" } }), "sendText", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headerCount("Cookies"), 0u);
    EXPECT_EQ(requests[0].headerCount("wibble"), 0u);
    EXPECT_EQ(requests[1].headerCount("Cookies"), 0u);
    EXPECT_EQ(requests[1].header("wibble"), "T1");
}

TEST_F(ModelTransport, CookiesOfA200ReplyGoOutCommaJoinedInOneFieldWithToken)
{
    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, "{}");
        if (r.path == "/set")
            reply.headers = { { "Set-Cookie", "first=A; Path=/" }, { "Set-Cookie", "second=B; Path=/" } };
        return reply;
    });
    model().requestWithURL(server.url() + "/set", collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    auto cookies = model().cookies();
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].value, "A");
    EXPECT_EQ(cookies[1].value, "B");

    model().requestWithURL(server.url() + "/anon", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    model().setAuthToken("T2");
    model().requestWithURL(server.url() + "/after", collector.handler());
    ASSERT_TRUE(collector.waitFor(3));

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].headerCount("Cookies"), 1u);
    EXPECT_EQ(commaParts(requests[1].header("Cookies")), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(requests[1].headerCount("wibble"), 0u);
    EXPECT_EQ(commaParts(requests[2].header("Cookies")), (std::vector<std::string> { "A", "B" }));
    EXPECT_EQ(requests[2].header("wibble"), "T2");
}

TEST_F(ModelTransport, CookieListKeptByRepliesWithoutCookiesAndByNon200Cookies)
{
    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, "{}");
        if (r.path == "/set")
            reply.headers = { { "Set-Cookie", "s=KEEP" } };
        if (r.path == "/fail") {
            reply.status = 403;
            reply.headers = { { "Set-Cookie", "s=LOST" } };
        }
        return reply;
    });
    model().requestWithURL(server.url() + "/set", collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    model().requestWithURL(server.url() + "/none", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    model().requestWithURL(server.url() + "/fail", collector.handler());
    ASSERT_TRUE(collector.waitFor(3));
    auto cookies = model().cookies();
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0].value, "KEEP");
}

TEST_F(ModelTransport, Non200WithJsonBodyLogsAndHandsNothingWithoutError)
{
    LogCapture logs;
    server.setResponder([](const RecordedRequest&) { return makeReply(500, R"({"Message":"boom"})"); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_FALSE(o.error);
    EXPECT_TRUE(logs.contains(R"(error code 500 message {"Message":"boom"})"));
}

TEST_F(ModelTransport, Non200WithTextBodyLogsTextAndHandsParseError)
{
    LogCapture logs;
    server.setResponder([](const RecordedRequest&) {
        Reply reply = makeReply(404, "no such page");
        reply.contentType = "text/plain";
        return reply;
    });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->domain, "JSON");
    EXPECT_TRUE(logs.contains("error code 404 message no such page"));
}

TEST_F(ModelTransport, TopLevelArrayOrNumberHandsNothingWithAnError)
{
    for (const char* body : { "[1,2,3]", "42", "\"text\"" }) {
        server.setResponder([body](const RecordedRequest&) { return makeReply(200, body); });
        Collector replies;
        model().requestWithURL(server.url() + "/other", replies.handler());
        Outcome o = replies.single();
        EXPECT_FALSE(o.content) << body;
        ASSERT_TRUE(o.error) << body;
        EXPECT_EQ(o.error->domain, JsonParser::errorDomain) << body;
    }
}

TEST_F(ModelTransport, EmptyBodyHandsNothingAndNoError)
{
    server.setResponder([](const RecordedRequest&) { return makeReply(200, ""); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_FALSE(o.error);
}

TEST_F(ModelTransport, PostRequestCarriesLengthTypeAndToken)
{
    model().setAuthToken("tok");
    HttpRequest r = model().postRequestWithString("k=v&é", "http://h/x");
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.url, "http://h/x");
    EXPECT_EQ(r.header("Content-Length"), "6");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("wibble"), "tok");
    EXPECT_EQ(r.body, "k=v&é");
    model().setAuthToken("");
    EXPECT_FALSE(model().postRequestWithData("{}", "http://h/x").header("wibble"));
}

TEST_F(ModelTransport, DictToJsonIsCompactAndRefusesCycles)
{
    auto inner = JsonObject::create({ { "b", JsonArray::create({ 1, "x" }) } });
    auto outer = JsonObject::create({ { "a", inner } });
    EXPECT_EQ(Model::dictToJSON(outer), R"({"a":{"b":[1,"x"]}})");
    inner->set("loop", outer);
    Error error;
    EXPECT_FALSE(Model::dictToJSON(outer, &error));
    EXPECT_FALSE(error.localizedDescription.empty());
    model().sendDict(outer, "sendText", collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_TRUE(o.error);
    inner->erase("loop"); // break the cycle so the nodes are freed
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(ModelTransport, ImageRequestDecodesOrHandsNull)
{
    auto png = Image::create(1, 1, { 255, 0, 0, 255 })->jpegData(1.0);
    ASSERT_TRUE(png);
    server.setResponder([&](const RecordedRequest& r) {
        Reply reply = makeReply(200, r.path == "/pic" ? *png : std::string("not a picture"));
        reply.contentType = "image/jpeg";
        return reply;
    });
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::shared_ptr<Image>> images;
    auto handler = [&](std::shared_ptr<Image> image, std::optional<Error>) {
        std::lock_guard lock(m);
        images.push_back(image);
        cv.notify_all();
    };
    HttpRequest good;
    good.url = server.url() + "/pic";
    model().imageRequest(good, handler);
    HttpRequest bad;
    bad.url = server.url() + "/junk";
    model().imageRequest(bad, handler);
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return images.size() == 2; }));
    int decoded = 0;
    for (auto& image : images)
        if (image) {
            ++decoded;
            EXPECT_EQ(image->width(), 1);
        }
    EXPECT_EQ(decoded, 1);
}

TEST_F(ModelBadInput, TruncatedJsonHandsParseError)
{
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":{"a":[1,2)"); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_TRUE(o.error);
}

TEST_F(ModelBadInput, DeepNestingIsAnErrorNotACrash)
{
    std::string deep = R"({"Message":)" + std::string(100000, '[') + std::string(100000, ']') + "}";
    server.setResponder([&](const RecordedRequest&) { return makeReply(200, deep); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_TRUE(o.error);
}

TEST_F(ModelBadInput, FiftyMebibyteReplyIsDeliveredAndLogCut)
{
    LogCapture logs;
    std::string big = R"({"Message":")" + std::string(50u * 1024 * 1024, 'x') + R"("})";
    server.setResponder([&](const RecordedRequest&) { return makeReply(200, big); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    ASSERT_TRUE(o.content);
    EXPECT_EQ(o.content->asString().size(), 50u * 1024 * 1024);
    for (auto& line : logs.lines())
        EXPECT_LE(line.size(), Model::defaultMaxLogLength + 3);
}

TEST_F(ModelBadInput, InvalidUtf8IsRejectedAsJson)
{
    server.setResponder([](const RecordedRequest&) { return makeReply(200, "{\"Message\":\"\xff\xfe\"}"); });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_TRUE(o.error);
}

TEST_F(ModelBadInput, ServerClosingMidReplyHandsOneError)
{
    server.setResponder([](const RecordedRequest&) {
        Reply reply = makeReply(200, R"({"Message":")" + std::string(100000, 'y') + R"("})");
        reply.closeAfterBytes = 1000;
        return reply;
    });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_TRUE(o.error);
}

TEST_F(ModelBadInput, SilentServerTimesOutWithOneError)
{
    auto client = std::make_shared<CurlHttpClient>();
    client->setRequestTimeout(std::chrono::milliseconds(300));
    model().setHttpClient(client);
    server.setResponder([](const RecordedRequest&) {
        Reply reply;
        reply.delay = std::chrono::seconds(5);
        return reply;
    });
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->domain, "HTTP");
    // No second call arrives once the transfer is over.
    for (int i = 0; i < 200 && client->inFlight() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(collector.count(), 1u);
}

TEST_F(ModelBadInput, UnreachableServerHandsTransportError)
{
    int port;
    {
        RecordingServer gone;
        port = gone.port();
    }
    model().setConfiguration(*ServerConfiguration::create("http://127.0.0.1:" + std::to_string(port)));
    model().fetchTrashWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->domain, "HTTP");
}
