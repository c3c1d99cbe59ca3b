// Transport: percent-encoding, the reply envelope, cookie and token headers, failures and
// hostile replies, and the thread handlers run on.

#include "ModelFixture.h"

#include "platform/JsonParser.h"

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelTransport = ModelFixture;
using ModelBadInput = ModelFixture;

std::string withoutBlanks(std::string value)
{
    std::erase(value, ' ');
    return value;
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
    EXPECT_EQ(Model::contentForNode(parse(R"({"Children":[1],"Message":"ok"})")).value_or(JsonValue()).asString(), "ok");
    auto nullMessage = Model::contentForNode(parse(R"({"Message":null})"));
    ASSERT_TRUE(nullMessage.has_value());
    EXPECT_TRUE(nullMessage->isNull());
    EXPECT_FALSE(Model::contentForNode(parse(R"({"other":1})")).has_value());
    EXPECT_FALSE(Model::contentForNode(nullptr).has_value());
}

TEST_F(ModelTransport, HandlersRunOnTheCallbackThreadAndRequestsAreLogged)
{
    LogCapture logs;
    model().requestWithURL(server.url() + "/logged?a=1", collector.handler());
    Outcome o = collector.single();
    EXPECT_FALSE(o.onMainThread);
    EXPECT_TRUE(o.onCallbackThread);
    EXPECT_TRUE(logs.contains("requestWithURL " + server.url() + "/logged?a=1"));
    EXPECT_TRUE(logs.contains("json {}"));
}

TEST_F(ModelTransport, CookiesOf200RepliesAndTheTokenGoOutAsTheClientSendsThem)
{
    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, "{}");
        if (r.path == "/set")
            reply.headers = { { "Set-Cookie", "first=A; Path=/" }, { "Set-Cookie", "second=B; Path=/" } };
        if (r.path == "/fail") {
            reply.status = 403;
            reply.headers = { { "Set-Cookie", "s=LOST" } };
        }
        return reply;
    });
    // Without a cookie list a GET carries neither cookies nor the token; a POST carries the token.
    model().setAuthToken("T1");
    model().fetchTrashWithCompletionHandler(collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    model().sendDict(JsonObject::create({ { "a", "b" } }), "sendText", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    model().setAuthToken("");
    model().requestWithURL(server.url() + "/set", collector.handler());
    ASSERT_TRUE(collector.waitFor(3));
    model().requestWithURL(server.url() + "/anon", collector.handler());
    ASSERT_TRUE(collector.waitFor(4));
    model().setAuthToken("T2");
    model().requestWithURL(server.url() + "/after", collector.handler());
    ASSERT_TRUE(collector.waitFor(5));
    // Replies without cookies, and cookies of a refused reply, leave the list as it is.
    model().requestWithURL(server.url() + "/none", collector.handler());
    model().requestWithURL(server.url() + "/fail", collector.handler());
    ASSERT_TRUE(collector.waitFor(7));
    auto cookies = model().cookies();
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].value, "A");
    EXPECT_EQ(cookies[1].value, "B");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 7u);
    // Per request: how many cookie headers and their values, then how many token headers and the token.
    std::vector<std::string> sent;
    for (size_t i : { 0, 1, 3, 4 }) {
        const RecordedRequest& r = requests[i];
        sent.push_back(std::to_string(r.headerCount("Cookies")) + ":" + withoutBlanks(r.header("Cookies")) + " "
            + std::to_string(r.headerCount("wibble")) + ":" + r.header("wibble"));
    }
    EXPECT_EQ(sent, (std::vector<std::string> { "0: 0:", "0: 1:T1", "1:A,B 0:", "1:A,B 1:T2" }));
}

// Whatever the status, type or shape of a reply, the handler is called once with content or an
// error; refused replies are logged.
TEST_F(ModelBadInput, EachReplyShapeHandsNothingWithTheRightError)
{
    auto reply = [](int status, std::string body, const char* type = "application/json") {
        Reply r = makeReply(status, std::move(body));
        r.contentType = type;
        return r;
    };
    Reply cut = makeReply(200, R"({"Message":")" + std::string(100000, 'y') + R"("})");
    cut.closeAfterBytes = 1000;
    struct Case {
        const char* name;
        Reply reply;
        const char* error; // nullptr: no error; "": of any domain
        std::string log;
    } cases[] = {
        { "no envelope keys", reply(200, R"({"x":1})"), nullptr, "" },
        { "empty body", reply(200, ""), nullptr, "" },
        { "refused with JSON", reply(500, R"({"Message":"boom"})"), nullptr, R"(error code 500 message {"Message":"boom"})" },
        { "refused with text", reply(404, "no such page", "text/plain"), "JSON", "error code 404 message no such page" },
        { "top-level array", reply(200, "[1,2,3]"), JsonParser::errorDomain, "" },
        { "top-level number", reply(200, "42"), JsonParser::errorDomain, "" },
        { "top-level string", reply(200, "\"text\""), JsonParser::errorDomain, "" },
        { "truncated", reply(200, R"({"Message":{"a":[1,2)"), "", "" },
        { "deep nesting", reply(200, R"({"Message":)" + std::string(100000, '[') + std::string(100000, ']') + "}"), "", "" },
        { "invalid UTF-8", reply(200, "{\"Message\":\"\xff\xfe\"}"), "", "" },
        { "closed mid reply", cut, "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture logs;
        server.setResponder([&](const RecordedRequest&) { return c.reply; });
        Collector replies;
        model().fetchTrashWithCompletionHandler(replies.handler());
        Outcome o = replies.single();
        EXPECT_FALSE(o.content);
        EXPECT_EQ(o.error.has_value(), c.error != nullptr);
        if (o.error && c.error && *c.error) {
            EXPECT_EQ(o.error->domain, c.error);
        }
        if (!c.log.empty()) {
            EXPECT_TRUE(logs.contains(c.log));
        }
    }
}

TEST_F(ModelTransport, PostRequestCarriesLengthTypeAndToken)
{
    model().setAuthToken("tok");
    HttpRequest r = model().postRequestWithString("k=v&é", "http://h/x");
    EXPECT_EQ((std::vector<std::string> { r.method, r.url, r.header("Content-Length").value_or(""), r.header("Content-Type").value_or(""),
                  r.header("wibble").value_or(""), r.body }),
        (std::vector<std::string> { "POST", "http://h/x", "6", "application/x-www-form-urlencoded", "tok", "k=v&é" }));
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

// A silent server times out and an unreachable one fails: each hands one transport error.
TEST_F(ModelBadInput, SilentOrUnreachableServerHandsOneTransportError)
{
    auto client = std::make_shared<CurlHttpClient>();
    client->setRequestTimeout(std::chrono::milliseconds(300));
    model().setHttpClient(client);
    server.setResponder([](const RecordedRequest&) {
        Reply reply;
        reply.delay = std::chrono::seconds(5);
        return reply;
    });
    int port;
    {
        RecordingServer gone;
        port = gone.port();
    }
    for (const std::string& host : { server.url(), "http://127.0.0.1:" + std::to_string(port) }) {
        SCOPED_TRACE(host);
        model().setConfiguration(*ServerConfiguration::create(host));
        Collector replies;
        model().fetchTrashWithCompletionHandler(replies.handler());
        Outcome o = replies.single();
        EXPECT_FALSE(o.content);
        ASSERT_TRUE(o.error);
        EXPECT_EQ(o.error->domain, "HTTP");
        // No second call arrives once the transfer is over.
        for (int i = 0; i < 200 && client->inFlight() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(replies.count(), 1u);
    }
}
