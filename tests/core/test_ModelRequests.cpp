// Requests: server addresses from arguments and environment, the exact request each operation
// sends, percent-encoding, the reply envelope, cookie and token headers, failures and hostile
// replies, picture uploads, and the thread handlers run on.

#include "ModelFixture.h"

#include "core/FileUpload.h"
#include "platform/Base64.h"
#include "platform/JsonParser.h"

#include <functional>
#include <map>
#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

struct OperationCase {
    std::function<void(Model&, Model::Handler)> call;
    const char* method;
    std::string target; // after the base path
    std::string body;   // compact JSON or form text; empty for GETs
};

// Keeps test listings short: the case prints as its target, not as raw bytes.
void PrintTo(const OperationCase& c, std::ostream* out)
{
    *out << c.target;
}

JsonObjectPtr dict(std::vector<JsonObject::Entry> entries)
{
    return JsonObject::create(std::move(entries));
}

std::vector<OperationCase> operationCases()
{
    using H = Model::Handler;
    auto image = Image::create(2, 2, std::vector<uint8_t>(16, 200));
    JsonValue picture(std::static_pointer_cast<Opaque>(image));
    return {
        { [](Model& m, H h) { m.loginWithUsername("a b+c@x.org", "p/w:1&2", h); }, "GET", "login?email=a%20b%2Bc@x.org&password=p%2fw%3a1%262", "" },
        { [](Model& m, H h) { m.logoutWithCompletionHandler(h); }, "GET", "logoutUser", "" },
        { [](Model& m, H h) { m.addAccountWithUsername("e@x", "p w", "Acme/Co", h); },
            "GET", "registerCompany?email=e@x&password=p%20w&company=Acme%2fCo&device=dev7", "" },
        { [](Model& m, H h) { m.changePassword("n:w", h); }, "GET", "changePassword?userID=&password=n%3aw", "" },
        { [](Model& m, H h) { m.publishAsset("12", h); }, "GET", "setPublished?assetid=12", "" },
        { [](Model& m, H h) { m.fetchTabbarForAssetID("5", h); }, "GET", "getTabbar?assetid=5", "" },
        { [](Model& m, H h) { m.fetchDirectoryForAssetID("9", h); }, "GET", "contentForNode?assetid=9", "" },
        { [](Model& m, H h) { m.fetchDirectoryForAssetID("", h); }, "GET", "contentForNode", "" },
        { [](Model& m, H h) { m.fetchDocumentForAssetID("3", h); }, "GET", "getDocument.php?assetid=3", "" },
        { [](Model& m, H h) { m.fetchPageListWithCompletionHandler(h); }, "GET", "pageList", "" },
        { [](Model& m, H h) { m.fetchTrashWithCompletionHandler(h); }, "GET", "trash", "" },
        { [](Model& m, H h) { m.fetchImageListWithCompletionHandler(h); }, "GET", "imageList", "" },
        { [](Model& m, H h) { m.fetchAssociatedAssetsForAssetID("4", h); }, "GET", "associatedAssets.php?a=4", "" },
        { [](Model& m, H h) { m.associateAssetID("linked", "receiving", h); }, "GET", "associateAssets.php?a=receiving&b=linked", "" },
        { [](Model& m, H h) { m.addDirectoryToAssetId("7", "Fish & Chips", h); }, "GET", "makePage?assetid=7&name=Fish%20%26%20Chips", "" },
        { [](Model& m, H h) { m.addFormToAssetId("7", "F", "Thanks!", "http://x/1", h); },
            "GET", "makeForm?assetid=7&name=F&message=Thanks!&linkassetid=http%3a%2f%2fx%2f1", "" },
        { [](Model& m, H h) { m.carousel("Carousel:2", "8", h); }, "GET", "setCarousel?assetid=8&option=Carousel:2", "" },
        { [](Model& m, H h) { m.deleteAsset("6", h); }, "GET", "deleteAsset?assetid=6", "" },
        { [](Model& m, H h) { m.restoreAsset("6", h); }, "GET", "restoreAsset?assetid=6", "" },
        { [](Model& m, H h) { m.sendDateForAssetID("2", "date", *Model::dateFromServerDateString("2015-06-01 10:00:00"), h); },
            "GET", "setDate?assetid=2&date=2015-06-01%2010%3a00%3a00", "" },
        { [](Model& m, H h) { m.sendDateForAssetID("2", "endDate", *Model::dateFromServerDateString("2015-06-01 23:05:09"), h); },
            "GET", "setDate?assetid=2&endDate=2015-06-01%2023%3a05%3a09", "" },
        { [](Model& m, H h) { m.sendName(dict({ { "assetid", "1" }, { "name", "N" } }), h); }, "POST", "setName", R"({"assetid":"1","name":"N"})" },
        { [](Model& m, H h) { m.sendOptions(dict({ { "toptions", "A:1:0.00,0.00,0.00:1.00,1.00,1.00" } }), h); },
            "POST", "updateDefaultOptions", R"({"toptions":"A:1:0.00,0.00,0.00:1.00,1.00,1.00"})" },
        { [](Model& m, H h) { m.sendForm(dict({ { "formid", "3" }, { "Age", "4" } }), h); }, "POST", "sendForm", R"({"formid":"3","Age":"4"})" },
        { [](Model& m, H h) { m.sendText(dict({ { "assetid", "1" }, { "text", "t\"q" } }), h); },
            "POST", "sendText", R"({"assetid":"1","text":"t\"q"})" },
        { [](Model& m, H h) { m.sendTextField(dict({ { "assetid", "1" }, { "title", "T" } }), h); },
            "POST", "sendTextField", R"({"assetid":"1","title":"T"})" },
        { [](Model& m, H h) { m.sendTextView(dict({ { "assetid", "1" }, { "title", "V" } }), h); },
            "POST", "sendTextView", R"({"assetid":"1","title":"V"})" },
        { [](Model& m, H h) { m.addImage(dict({ { "AssetId", "1" } }), dict({ { "assetid", "2" } }), h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"2","action":"add"})" },
        { [](Model& m, H h) { m.linkImage(dict({ { "AssetId", "1" } }), dict({ { "AssetId", "2" } }), h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"2"})" },
        { [](Model& m, H h) { m.linkImage(dict({ { "AssetId", "1" } }), nullptr, h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"0"})" },
        // Compact JSON: no line breaks inside the Base64 text either.
        { [picture](Model& m, H h) { m.sendImage(dict({ { "AssetId", "44" }, { "image", picture } }), h); },
            "POST", "sendImage", R"({"assetid":"44","image":")" + Base64::encode(*image->jpegData(1.0)) + R"("})" },
        { [](Model& m, H h) { m.swapAssetId("1", "2", h); }, "POST", "swapAssets", R"({"assetid":"1","secondid":"2"})" },
        { [](Model& m, H h) { m.sendContactFormWithEmail("e@x", "a=b&c", "hi thére", h); },
            "POST", "addContactRequest.php", "rootAssetID=tb1&email=e@x&subject=a=b&c&body=hi thére" },
        { [](Model& m, H h) { m.fetchContactRequestsWithCompletionHandler(h); }, "GET", "getContactRequests.php", "" },
        { [](Model& m, H h) { m.userBeaconsWithCompletionHandler(h); }, "GET", "userBeacons", "" },
        { [](Model& m, H h) { m.beaconListWithCompletionHandler(h); }, "GET", "beaconList", "" },
        { [](Model& m, H h) { m.addBeaconID("B:1", "2", "3", "hello world", h); },
            "GET", "saveBeacon?message=hello%20world&beaconID=B%3a1&beaconmajor=2&beaconminor=3", "" },
        { [](Model& m, H h) { m.addTextToAssetId("1", "a/b", h); }, "GET", "addText?assetid=1&text=a%2fb", "" },
        { [](Model& m, H h) { m.addTextFieldToAssetId("1", "T T", h); }, "GET", "addTextField?assetid=1&title=T%20T", "" },
        { [](Model& m, H h) { m.addTextViewToAssetId("1", "V", h); }, "GET", "addTextView?assetid=1&title=V", "" },
    };
}

class ModelOperations : public ModelFixture, public ::testing::WithParamInterface<OperationCase> { };
using ModelIgnoredOperations = ModelFixture;
using ModelTransport = ModelFixture;
using ModelBadInput = ModelFixture;
using FileUploadTest = ModelFixture;

ServerConfiguration::Environment env(std::map<std::string, std::string> values)
{
    return [values](const std::string& name) -> std::optional<std::string> {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(ServerConfiguration, BaseAndLegacyFromOneHostOrTwoAndMalformedUrlsAreClearErrors)
{
    auto c = ServerConfiguration::create("http://127.0.0.1:8080");
    ASSERT_TRUE(c);
    EXPECT_EQ((std::vector<std::string> { c->baseURL(), c->legacyBaseURL() }),
        (std::vector<std::string> { "http://127.0.0.1:8080/~corvath/vantro/web/app_dev.php/", "http://127.0.0.1:8080/json/" }));
    // A trailing slash or the fixed path is not doubled.
    for (const char* given : { "http://h.example:81/", "http://h.example:81/~corvath/vantro/web/app_dev.php/",
             "http://h.example:81/~corvath/vantro/web/app_dev.php" }) {
        auto trimmed = ServerConfiguration::create(given);
        ASSERT_TRUE(trimmed) << given;
        EXPECT_EQ(trimmed->baseURL(), "http://h.example:81/~corvath/vantro/web/app_dev.php/") << given;
    }
    auto legacy = ServerConfiguration::create("https://a", std::string_view("http://b:9/json/"));
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->legacyBaseURL(), "http://b:9/json/");
    EXPECT_EQ(legacy->baseURL(), "https://a/~corvath/vantro/web/app_dev.php/");

    // Malformed addresses are clear errors.
    for (const char* bad : { "ftp://h", "127.0.0.1:8080", "http://", "http://h:0", "http://h:70000", "http://h:8o",
             "http://h/other/path", "http://h:", "http://a b" }) {
        std::string error;
        EXPECT_FALSE(ServerConfiguration::create(bad, std::nullopt, &error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ServerConfiguration::create("http://ok", std::string_view("json"), &error));
    EXPECT_NE(error.find("json"), std::string::npos);
}

TEST(ServerConfiguration, CommandLineWinsOverEnvironmentAndNeedsItsValue)
{
    std::string error;
    auto c = ServerConfiguration::fromArguments({ "prog", "--server", "http://cli:1" },
        env({ { "QUINDLE_SERVER", "http://env:2" }, { "QUINDLE_LEGACY", "http://envlegacy:3" } }), &error);
    ASSERT_TRUE(c) << error;
    auto e = ServerConfiguration::fromArguments({ "prog" }, env({ { "QUINDLE_SERVER", "http://env:2" } }), &error);
    ASSERT_TRUE(e);
    EXPECT_EQ((std::vector<std::string> { c->host(), c->legacyHost(), e->host(), e->legacyHost() }),
        (std::vector<std::string> { "http://cli:1", "http://envlegacy:3", "http://env:2", "http://env:2" }));
    auto eq = ServerConfiguration::fromArguments({ "prog", "--legacy=http://l:4", "--server=http://s:5" }, env({}), &error);
    ASSERT_TRUE(eq);
    EXPECT_EQ(eq->legacyBaseURL(), "http://l:4/json/");
    // Nothing given is no error, but a missing or bad value is.
    const std::pair<std::vector<std::string>, bool> unusable[] = { { { "prog", "--demo" }, false }, { { "prog", "--server" }, true },
        { { "prog", "--server", "nonsense" }, true } };
    for (const auto& [arguments, isError] : unusable) {
        error = "stale";
        EXPECT_FALSE(ServerConfiguration::fromArguments(arguments, env({}), &error));
        EXPECT_EQ(error.empty(), !isError) << arguments.back();
    }
}

TEST_P(ModelOperations, SendsExactRequest)
{
    const OperationCase& c = GetParam();
    model().setDevID("dev7");
    model().setPushTokenID("tok");
    model().setTabbarID("tb1");
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":"ok"})"); });

    c.call(model(), collector.handler());
    RecordedRequest r = onlyRequest();
    EXPECT_EQ(r.method, c.method);
    EXPECT_EQ(r.target, base() + c.target);
    EXPECT_EQ(r.body, c.body);
    if (std::string(c.method) == "POST") {
        EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.header("Content-Length"), std::to_string(c.body.size()));
        // No session token, no token header.
        EXPECT_EQ(r.headerCount("wibble"), 0u);
    }
    Outcome o = collector.single();
    ASSERT_TRUE(o.content.has_value());
    EXPECT_EQ(o.content->asString(), "ok");
}

INSTANTIATE_TEST_SUITE_P(Every, ModelOperations, ::testing::ValuesIn(operationCases()));


// Requests that hand nothing back, and a dictionary sent as it is: the target and the log line.
TEST_F(ModelIgnoredOperations, SendTheirRequestAndLogIt)
{
    // Without a push token the device and a beacon send nothing (the first request below is the
    // reset) and call no handler.
    model().sendDeviceID("phone");
    model().addBeaconID("b", "1", "2", "m", [](auto, auto) { ADD_FAILURE() << "beacon handler called"; });
    model().setDevID("d/1");
    model().setPushTokenID("abc123");
    const std::string device = base() + "registerDevice?name=My%20Phone&deviceid=d/1&pushtoken=abc123";
    struct Case {
        std::function<void()> call;
        std::string target;
        std::string log;
    } cases[] = {
        { [] { model().resetPassword("a b@x"); }, base() + "resetPassword?email=a%20b@x", "" },
        { [] { model().sendDeviceID("My Phone"); }, device, "register device " + server.url() + device },
        { [] { model().sendError("bad: thing"); }, base() + "sendError.php?error=bad%3a%20thing", "send error bad: thing" },
        { [&] { model().sendDict(dict({ { "a", 1 } }), "sendText", collector.handler()); }, base() + "sendText",
            "request POST " + server.url() + base() + "sendText" },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].target);
        LogCapture logs;
        cases[i].call();
        ASSERT_TRUE(server.waitForRequests(i + 1));
        EXPECT_EQ(server.requests().at(i).target, cases[i].target);
        if (!cases[i].log.empty()) {
            EXPECT_TRUE(logs.contains(cases[i].log));
        }
    }
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

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

// Handlers run on the callback thread and requests are logged.
TEST_F(ModelTransport, CookiesOf200RepliesAndTheTokenGoOutAsTheClientSendsThem)
{
    LogCapture logs;
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
    for (const Outcome& o : collector.outcomes())
        EXPECT_TRUE(!o.onMainThread && o.onCallbackThread);
    EXPECT_TRUE(logs.contains("requestWithURL " + server.url() + "/anon") && logs.contains("json {}"));
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
        std::string values = r.header("Cookies");
        std::erase(values, ' ');
        sent.push_back(std::to_string(r.headerCount("Cookies")) + ":" + values + " " + std::to_string(r.headerCount("wibble")) + ":"
            + r.header("wibble"));
    }
    EXPECT_EQ(sent, (std::vector<std::string> { "0: 0:", "0: 1:T1", "1:A,B 0:", "1:A,B 1:T2" }));
}

// Whatever the status, type or shape of a reply, the handler is called once with content or an
// error; refused replies are logged. A silent server times out and an unreachable one fails.
TEST_F(ModelBadInput, EachReplyShapeHandsNothingWithTheRightError)
{
    auto reply = [](int status, std::string body, const char* type = "application/json") {
        Reply r = makeReply(status, std::move(body));
        r.contentType = type;
        return r;
    };
    Reply cut = makeReply(200, R"({"Message":")" + std::string(100000, 'y') + R"("})");
    cut.closeAfterBytes = 1000;
    Reply silent = makeReply(200, "{}");
    silent.delay = std::chrono::seconds(5);
    int gonePort;
    {
        RecordingServer gone;
        gonePort = gone.port();
    }
    auto client = std::make_shared<CurlHttpClient>();
    client->setRequestTimeout(std::chrono::seconds(1));
    model().setHttpClient(client);
    struct Case {
        const char* name;
        Reply reply;
        const char* error; // nullptr: no error; "": of any domain
        std::string log;
        std::string host = ""; // another server address
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
        // The silent server comes last but one: it stays busy after the client gives up.
        { "silent server", silent, "HTTP", "" },
        { "unreachable server", silent, "HTTP", "", "http://127.0.0.1:" + std::to_string(gonePort) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture logs;
        if (!c.host.empty())
            model().setConfiguration(*ServerConfiguration::create(c.host));
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
        // No second call arrives once the transfer is over.
        for (int i = 0; i < 200 && client->inFlight() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(replies.count(), 1u);
    }
}

// No picture, an unknown date key, or a dictionary that holds itself cannot be sent: each handler
// gets an error and nothing goes out (a record's picture is a row of the exact-request table).
TEST_F(ModelTransport, RefusesWhatCannotBeSent)
{
    auto outer = JsonObject::create({ { "a", 1 } });
    outer->set("loop", outer);
    model().sendImage(dict({ { "AssetId", "44" } }), collector.handler());
    model().sendDateForAssetID("1", "startDate", Date {}, collector.handler());
    model().sendDict(outer, "sendText", collector.handler());
    ASSERT_TRUE(collector.waitFor(3));
    for (const Outcome& o : collector.outcomes()) {
        EXPECT_FALSE(o.content);
        EXPECT_FALSE(o.error.value_or(Error {}).localizedDescription.empty());
    }
    outer->erase("loop"); // break the cycle so the node is freed
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(collector.count(), 3u);
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

// The exact body keeps the bytes unchanged; empty data calls back at once and sends nothing; an
// upload goes through the transport with the session's headers.
TEST_F(FileUploadTest, ExactBodyAroundTheBytesAndAnUploadCarriesTheSessionHeaders)
{
    auto request = FileUpload::createPostRequestWithURL("http://h/json/upload.php?a=1", "abc");
    ASSERT_TRUE(request);
    EXPECT_EQ((std::vector<std::string> { request->method, request->url, request->header("Content-Type").value_or("") }),
        (std::vector<std::string> { "POST", "http://h/json/upload.php?a=1", "multipart/form-data; boundary=0xKhTmLbOuNdArY" }));
    EXPECT_EQ(request->headers.size(), 1u);
    std::regex shape("--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"uploaded\"; "
                     "filename=\"Image_[0-9]{14}\\.jpg\"\r\n\r\nabc\r\n--0xKhTmLbOuNdArY--\r\n");
    EXPECT_TRUE(std::regex_match(request->body, shape)) << request->body;
    // Binary bytes pass unchanged.
    std::string bytes("\0\r\n--\xff", 6);
    auto binary = FileUpload::createPostRequestWithURL("http://h/u", bytes);
    ASSERT_TRUE(binary);
    size_t start = binary->body.find("\r\n\r\n") + 4;
    EXPECT_EQ(binary->body.substr(start, bytes.size()), bytes);
    EXPECT_EQ(binary->body.substr(start + bytes.size()), "\r\n--0xKhTmLbOuNdArY--\r\n");
    // No address or no data gives no request.
    EXPECT_FALSE(FileUpload::createPostRequestWithURL("", "abc"));
    EXPECT_FALSE(FileUpload::createPostRequestWithURL("http://h/u", ""));
    FileUpload::sendFileDataWithURL(server.url() + "/up", "", collector.handler());
    ASSERT_EQ(collector.count(), 1u);
    EXPECT_FALSE(collector.outcomes()[0].content || collector.outcomes()[0].error);
    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, R"({"Message":{"url":"x"}})");
        if (r.path == "/cookie")
            reply.headers = { { "Set-Cookie", "k=C1" } };
        return reply;
    });
    model().requestWithURL(server.url() + "/cookie", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    model().setAuthToken("tk");
    FileUpload::sendFileDataWithURL(server.url() + "/json/upload.php?id=3", "JPEGDATA", collector.handler());
    ASSERT_TRUE(collector.waitFor(3));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const RecordedRequest& up = requests[1];
    // The loopback server takes multipart bodies apart itself; the exact bytes are checked above.
    EXPECT_EQ((std::vector<std::string> { up.method, up.target, up.header("Cookies"), up.header("wibble"), up.header("Content-Type") }),
        (std::vector<std::string> { "POST", "/json/upload.php?id=3", "C1", "tk", "multipart/form-data; boundary=0xKhTmLbOuNdArY" }));
    auto outcome = collector.outcomes()[2];
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    EXPECT_EQ(outcome.content->object()->get("url").asString(), "x");
    EXPECT_FALSE(outcome.onMainThread);
}
