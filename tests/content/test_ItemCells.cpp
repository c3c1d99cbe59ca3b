// The item cells: input cells writing edits into the record, text and event rows, the carousel
// row's style, items and fetches, and the picture row's title.
#include "content/CarouselCell.h"
#include "content/DataManager.h"
#include "content/EventCell.h"
#include "content/ImageCell.h"
#include "content/TextCell.h"
#include "content/TextFieldCell.h"
#include "content/TextViewCell.h"

#include "core/ModelFixture.h"
#include "platform/JsonParser.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace quindle;
using namespace quindle::test;

namespace {

AssetRecord record(const std::string& json)
{
    auto parsed = JsonParser::parse(json);
    return parsed && parsed->isObject() ? parsed->object() : JsonObject::create();
}

Date at(const std::string& serverDate)
{
    return *Model::dateFromServerDateString(serverDate);
}

class ItemCellsTest : public ModelFixture { };

} // namespace

TEST_F(ItemCellsTest, SingleLineInputWritesEveryEditIntoValueAndShowsItWhenReused)
{
    auto cell = TextFieldCell::create(CellStyle::Default, "TextFieldCell");
    auto first = record(R"({"Type":"TextField","Name":"n","Title":"Your name","options":"Georgia:20:1,0,0:0,0,1"})");
    cell->configureWithAsset(first);
    EXPECT_EQ(cell->textField()->placeholder(), "Your name");
    EXPECT_EQ(cell->textField()->font().pointSize, 20);
    EXPECT_EQ(cell->textField()->textColour(), Colour::fromRGB(1, 0, 0));
    EXPECT_EQ(cell->textField()->backgroundColour(), Colour::fromRGB(0, 0, 1));

    EXPECT_TRUE(cell->textField()->replaceCharacters({ 0, 0 }, "a"));
    EXPECT_TRUE(cell->textField()->replaceCharacters({ 1, 0 }, "b"));
    EXPECT_EQ(first->get("Value").asString(), "ab");
    EXPECT_TRUE(cell->textField()->replaceCharacters({ 1, 1 }, ""));
    EXPECT_EQ(first->get("Value").asString(), "a");

    // Reused for another record and back: what was typed is still shown, styling reset.
    // Fewer than four option parts, or a colour of two components, leave the defaults.
    cell->configureWithAsset(record(R"({"Type":"TextField","Name":"m","options":"Georgia:20:1,0,0"})"));
    EXPECT_EQ(cell->textField()->textColour(), Colour::black());
    cell->configureWithAsset(record(R"({"Type":"TextField","Name":"m","options":"Georgia:20:1,0:1,1,1"})"));
    EXPECT_EQ(cell->textField()->text(), "");
    EXPECT_EQ(cell->textField()->textColour(), Colour::black());
    cell->configureWithAsset(first);
    EXPECT_EQ(cell->textField()->text(), "a");
}

TEST_F(ItemCellsTest, MultiLineInputShowsTheRecordTextAndKeepsValueEqualToWhatIsShown)
{
    auto cell = TextViewCell::create(CellStyle::Default, "TextViewCell");
    auto withData = record(R"({"Type":"TextView","Name":"m","Title":"Message","Data":"Dear","Value":"old"})");
    cell->configureWithAsset(withData);
    EXPECT_EQ(cell->prompt()->text(), "Message");
    EXPECT_EQ(cell->textView()->text(), "Dear");
    EXPECT_TRUE(cell->textView()->replaceText({ 4, 0 }, " Sir"));
    EXPECT_EQ(withData->get("Value").asString(), "Dear Sir");

    auto empty = record(R"({"Type":"TextView","Name":"m2","Value":"","Data":""})");
    cell->configureWithAsset(empty);
    EXPECT_EQ(cell->textView()->text(), "");
    cell->textView()->replaceText({ 0, 0 }, "ab");
    cell->textView()->replaceText({ 1, 1 }, "");
    EXPECT_EQ(empty->get("Value").asString(), "a");

    cell->setFrame({ 0, 0, 320, 200 });
    EXPECT_EQ(cell->prompt()->frame(), (Rect { 0, 0, 320, 20 }));
    EXPECT_EQ(cell->textView()->frame(), (Rect { 0, 20, 320, 180 }));
}

TEST_F(ItemCellsTest, TextRowShowsTheTextAndADeletedItemsRestoreControlOnTheRight)
{
    auto cell = TextCell::create(CellStyle::Default, "TextCell");
    auto plain = record(R"({"Type":"Text","Name":"t","Data":"Hello"})");
    cell->configureWithAsset(plain);
    EXPECT_EQ(cell->textView()->text(), "Hello");
    EXPECT_FALSE(cell->textView()->isEditable());
    cell->setFrame({ 0, 0, 320, 60 });
    EXPECT_EQ(cell->textView()->frame(), (Rect { 0, 0, 320, 60 }));

    // The coordinator gives deleted records their control; a record holds it as an opaque value.
    auto manager = DataManager::create(JsonParser::parse(R"([{"AssetId":"3","Type":"Text","Name":"b","Data":"gone","IsDeleted":"true"}])")->array(), model());
    auto deleted = manager->objects()->at(0).object();
    ASSERT_TRUE(DataManager::restoreButtonOf(deleted));
    cell->configureWithAsset(deleted);
    ASSERT_TRUE(cell->restore());
    EXPECT_EQ(cell->restore()->superview(), cell->contentView());
    EXPECT_EQ(cell->textView()->frame(), (Rect { 0, 0, 220, 60 }));
    EXPECT_EQ(cell->restore()->frame(), (Rect { 220, 0, 100, 40 }));

    cell->configureWithAsset(plain);
    EXPECT_FALSE(cell->restore());
    EXPECT_EQ(DataManager::restoreButtonOf(deleted)->superview(), nullptr);
}

TEST_F(ItemCellsTest, EventCountdownInDaysHoursOrHere)
{
    // Days are counted between local calendar days.
    std::string zone = getenv("TZ") ? getenv("TZ") : "";
    setenv("TZ", "UTC", 1);
    Date now = at("2030-06-10 12:00:00");
    EXPECT_EQ(EventCell::countDownText("2030-06-12 09:00:00", now), "2 days to go");
    EXPECT_EQ(EventCell::countDownText("2030-06-10 15:30:00", now), "4 hours to go");
    EXPECT_EQ(EventCell::countDownText("2030-06-10 12:00:00", now), "1 hours to go");
    EXPECT_EQ(EventCell::countDownText("2030-06-10 11:00:00", now), "It's here!");
    EXPECT_EQ(EventCell::countDownText("2020-01-01 00:00:00", now), "It's here!");
    EXPECT_EQ(EventCell::countDownText("next week", now), "It's here!");

    auto cell = EventCell::create(CellStyle::Default, "EventCell");
    cell->configureWithDictionary(record(R"({"Type":"Event","Name":"Fair","date":"2030-06-12 09:00:00"})"), now);
    EXPECT_EQ(cell->textLabel()->text(), "Fair");
    EXPECT_EQ(cell->dateLabel()->text(), "2030-06-12 09:00:00");
    EXPECT_EQ(cell->countDownLabel()->text(), "2 days to go");
    cell->setFrame({ 0, 0, 320, 120 });
    EXPECT_EQ(cell->countDownLabel()->frame(), (Rect { 0, 40, 320, 40 }));
    if (zone.empty())
        unsetenv("TZ");
    else
        setenv("TZ", zone.c_str(), 1);
}

TEST_F(ItemCellsTest, CarouselStyleComesFromTheRecordElseTheCell)
{
    auto cell = CarouselCell::create(CellStyle::Default, "CarouselCell");
    cell->setType(7);
    cell->configureWithImage(record(R"({"Type":"Directory","Name":"w","options":"Carousel:3","list":[]})"), 200, {});
    EXPECT_EQ(cell->carousel()->type(), CarouselType::Cylinder);
    cell->configureWithImage(record(R"({"Type":"Directory","Name":"w","options":"Carousel","list":[]})"), 200, {});
    EXPECT_EQ(cell->carousel()->type(), CarouselType::CoverFlow);

    // Without a record: the style preview's six placeholders.
    cell->configureWithImage(nullptr, 100, {});
    EXPECT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 6);
    auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 0, nullptr));
    ASSERT_TRUE(view);
    EXPECT_EQ(view->width(), 100);
    EXPECT_EQ(view->imageView()->imageName(), "selectImage.png");
    EXPECT_EQ(view->label()->text(), "");
    EXPECT_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Wrap, 0), 1);
    EXPECT_DOUBLE_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Spacing, 1), 1.1);
    EXPECT_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Arc, 2.5), 2.5);
}

TEST_F(ItemCellsTest, CarouselFetchesItsListAndShowsTheRecordFirstThenEachItem)
{
    server.setResponder([](const RecordedRequest&) {
        return json(R"({"Message":{"AssetId":"40","list":[{"Name":"one"},{"Name":"two"},{"Name":"three"},{"Name":"four"}]}})");
    });
    auto cell = CarouselCell::create(CellStyle::Default, "CarouselCell");
    std::vector<std::pair<int, std::string>> chosen;
    auto wheel = record(R"({"Type":"Directory","Name":"wheel","options":"Carousel:1","assetID":"40"})");
    cell->configureWithImage(wheel, 200, [&](int index, const AssetRecord& item) { chosen.emplace_back(index, asset::name(item)); });
    EXPECT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 1);
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=40");
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return cell->objects()->size() == 5; }, std::chrono::seconds(10)));

    EXPECT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 5);
    EXPECT_EQ(cell->carousel()->numberOfItems(), 5);
    EXPECT_EQ(cell->objects()->at(0).object(), wheel);
    EXPECT_TRUE(wheel->get("list").isArray());
    auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 4, nullptr));
    EXPECT_EQ(view->label()->text(), "four");
    EXPECT_EQ(view->label()->strokeWidth(), -4);
    EXPECT_EQ(asset::name(cell->currentItem()), "wheel");

    cell->didSelectItemAtIndex(*cell->carousel(), 2);
    EXPECT_EQ(chosen, (std::vector<std::pair<int, std::string>> { { 2, "two" } }));
}

TEST_F(ItemCellsTest, CarouselItemPictureArrivesIntoTheItemAndFailuresKeepThePlaceholder)
{
    auto jpeg = Image::create(2, 2, std::vector<uint8_t>(16, 90))->jpegData();
    ASSERT_TRUE(jpeg);
    server.setResponder([&](const RecordedRequest& request) {
        if (request.path == "/broken.jpg")
            return makeReply(404, "{}");
        Reply reply;
        reply.body = *jpeg;
        reply.contentType = "image/jpeg";
        return reply;
    });
    auto cell = CarouselCell::create(CellStyle::Default, "CarouselCell");
    auto wheel = record("{\"Name\":\"wheel\",\"options\":\"Carousel:0\",\"list\":[{\"Name\":\"a\",\"assVal\":\"" + server.url()
        + "/a.jpg\"},{\"Name\":\"b\",\"assVal\":\"" + server.url() + "/broken.jpg\"}]}");
    cell->configureWithImage(wheel, 120, {});
    ASSERT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 3);
    // Asking twice while the picture is on its way sends one request.
    cell->viewForItemAtIndex(*cell->carousel(), 1, nullptr);
    cell->viewForItemAtIndex(*cell->carousel(), 1, nullptr);
    cell->viewForItemAtIndex(*cell->carousel(), 2, nullptr);
    auto itemA = cell->objects()->at(1).object();
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return itemA->find("image") && model().httpClient()->inFlight() == 0; }, std::chrono::seconds(10)));
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(server.requests().size(), 2u);
    auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 1, nullptr));
    EXPECT_TRUE(view->imageView()->image());
    EXPECT_FALSE(cell->objects()->at(2).object()->find("image"));
}

TEST_F(ItemCellsTest, PictureRowTitleIsWhiteOutlinedAndCentred)
{
    auto cell = ImageCell::create(CellStyle::Default, "ImageCell");
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    cell->configureWithImage(Image::create(1, 1, { 1, 2, 3, 255 }), "Tabs");
    EXPECT_EQ(cell->accessoryType(), AccessoryType::None);
    EXPECT_EQ(cell->backgroundColour(), Colour::black());
    EXPECT_EQ(cell->title()->text(), "Tabs");
    EXPECT_EQ(cell->title()->font(), (Font { "Helvetica Bold", 30 }));
    EXPECT_EQ(cell->title()->textColour(), Colour::white());
    EXPECT_EQ(cell->title()->strokeColour(), Colour::black());
    EXPECT_EQ(cell->title()->strokeWidth(), -4);
    EXPECT_EQ(cell->title()->textAlignment(), TextAlignment::Center);
    cell->setFrame({ 0, 0, 320, 200 });
    EXPECT_EQ(cell->title()->frame(), (Rect { 0, 80, 320, 40 }));
    EXPECT_EQ(cell->imageView()->frame(), (Rect { -10, -10, 340, 220 }));
    EXPECT_EQ(cell->imageView()->motionEffects().size(), 2u);
    EXPECT_EQ(cell->imageView()->motionEffects()[0].minimumOffset, 20);
}
