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
    EXPECT_TRUE(model().isRoot());
    EXPECT_EQ((std::vector<std::string> { model().authToken(), model().userOptions(), model().userFontName(), model().userFontSize(),
                  asset::ident(model().tab()).value_or("none"), model().userID(), model().userAssetID(), model().userRootAssetID() }),
        (std::vector<std::string> { "tok-1", "Helvetica:16:0.10,0.20,0.30:0.90,0.80,0.70", "Helvetica", "16", "t", "", "", "" }));
    EXPECT_EQ(model().userTextColour(), Colour::fromRGB(0.1, 0.2, 0.3));
    EXPECT_EQ(model().userBackgroundColour(), Colour::fromRGB(0.9, 0.8, 0.7));
    ASSERT_TRUE(model().tabs());
    ASSERT_EQ(model().tabs()->size(), 2u);
    // The tabs are the tab record's own children, not copies.
    EXPECT_EQ(model().tabs()->at(0).object(), model().tab()->get("Children").array()->at(0).object());
    ASSERT_TRUE(model().workflow());
    ASSERT_EQ(model().workflow()->size(), 2u);
    EXPECT_EQ(model().workflow()->at(1).object()->get("id").asInt(), 3);
    EXPECT_TRUE(logs.contains(R"(workflow [{"type":"Workflow","id":1},{"type":"Workflow","id":3}])"));

    // The shell rebuild waits for the main queue.
    EXPECT_EQ(rebuilt.load(), 0);
    EXPECT_TRUE(MainQueue::shared().runUntil([&] { return rebuilt.load() > 0; }, std::chrono::seconds(5)));
    EXPECT_EQ(rebuilt.load(), 1);
    EXPECT_TRUE(rebuiltOnMain.load());
}

// An empty reply, an alert, a lower-case "yes", wrongly typed fields or a failed request log nobody
// in and leave the session alone; the address is kept before the (slow) reply comes.
TEST_F(ModelSession, RefusedOrOddLoginRepliesLeaveTheSessionAlone)
{
    struct Case {
        const char* name;
        Reply reply;
        bool content;      // the handler gets the message
        const char* alert; // the error's description when the reply is refused
    } cases[] = {
        { "empty", makeReply(200, "{}"), false, nullptr },
        { "alert", makeReply(200, R"({"Message":{"Alert":"Wrong password","AuthToken":"nope","isRoot":"Yes"}})"), false, "Wrong password" },
        { "lower-case yes", makeReply(200, R"({"Message":{"isRoot":"yes","User":{}}})"), true, nullptr },
        { "wrongly typed", makeReply(200, R"({"Message":{"AuthToken":5,"User":{"DefaultOptions":7,"Tabs":[1]},"isRoot":true,"Profile":{}}})"),
            true, nullptr },
        { "failed request", makeReply(500, R"({"x":1})"), false, nullptr },
    };
    model().setTab(JsonObject::create({ { "AssetId", "old" } }));
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.reply.delay = std::chrono::milliseconds(50);
        server.setResponder([&](const RecordedRequest&) { return c.reply; });
        Collector replies;
        model().loginWithUsername(c.name, "p", replies.handler());
        EXPECT_EQ(model().username(), c.name);
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
    EXPECT_EQ(collector.single().content.value_or(JsonValue()).asString(), "bye");
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
    EXPECT_EQ(model().defaultFont(), (Font { "Courier", 20 }));
    EXPECT_EQ(model().defaultBackgroundColour(), Colour::fromRGB(0, 0, 1));

    model().fetchTabbarForAssetID("2", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    EXPECT_EQ(model().defaultOptions(), "");
    EXPECT_EQ(model().defaultFont(), (Font { "Courier", 20 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::fromRGB(0.5, 0.5, 0.5));
}
