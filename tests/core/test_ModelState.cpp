// Session state: what login and logout replies change, options strings, site defaults and row
// heights, server dates, day and hour differences, and moving an event's dates.

#include "ModelFixture.h"

#include <cstdlib>
#include <ctime>

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelSession = ModelFixture;
using ModelDisplayOptions = ModelFixture;

const char* fullLogin = R"({"Message":{
  "AuthToken":"tok-1",
  "isRoot":"Yes",
  "User":{"DefaultOptions":"Helvetica:16:0.10,0.20,0.30:0.90,0.80,0.70",
          "Tabs":{"AssetId":"t","Type":"Tabbar","Children":[{"AssetId":"c1"},{"AssetId":"c2"}]},
          "Tabbar":"x"},
  "Profile":[{"type":"Workflow","id":1},{"type":"Other","id":2},{"type":"Workflow","id":3},7]
}})";

AssetRecord withOptions(std::string options, std::string text = "")
{
    return JsonObject::create({ { "Type", "Text" }, { "Options", options }, { "Data", text } });
}

Date at(const char* text)
{
    auto date = Model::dateFromServerDateString(text);
    EXPECT_TRUE(date) << text;
    return date.value_or(Date {});
}

/// Runs a test in a named time zone and puts the process zone back afterwards.
class ModelDates : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_saved ? setenv("TZ", m_saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void useZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    const char* m_zone = std::getenv("TZ");
    std::optional<std::string> m_saved = m_zone ? std::optional<std::string>(m_zone) : std::nullopt;
};

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

TEST_F(ModelDisplayOptions, FontNeedsANameAndASizeAndColoursFourComponentsAndThreeNumbers)
{
    // Two components give a font but no colours.
    EXPECT_EQ(model().fontFromOptions("Courier:20"), (Font { "Courier", 20 }));
    EXPECT_FALSE(model().textColourFromOptions("Courier:20"));
    EXPECT_FALSE(model().backgroundColourFromOptions("Courier:20"));
    // A fractional size is truncated and a junk size is zero.
    EXPECT_EQ(model().fontFromOptions("Courier:18.5:0,0,0:1,1,1")->pointSize, 18);
    EXPECT_EQ(model().fontSizeFromOptions("Courier:18.5:0,0,0:1,1,1"), "18.5");
    EXPECT_EQ(model().fontFromOptions("Courier:big")->pointSize, 0);
    // A single component gives no name or size; an unknown font falls back to the site default.
    EXPECT_EQ(model().fontNameFromOptions("Courier"), "");
    EXPECT_EQ(model().fontSizeFromOptions("Courier"), "");
    EXPECT_EQ(model().fontSizeFromOptions(""), "");
    EXPECT_FALSE(model().fontFromOptions("Courier"));
    EXPECT_FALSE(model().fontFromOptions("Wingbats:12"));
    EXPECT_EQ(model().fontForAsset(withOptions("Wingbats:12")), (Font { "System", 14 }));

    // Colours need exactly four components and three numbers.
    EXPECT_EQ(model().textColourFromOptions("Courier:12:0.25,0.50,0.75:1.00,0.00,0.00"), Colour::fromRGB(0.25, 0.5, 0.75));
    EXPECT_EQ(model().backgroundColourFromOptions("Courier:12:0.25,0.50,0.75:1.00,0.00,0.00"), Colour::fromRGB(1, 0, 0));
    EXPECT_FALSE(model().textColourFromOptions("Courier:12:0.25,0.50,0.75:1,0,0:extra"));
    EXPECT_FALSE(model().textColourFromOptions("Courier:12:0.25,0.50:1,0,0"));
    EXPECT_TRUE(model().backgroundColourFromOptions("Courier:12:0.25,0.50:1,0,0"));
    // Out-of-range numbers pass through unchanged.
    EXPECT_EQ(model().textColourFromOptions("Courier:12:2,-1,0.5:0,0,0")->red, 2);
    EXPECT_EQ(model().textColourFromOptions("Courier:12:2,-1,0.5:0,0,0")->alpha, 1);
}

TEST_F(ModelDisplayOptions, EachAppearanceIsDecidedOnItsOwn)
{
    model().updateDefaultOptions("Helvetica:11:0.00,0.00,1.00:0.00,1.00,0.00");
    // Own font, but the colours come from the site because there are only two components.
    auto rec = withOptions("Courier:30");
    EXPECT_EQ(model().fontForAsset(rec), (Font { "Courier", 30 }));
    EXPECT_EQ(model().textColourForAsset(rec), Colour::fromRGB(0, 0, 1));
    EXPECT_EQ(model().backgroundColourForAsset(rec), Colour::fromRGB(0, 1, 0));
    // No options at all: every value from the site.
    auto bare = JsonObject::create({ { "Type", "Text" } });
    EXPECT_EQ(model().fontForAsset(bare), (Font { "Helvetica", 11 }));
    EXPECT_EQ(model().fontForAsset(nullptr), (Font { "Helvetica", 11 }));
}

// Before any default the system font, black on white; a "(null)" font name yields nothing at all;
// an update replaces only what its string supplies.
TEST_F(ModelDisplayOptions, FallbacksNullFontNameAndDefaultUpdates)
{
    EXPECT_EQ(model().defaultFont(), (Font { "System", 14 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::black());
    EXPECT_EQ(model().defaultBackgroundColour(), Colour::white());
    const char* o = "(null):14:0.10,0.10,0.10:0.20,0.20,0.20";
    EXPECT_EQ(model().fontNameFromOptions(o) + model().fontSizeFromOptions(o), "");
    EXPECT_FALSE(model().fontFromOptions(o) || model().textColourFromOptions(o) || model().backgroundColourFromOptions(o));
    EXPECT_EQ(model().fontForAsset(withOptions(o)), model().defaultFont());
    EXPECT_EQ(model().textColourForAsset(withOptions(o)), Colour::black());
    EXPECT_EQ(model().backgroundColourForAsset(withOptions(o)), Colour::white());

    model().updateDefaultOptions("Courier:12:0.10,0.10,0.10:0.20,0.20,0.20");
    model().updateDefaultOptions("Helvetica:16");
    EXPECT_EQ(model().defaultFont(), (Font { "Helvetica", 16 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::fromRGB(0.1, 0.1, 0.1));
    model().updateDefaultOptions("");
    EXPECT_EQ(model().defaultFont(), (Font { "Helvetica", 16 }));
}

TEST_F(ModelDisplayOptions, EmptyTextRowIs42PointsAndLongTextGrowsWithWrapping)
{
    EXPECT_EQ(model().heightForAsset(withOptions("Courier:12"), 320), 42);
    EXPECT_EQ(model().heightForAsset(nullptr, 320), 42);
    // Courier 20: 10 points a character; a 134-point row leaves 100 points, 10 characters a line.
    std::string text = "aaaa bbbb cccc dddd eeee"; // five words of four, two per line: three lines
    double height = model().heightForAsset(withOptions("Courier:20", text), 134);
    EXPECT_DOUBLE_EQ(height, 3 * 24 + 10);
    // "Value" is measured when "Data" is empty.
    auto valueOnly = JsonObject::create({ { "Options", "Courier:20" }, { "Data", "" }, { "Value", text } });
    EXPECT_DOUBLE_EQ(model().heightForAsset(valueOnly, 134), 82);
}

TEST_F(ModelDates, ServerFormatIsUtcWhateverTheLocalZoneAndExact)
{
    useZone("Asia/Tokyo");
    Date d = at("2015-06-01 10:00:00");
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(d.time_since_epoch()).count(), 1433152800);
    EXPECT_EQ(Model::serverDateStringForDate(d), "2015-06-01 10:00:00");
    // Text off the pattern is refused.
    for (const char* bad : { "2015-06-01T10:00:00", "2015-06-01", "", "2015-06-01 10:00:00 extra" })
        EXPECT_FALSE(Model::dateFromServerDateString(bad)) << bad;
}

TEST_F(ModelDates, DaysCountCalendarDaysInTheLocalZoneAndHoursArePlusOne)
{
    useZone("Europe/London");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 1); // 23:59 -> 00:01 BST
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 00:00:00"), at("2015-06-01 22:00:00")), 0);
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-10 12:00:00"), at("2015-06-01 12:00:00")), -9);
    // Across the spring change the day is 23 hours long.
    EXPECT_EQ(Model::daysBetweenDate(at("2015-03-28 12:00:00"), at("2015-03-30 12:00:00")), 2);
    useZone("UTC");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 0);
    // Hours are truncated, plus one.
    Date base = at("2015-06-01 10:00:00");
    for (auto [minutes, hours] : { std::pair { 0, 1 }, { 30, 1 }, { 90, 2 }, { 300, 6 }, { -150, -1 } })
        EXPECT_EQ(Model::hoursBetween(base, base + std::chrono::minutes(minutes)), hours) << minutes;
}

TEST_F(ModelDates, UpdateAssetWidensButNeverNarrows)
{
    auto r = JsonObject::create({ { "startDate", "2015-06-02 00:00:00" }, { "endDate", "2015-06-05 00:00:00" } });
    const std::pair<const char*, const char*> steps[] = {
        { "2015-06-01 08:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-06-05 00:00:00","date":"2015-06-01 08:00:00"})" },
        { "2015-06-03 00:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-06-05 00:00:00","date":"2015-06-03 00:00:00"})" },
        { "2015-07-01 00:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-07-01 00:00:00","date":"2015-07-01 00:00:00"})" },
    };
    for (const auto& [date, after] : steps) {
        Model::updateAsset(r, at(date));
        EXPECT_EQ(Model::dictToJSON(r), after) << date;
    }
    // Missing bounds: only the end is set.
    auto bare = JsonObject::create();
    Model::updateAsset(bare, at("2015-06-01 08:00:00"));
    EXPECT_EQ(Model::dictToJSON(bare), R"({"endDate":"2015-06-01 08:00:00","date":"2015-06-01 08:00:00"})");
    Model::updateAsset(nullptr, at("2015-06-01 08:00:00"));
}
