// Session state and records: what login and logout replies change, options strings, site defaults
// and row heights, server dates, day and hour differences, moving an event's dates, and the asset
// record accessors (the lookup rule, string readers, types, lists, dates and pictures).

#include "ModelFixture.h"
#include "support/ZoneFixture.h"

#include "core/FileUpload.h"
#include "platform/JsonParser.h"

#include <algorithm>

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelSession = ModelFixture;
using ModelDisplayOptions = ModelFixture;
using AssetImage = ModelFixture;

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

using ModelDates = ZoneFixture;

using Texts = std::vector<std::string>;

AssetRecord parse(const char* text)
{
    auto value = JsonParser::parse(text);
    EXPECT_TRUE(value && value->isObject()) << text;
    return value ? value->object() : nullptr;
}

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
    const char* workflow = R"([{"type":"Workflow","id":1},{"type":"Workflow","id":3}])";
    EXPECT_EQ(JsonValue(model().workflow()), *JsonParser::parse(workflow));
    EXPECT_TRUE(logs.contains("workflow " + std::string(workflow)));

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
        EXPECT_EQ((std::tuple { model().isLoggedIn(), model().isRoot(), model().userOptions(), asset::ident(model().tab()).value_or(""),
                      model().workflow() == nullptr }),
            (std::tuple { false, false, std::string(), std::string("old"), true }));
    }
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

// Before any default the system font, black on white; a "(null)" font name yields nothing at all.
// A page's options become the site defaults and fill in each appearance a record lacks on its own;
// a page without options, or an update, replaces only what its string supplies. Logout changes no
// session field, and a tab bar fetch remembers its id before the (slow) reply comes.
TEST_F(ModelDisplayOptions, SiteDefaultsComeFromPagesFillWhatARecordLacksAndUpdateByParts)
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

    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, r.target.find("assetid=1") != std::string::npos
                ? R"({"Message":{"DefaultOptions":"Courier:20:0.50,0.50,0.50:0.00,0.00,1.00","Children":[]}})"
                : R"({"Message":{"Children":[]}})");
        reply.delay = std::chrono::milliseconds(50);
        return reply;
    });
    model().fetchDirectoryForAssetID("1", collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(model().defaultOptions(), "Courier:20:0.50,0.50,0.50:0.00,0.00,1.00");
    EXPECT_EQ(model().defaultFont(), (Font { "Courier", 20 }));
    // Own font, but the colours come from the site because there are only two components.
    auto rec = withOptions("Helvetica:30");
    EXPECT_EQ(model().fontForAsset(rec), (Font { "Helvetica", 30 }));
    EXPECT_EQ(model().textColourForAsset(rec), Colour::fromRGB(0.5, 0.5, 0.5));
    EXPECT_EQ(model().backgroundColourForAsset(rec), Colour::fromRGB(0, 0, 1));
    EXPECT_EQ(model().fontForAsset(JsonObject::create({ { "Type", "Text" } })), (Font { "Courier", 20 }));
    EXPECT_EQ(model().fontForAsset(nullptr), (Font { "Courier", 20 }));

    model().setAuthToken("keep");
    model().logoutWithCompletionHandler(collector.handler());
    model().fetchTabbarForAssetID("2", collector.handler());
    EXPECT_EQ(model().tabbarID(), "2");
    ASSERT_TRUE(collector.waitFor(3));
    EXPECT_EQ(model().authToken(), "keep");
    EXPECT_EQ(model().defaultOptions(), "");
    EXPECT_EQ(model().defaultFont(), (Font { "Courier", 20 }));
    model().updateDefaultOptions("Helvetica:16");
    EXPECT_EQ(model().defaultFont(), (Font { "Helvetica", 16 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::fromRGB(0.5, 0.5, 0.5));
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

// Server text is UTC whatever the local zone; an upload's file name is the local time.
TEST_F(ModelDates, ServerTextIsUtcUploadNamesLocalDaysCountLocalCalendarDaysHoursArePlusOneAndUpdatesWiden)
{
    use("Asia/Kolkata");
    const Date d(std::chrono::seconds(1433149200));
    EXPECT_EQ(at("2015-06-01 09:00:00"), d);
    EXPECT_EQ(Model::serverDateStringForDate(d), "2015-06-01 09:00:00");
    EXPECT_FALSE(Model::dateFromServerDateString("2015-06-01T10:00:00"));
    EXPECT_EQ(FileUpload::fileNameForDate(d), "Image_20150601143000.jpg");
    EXPECT_EQ(FileUpload::fileNameForDate(d + std::chrono::milliseconds(400)), FileUpload::fileNameForDate(d));
    use("Europe/London");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 1); // 23:59 -> 00:01 BST
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 00:00:00"), at("2015-06-01 22:00:00")), 0);
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-10 12:00:00"), at("2015-06-01 12:00:00")), -9);
    // Across the spring change the day is 23 hours long.
    EXPECT_EQ(Model::daysBetweenDate(at("2015-03-28 12:00:00"), at("2015-03-30 12:00:00")), 2);
    use("UTC");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 0);
    // Hours are truncated, plus one.
    Date base = at("2015-06-01 10:00:00");
    for (auto [minutes, hours] : { std::pair { 0, 1 }, { 30, 1 }, { 90, 2 }, { 300, 6 }, { -150, -1 } })
        EXPECT_EQ(Model::hoursBetween(base, base + std::chrono::minutes(minutes)), hours) << minutes;
    // Moving an event's date widens its bounds but never narrows them.
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

TEST(AssetStrings, ExactKeyThenLowerCaseFallbacksDatesAndANullRecord)
{
    auto r = parse(R"({"Name":"","name":"lower","type":"Text","imageurl":"u","assetid":"7"})");
    EXPECT_EQ((Texts { asset::name(r), asset::type(r), asset::ident(r).value_or("none") }), (Texts { "", "Text", "7" }));
    ASSERT_TRUE(asset::nodeForKey(r, "ImageUrl"));
    EXPECT_EQ(asset::nodeForKey(r, "ImageUrl")->asString(), "u");
    EXPECT_EQ(asset::nodeForKey(r, "Missing"), nullptr);
    EXPECT_EQ(asset::nodeForKey(nullptr, "Name"), nullptr);
    // A wrongly typed value does not fall back either.
    r = parse(R"({"Name":5,"name":"lower","Title":null,"Data":[1],"data":"d","AssetId":3,"assetid":"x"})");
    EXPECT_EQ((Texts { asset::name(r), asset::title(r), asset::data(r) }), Texts(3));
    EXPECT_FALSE(asset::ident(r));
    // Title falls back to the name and text to the value.
    r = parse(R"({"Name":"N","Data":"","Value":"V"})");
    auto both = parse(R"({"Title":"T","Data":"D","Value":"V"})");
    EXPECT_EQ((Texts { asset::title(r), asset::text(r), asset::data(r), asset::title(both), asset::text(both) }), (Texts { "N", "V", "", "T", "D" }));
    EXPECT_EQ(asset::text(parse("{}")), "");
    EXPECT_EQ(asset::text(parse(R"({"value":"low"})")), "low");
    // Options, ident and owner allow an empty value.
    auto empty = parse(R"({"Options":"","AssetId":"","owner":"o"})");
    EXPECT_EQ((Texts { asset::options(empty).value_or("none"), asset::ident(empty).value_or("none"), asset::owner(empty).value_or("none") }),
        (Texts { "", "", "o" }));
    EXPECT_FALSE(asset::options(parse("{}")));
    // Dates parse from server text under their exact keys.
    auto dated = parse(R"({"date":"2015-06-01 10:00:00","startDate":"2015-06-01 09:00:00","endDate":"bad","StartDate":"x"})");
    EXPECT_EQ(asset::date(dated), Model::dateFromServerDateString("2015-06-01 10:00:00"));
    EXPECT_TRUE(asset::startDate(dated));
    EXPECT_FALSE(asset::endDate(dated));
    EXPECT_FALSE(asset::displayDate(dated).empty());
    EXPECT_EQ(asset::displayEndDate(dated), "");
    EXPECT_FALSE(asset::startDate(parse(R"({"startdate":"2015-06-01 09:00:00"})")));
    EXPECT_FALSE(asset::date(parse(R"({"Date":20150601})")));

    // A null record yields nothing.
    AssetRecord none;
    EXPECT_EQ((Texts { asset::name(none), asset::title(none), asset::text(none), asset::displayDate(none) }), Texts(4));
    EXPECT_EQ((std::vector<bool> { asset::ident(none).has_value(), asset::isDeleted(none), asset::list(none) != nullptr,
                  asset::date(none).has_value(), asset::imageUrl(none).has_value(), asset::isCarousel(none), asset::isText(none) }),
        std::vector<bool>(7, false));
    EXPECT_EQ(asset::imageWithCompletionHandler(none, {}), nullptr);
}

TEST(AssetFlags, TypesDeletionCarouselAndPictureAddresses)
{
    struct Row {
        const char* type;
        bool (*test)(const AssetRecord&);
    };
    const Row rows[] = { { "Tabbar", asset::isTabbar }, { "Directory", asset::isDirectory },
        { "Document", asset::isDocument }, { "Form", asset::isForm }, { "Text", asset::isText },
        { "TextField", asset::isTextField }, { "TextView", asset::isTextView }, { "Image", asset::isImage },
        { "Event", asset::isEvent }, { "YoutubeVideo", asset::isYoutubeVideo }, { "Submit", asset::isSubmit },
        { "Button", asset::isButton } };
    for (const Row& row : rows) {
        auto r = JsonObject::create({ { "Type", row.type } });
        for (const Row& other : rows)
            EXPECT_EQ(other.test(r), &row == &other) << row.type << " vs " << other.type;
        std::string lower = row.type;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_FALSE(row.test(JsonObject::create({ { "Type", lower } }))) << lower;
    }
    EXPECT_TRUE(asset::isText(parse(R"({"type":"Text"})")));
    // Deleted only for the exact text true.
    EXPECT_TRUE(asset::isDeleted(parse(R"({"IsDeleted":"true"})")));
    EXPECT_TRUE(asset::isDeleted(parse(R"({"isdeleted":"true"})")));
    EXPECT_FALSE(asset::isDeleted(parse(R"({"IsDeleted":"True"})")));
    EXPECT_FALSE(asset::isDeleted(parse(R"({"IsDeleted":true})")));
    // The carousel flag reads lower-case options only.
    auto upper = parse(R"({"Options":"Carousel:1"})");
    EXPECT_FALSE(asset::isCarousel(upper));
    EXPECT_EQ(asset::options(upper), "Carousel:1");
    EXPECT_TRUE(asset::isCarousel(parse(R"({"options":"Carousel:3"})")));
    EXPECT_FALSE(asset::isCarousel(parse(R"({"options":"carousel"})")));
    EXPECT_FALSE(asset::isCarousel(parse(R"({"options":1})")));
    // A picture address only for picture types, and an event's from Name2.
    EXPECT_FALSE(asset::imageUrl(parse(R"({"Type":"Text","ImageUrl":"http://x/a.png"})")));
    EXPECT_EQ(asset::imageUrl(parse(R"({"Type":"Event","Name2":"http://x/e.png","ImageUrl":"no"})")), "http://x/e.png");
    for (const char* type : { "Image", "Directory", "Document", "Tabbar" })
        EXPECT_EQ(asset::imageUrl(JsonObject::create({ { "Type", type }, { "imageurl", "u" } })), "u") << type;
    EXPECT_FALSE(asset::imageUrl(parse(R"({"Type":"Image","ImageUrl":""})")));
}

TEST(AssetList, FreshArrayOfTheSameRecords)
{
    auto r = parse(R"({"Children":[{"AssetId":"a"},{"AssetId":"b"}]})");
    auto list = asset::list(r);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ(list->at(0).object(), r->get("Children").array()->at(0).object());
    list->erase(0);
    EXPECT_EQ(r->get("Children").array()->size(), 2u);
    list->at(0).object()->set("Name", "changed");
    EXPECT_EQ(asset::name(r->get("Children").array()->at(1).object()), "changed");
    EXPECT_FALSE(asset::list(parse(R"({"Children":{"a":1}})")));
    EXPECT_FALSE(asset::list(parse(R"({"children":[]})")));
}

// A cached picture or a record without a picture address sends nothing; a picture is fetched
// once, handed over on the main queue and kept; an undecodable or missing one is never handed over.
TEST_F(AssetImage, CachedFetchedAndUndecodablePictures)
{
    auto cached = Image::create(1, 1, { 0, 0, 0, 255 });
    auto r = JsonObject::create({ { "Type", "Image" }, { "ImageUrl", server.url() + "/a.jpg" },
        { "Image", JsonValue(std::static_pointer_cast<Opaque>(cached)) } });
    bool called = false;
    EXPECT_EQ(asset::imageWithCompletionHandler(r, [&](std::shared_ptr<Image>) { called = true; }), cached);
    auto text = JsonObject::create({ { "Type", "Text" }, { "ImageUrl", server.url() + "/x.jpg" } });
    EXPECT_EQ(asset::imageWithCompletionHandler(text, {}), nullptr);

    const std::string jpeg = *Image::create(2, 2, std::vector<uint8_t>(16, 255))->jpegData(1.0);
    server.setResponder([&](const RecordedRequest& req) {
        Reply reply = req.path == "/pic.jpg" ? makeReply(200, jpeg) : req.path == "/bad.jpg" ? makeReply(200, "garbage") : makeReply(404, "");
        reply.contentType = "image/jpeg";
        return reply;
    });
    auto pic = JsonObject::create({ { "Type", "Image" }, { "ImageUrl", server.url() + "/pic.jpg" } });
    auto bad = JsonObject::create({ { "Type", "Image" }, { "ImageUrl", server.url() + "/bad.jpg" } });
    auto missing = JsonObject::create({ { "Type", "Event" }, { "Name2", server.url() + "/gone.jpg" } });
    std::shared_ptr<Image> delivered;
    bool onMain = false;
    EXPECT_EQ(asset::imageWithCompletionHandler(pic, [&](std::shared_ptr<Image> image) {
        delivered = image;
        onMain = MainQueue::shared().isMainThread();
    }),
        nullptr);
    int calls = 0;
    asset::imageWithCompletionHandler(bad, [&](std::shared_ptr<Image>) { ++calls; });
    asset::imageWithCompletionHandler(missing, [&](std::shared_ptr<Image>) { ++calls; });
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return delivered != nullptr; }, std::chrono::seconds(10)));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(delivered->width(), 2);
    EXPECT_EQ(asset::imageWithCompletionHandler(pic, {}), delivered);
    EXPECT_EQ(Image::fromValue(pic->get("Image")), delivered);
    ASSERT_TRUE(server.waitForRequests(3));
    auto client = model().httpClient();
    for (int i = 0; i < 1000 && client->inFlight() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(called);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(bad->contains("Image"));
    EXPECT_FALSE(missing->contains("Image"));
    std::vector<std::string> paths;
    for (const RecordedRequest& request : server.requests())
        paths.push_back(request.path);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string> { "/bad.jpg", "/gone.jpg", "/pic.jpg" })) << "nothing for the cached picture or the text";
}
