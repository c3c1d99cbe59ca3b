// Asset record accessors: the lookup rule, string readers, types, lists, dates and images.

#include "ModelFixture.h"

#include "platform/JsonParser.h"

#include <algorithm>

using namespace quindle;
using namespace quindle::test;

namespace {

using Texts = std::vector<std::string>;

AssetRecord parse(const char* text)
{
    auto value = JsonParser::parse(text);
    EXPECT_TRUE(value && value->isObject()) << text;
    return value ? value->object() : nullptr;
}

} // namespace

TEST(AssetLookup, ExactKeyFirstThenLowerCaseOnlyWhenAbsent)
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
}

TEST(AssetStrings, TitleFallsBackToNameAndTextToValueAndANullRecordYieldsNothing)
{
    auto r = parse(R"({"Name":"N","Data":"","Value":"V"})");
    auto both = parse(R"({"Title":"T","Data":"D","Value":"V"})");
    EXPECT_EQ((Texts { asset::title(r), asset::text(r), asset::data(r), asset::title(both), asset::text(both) }), (Texts { "N", "V", "", "T", "D" }));
    EXPECT_EQ(asset::text(parse("{}")), "");
    EXPECT_EQ(asset::text(parse(R"({"value":"low"})")), "low");
    // Options, ident and owner allow an empty value.
    auto empty = parse(R"({"Options":"","AssetId":"","owner":"o"})");
    EXPECT_EQ((Texts { asset::options(empty).value_or("none"), asset::ident(empty).value_or("none"), asset::owner(empty).value_or("none") }),
        (Texts { "", "", "o" }));
    EXPECT_FALSE(asset::options(parse("{}")));

    // A null record yields nothing.
    AssetRecord none;
    EXPECT_EQ((Texts { asset::name(none), asset::title(none), asset::text(none), asset::displayDate(none) }), Texts(4));
    EXPECT_EQ((std::vector<bool> { asset::ident(none).has_value(), asset::isDeleted(none), asset::list(none) != nullptr,
                  asset::date(none).has_value(), asset::imageUrl(none).has_value(), asset::isCarousel(none), asset::isText(none) }),
        std::vector<bool>(7, false));
    EXPECT_EQ(asset::imageWithCompletionHandler(none, {}), nullptr);
}

TEST(AssetFlags, IsDeletedOnlyForExactTrueTextAndCarouselOnlyForLowerCaseOptions)
{
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
}

TEST(AssetTypes, EachTestMatchesItsNameExactly)
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

TEST(AssetImageUrl, OnlyForPictureTypesAndEventName2)
{
    EXPECT_FALSE(asset::imageUrl(parse(R"({"Type":"Text","ImageUrl":"http://x/a.png"})")));
    EXPECT_EQ(asset::imageUrl(parse(R"({"Type":"Event","Name2":"http://x/e.png","ImageUrl":"no"})")), "http://x/e.png");
    for (const char* type : { "Image", "Directory", "Document", "Tabbar" })
        EXPECT_EQ(asset::imageUrl(JsonObject::create({ { "Type", type }, { "imageurl", "u" } })), "u") << type;
    EXPECT_FALSE(asset::imageUrl(parse(R"({"Type":"Image","ImageUrl":""})")));
}

TEST(AssetDates, ParsedFromServerStrings)
{
    auto r = parse(R"({"date":"2015-06-01 10:00:00","startDate":"2015-06-01 09:00:00","endDate":"bad","StartDate":"x"})");
    ASSERT_TRUE(asset::date(r));
    EXPECT_EQ(Model::serverDateStringForDate(*asset::date(r)), "2015-06-01 10:00:00");
    ASSERT_TRUE(asset::startDate(r));
    EXPECT_FALSE(asset::endDate(r));
    EXPECT_FALSE(asset::displayDate(r).empty());
    EXPECT_EQ(asset::displayEndDate(r), "");
    EXPECT_FALSE(asset::startDate(parse(R"({"startdate":"2015-06-01 09:00:00"})")));
    EXPECT_FALSE(asset::date(parse(R"({"Date":20150601})")));
}

namespace {
using AssetImage = ModelFixture;
} // namespace

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
