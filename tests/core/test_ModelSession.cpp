// Login and logout: what each reply changes in the session.

#include "ModelFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelSession = ModelFixture;

const char* fullLogin = R"({"Message":{
  "AuthToken":"tok-1",
  "isRoot":"Yes",
  "User":{"DefaultOptions":"Helvetica:16:0.10,0.20,0.30:0.90,0.80,0.70",
          "Tabs":{"AssetId":"t","Type":"Tabbar","Children":[{"AssetId":"c1"},{"AssetId":"c2"}]},
          "Tabbar":"x"},
  "Profile":[{"type":"Workflow","id":1},{"type":"Other","id":2},{"type":"Workflow","id":3},7]
}})";
} // namespace

TEST_F(ModelSession, LoginSendsEncodedCredentialsAndStoresUsernameAtOnce)
{
    server.setResponder([](const RecordedRequest&) {
        Reply reply = makeReply(200, "{}");
        reply.delay = std::chrono::milliseconds(50);
        return reply;
    });
    model().loginWithUsername("me+1@x.org", "pa ss:w/d", collector.handler());
    EXPECT_EQ(model().username(), "me+1@x.org");
    EXPECT_EQ(onlyRequest().target, base() + "login?email=me%2B1@x.org&password=pa%20ss%3aw%2fd");
    Outcome o = collector.single();
    EXPECT_FALSE(o.content);
    EXPECT_FALSE(model().isLoggedIn());
}

TEST_F(ModelSession, FullLoginReplyFillsTheSessionAndLogsTheWorkflows)
{
    LogCapture logs;
    std::atomic<int> rebuilt { 0 };
    std::atomic<bool> rebuiltOnMain { false };
    model().setLoginTabbarItemsHandler([&] {
        rebuiltOnMain = MainQueue::shared().isMainThread();
        ++rebuilt;
    });
    server.setResponder([](const RecordedRequest&) { return makeReply(200, fullLogin); });
    model().loginWithUsername("a@b", "p", collector.handler());
    Outcome o = collector.single();
    ASSERT_TRUE(o.content && o.content->isObject());
    EXPECT_EQ(o.content->object()->get("AuthToken").asString(), "tok-1");
    EXPECT_FALSE(o.error);

    EXPECT_TRUE(model().isLoggedIn());
    EXPECT_EQ(model().authToken(), "tok-1");
    EXPECT_TRUE(model().isRoot());
    EXPECT_EQ(model().userOptions(), "Helvetica:16:0.10,0.20,0.30:0.90,0.80,0.70");
    EXPECT_EQ(model().userFontName(), "Helvetica");
    EXPECT_EQ(model().userFontSize(), "16");
    ASSERT_TRUE(model().userTextColour());
    EXPECT_DOUBLE_EQ(model().userTextColour()->green, 0.2);
    ASSERT_TRUE(model().userBackgroundColour());
    EXPECT_DOUBLE_EQ(model().userBackgroundColour()->red, 0.9);
    ASSERT_TRUE(model().tab());
    EXPECT_EQ(asset::ident(model().tab()), "t");
    ASSERT_TRUE(model().tabs());
    ASSERT_EQ(model().tabs()->size(), 2u);
    // The tabs are the tab record's own children, not copies.
    EXPECT_EQ(model().tabs()->at(0).object(), model().tab()->get("Children").array()->at(0).object());
    ASSERT_TRUE(model().workflow());
    ASSERT_EQ(model().workflow()->size(), 2u);
    EXPECT_EQ(model().workflow()->at(1).object()->get("id").asInt(), 3);
    EXPECT_TRUE(model().userID().empty());
    EXPECT_TRUE(model().userAssetID().empty());
    EXPECT_TRUE(model().userRootAssetID().empty());
    EXPECT_TRUE(logs.contains(R"(workflow [{"type":"Workflow","id":1},{"type":"Workflow","id":3}])"));

    // The shell rebuild waits for the main queue.
    EXPECT_EQ(rebuilt.load(), 0);
    EXPECT_TRUE(MainQueue::shared().runUntil([&] { return rebuilt.load() > 0; }, std::chrono::seconds(5)));
    EXPECT_EQ(rebuilt.load(), 1);
    EXPECT_TRUE(rebuiltOnMain.load());
}

// An alert, a lower-case "yes", wrongly typed fields or a failed request log nobody in and leave
// the session alone.
TEST_F(ModelSession, RefusedOrOddLoginRepliesLeaveTheSessionAlone)
{
    struct Case {
        const char* name;
        Reply reply;
        bool content;      // the handler gets the message
        const char* alert; // the error's description when the reply is refused
    } cases[] = {
        { "alert", makeReply(200, R"({"Message":{"Alert":"Wrong password","AuthToken":"nope","isRoot":"Yes"}})"), false, "Wrong password" },
        { "lower-case yes", makeReply(200, R"({"Message":{"isRoot":"yes","User":{}}})"), true, nullptr },
        { "wrongly typed", makeReply(200, R"({"Message":{"AuthToken":5,"User":{"DefaultOptions":7,"Tabs":[1]},"isRoot":true,"Profile":{}}})"),
            true, nullptr },
        { "failed request", makeReply(500, R"({"x":1})"), false, nullptr },
    };
    model().setTab(JsonObject::create({ { "AssetId", "old" } }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setResponder([&](const RecordedRequest&) { return c.reply; });
        Collector replies;
        model().loginWithUsername("a@b", "p", replies.handler());
        Outcome o = replies.single();
        EXPECT_EQ(o.content.has_value(), c.content);
        EXPECT_EQ(o.error.has_value(), c.alert != nullptr);
        if (c.alert && o.error) {
            EXPECT_EQ(o.error->domain, "world");
            EXPECT_EQ(o.error->code, 200);
            EXPECT_EQ(o.error->localizedDescription, c.alert);
        }
        EXPECT_FALSE(model().isLoggedIn());
        EXPECT_FALSE(model().isRoot());
        EXPECT_EQ(model().username(), "a@b");
        EXPECT_EQ(model().userOptions(), "");
        EXPECT_EQ(asset::ident(model().tab()), "old");
        EXPECT_FALSE(model().workflow());
    }
}

// Logout hands the reply on and changes no session field; a tab bar fetch remembers its id
// before the request is sent.
TEST_F(ModelSession, LogoutKeepsTheSessionAndATabbarFetchRemembersItsIdFirst)
{
    model().setAuthToken("keep");
    server.setResponder([](const RecordedRequest&) {
        Reply reply = makeReply(200, R"({"Message":"bye"})");
        reply.delay = std::chrono::milliseconds(50);
        return reply;
    });
    model().logoutWithCompletionHandler(collector.handler());
    Outcome o = collector.single();
    ASSERT_TRUE(o.content);
    EXPECT_EQ(o.content->asString(), "bye");
    EXPECT_EQ(onlyRequest().target, base() + "logoutUser");
    EXPECT_EQ(model().authToken(), "keep");
    model().fetchTabbarForAssetID("77", collector.handler());
    EXPECT_EQ(model().tabbarID(), "77");
    ASSERT_TRUE(collector.waitFor(2));
}

TEST_F(ModelSession, PageRepliesReplaceDefaultOptionsButKeepParsedDefaults)
{
    server.setResponder([](const RecordedRequest& r) {
        if (r.target.find("assetid=1") != std::string::npos)
            return makeReply(200, R"({"Message":{"DefaultOptions":"Courier:20:0.50,0.50,0.50:0.00,0.00,1.00","Children":[]}})");
        return makeReply(200, R"({"Message":{"Children":[]}})");
    });
    model().fetchDirectoryForAssetID("1", collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(model().defaultOptions(), "Courier:20:0.50,0.50,0.50:0.00,0.00,1.00");
    EXPECT_EQ(model().defaultFont().name, "Courier");
    EXPECT_EQ(model().defaultFont().pointSize, 20);
    EXPECT_EQ(model().defaultBackgroundColour(), Colour::fromRGB(0, 0, 1));

    model().fetchTabbarForAssetID("2", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    EXPECT_EQ(model().defaultOptions(), "");
    EXPECT_EQ(model().defaultFont().name, "Courier");
    EXPECT_EQ(model().defaultTextColour(), Colour::fromRGB(0.5, 0.5, 0.5));
}
