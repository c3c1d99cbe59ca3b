// The item list's data source (cells in the three modes, heights, form items, moves), the item
// cells, and the event screen's data source with its date picker rows.
#include "content/EditableDataSource.h"

#include "content/CarouselCell.h"
#include "content/ContentFixture.h"
#include "content/DataManager.h"
#include "content/DatePickerCell.h"
#include "content/EventCell.h"
#include "content/EventDataSource.h"
#include "content/ImageCell.h"
#include "content/TextCell.h"
#include "content/TextFieldCell.h"
#include "content/TextViewCell.h"
#include "platform/JsonParser.h"
#include "platform/NotificationCenter.h"
#include "ui/NavigationController.h"
#include "ui/RecordingObserver.h"
#include "ui/TableView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

AssetRecord record(const std::string& json) { return JsonParser::parse(json)->object(); }
Date at(const std::string& serverDate) { return *Model::dateFromServerDateString(serverDate); }

/// A small JPEG picture, as the server sends one.
Reply pictureReply()
{
    Reply reply;
    reply.body = Image::create(2, 2, std::vector<uint8_t>(16, 200))->jpegData().value();
    reply.contentType = "image/jpeg";
    return reply;
}

class EditableDataSourceTest : public LoadingFixture {
protected:
    void build(const std::string& json) { build(JsonParser::parse(json)->array()); }
    void build(JsonArrayPtr list)
    {
        manager = DataManager::create(std::move(list), model());
        manager->setAssetID("77");
        source = EditableDataSource::create(manager);
        table = TableView::create({ 0, 0, 320, 480 });
        table->setDataSource(source);
        table->setObserver(recorder);
        source->registerCellsForTableView(table);
    }
    std::shared_ptr<TableViewCell> cell(int row)
    {
        table->numberOfRowsInSection(0);
        return source->cellForRowAtIndexPath(*table, { 0, row });
    }
    /// What a renderer without scrolling shows, top to bottom: each row's cell kind or label.
    std::vector<std::string> shown(bool labels = true)
    {
        std::vector<std::string> out;
        for (auto& row : table->layoutAllRows().rows)
            out.push_back(labels ? row.cell->textLabel()->text() : row.cell->reuseIdentifier());
        return out;
    }
    /// Waits for the one request and returns its method, path and body.
    std::tuple<std::string, std::string, std::string> onlySent()
    {
        auto request = onlyRequest();
        return { request.method, request.target.substr(base().size()), request.body };
    }

    std::shared_ptr<DataManager> manager;
    std::shared_ptr<EditableDataSource> source;
    std::shared_ptr<TableView> table;
    int count(RowChange change, RowAnimation animation) const
    {
        return static_cast<int>(std::ranges::count_if(recorder->tables, [&](auto& c) { return c.change == change && c.animation == animation; }));
    }

    std::shared_ptr<RecordingObserver> recorder = std::make_shared<RecordingObserver>();
};

const char* everyType = R"([
    {"AssetId":"1","Type":"Text","Name":"t","Data":"Hello"},
    {"AssetId":"2","Type":"Text","Name":"empty text"},
    {"AssetId":"3","Type":"TextField","Name":"f","Title":"Your name"},
    {"AssetId":"4","Type":"TextView","Name":"v","Title":"Message"},
    {"AssetId":"5","Type":"Event","Name":"Fair","date":"2030-01-01 10:00:00"},
    {"AssetId":"6","Type":"Directory","Name":"Wheel","options":"Carousel:3"},
    {"AssetId":"7","Type":"Image","Name":"Lounge"},
    {"AssetId":"8","Type":"Tabbar","Name":"Tabs"},
    {"AssetId":"9","Type":"Directory","Name":"Gallery"},
    {"AssetId":"10","Type":"Gadget","Name":"Odd"}
])";

class ItemCellsTest : public LoadingFixture { };

/// The show-from, start and end dates of an event record, as stored.
std::vector<std::string> dates(const AssetRecord& event)
{
    return { event->get("startDate").asString(), event->get("date").asString(), event->get("endDate").asString() };
}

constexpr const char* summerFair = R"({"AssetId":"7","assetID":"7","Type":"Event","name":"Summer fair","Data":"",
    "startDate":"2027-07-03 14:00:00","date":"2027-07-03 14:00:00","endDate":"2027-07-03 17:00:00"})";

class EventDataSourceTest : public EditableDataSourceTest {
protected:
    std::shared_ptr<EventDataSource> sourceFor(const AssetRecord& record)
    {
        auto events = EventDataSource::create(record);
        table = TableView::create({ 0, 0, 320, 2000 });
        events->registerCellsForTableView(table);
        table->setDataSource(events);
        return events;
    }
    std::vector<double> heights(EventDataSource& events)
    {
        std::vector<double> out;
        for (int row = 0; row < table->numberOfRowsInSection(0); ++row)
            out.push_back(events.heightForRowAtIndexPath(*table, { 0, row }));
        return out;
    }
    std::shared_ptr<DatePickerCell> pickerAt(int row)
    {
        table->layoutAllRows();
        return std::dynamic_pointer_cast<DatePickerCell>(table->cellForRowAtIndexPath({ 0, row }));
    }
    void select(EventDataSource& events, int row) { events.didSelectObjectAtIndexPath(screen, { 0, row }, false); }
    /// What the recording server was asked for, once every reply is in, in sorted order.
    std::vector<std::string> sentTargets()
    {
        settle();
        std::vector<std::string> out;
        for (auto& request : server.requests())
            out.push_back(request.target.substr(base().size()));
        std::sort(out.begin(), out.end());
        return out;
    }

    std::shared_ptr<RecordingScreen> screen = std::make_shared<RecordingScreen>();
    std::shared_ptr<NavigationController> stack = NavigationController::create(screen->controller);
};

} // namespace

TEST_F(EditableDataSourceTest, EachModeChoosesACellPerItemTypeAndOnlyViewModeCollectsTheInputs)
{
    build(everyType);
    EXPECT_EQ(table->numberOfRowsInSection(0), 10);
    std::vector<std::string> identifiers;
    for (int row = 0; row < 10; ++row)
        identifiers.push_back(source->cellForRowAtIndexPath(*table, { 0, row })->reuseIdentifier());
    EXPECT_EQ(identifiers, (std::vector<std::string> { "TextCell", "DirectoryCell", "TextFieldCell", "TextViewCell", "EventCell",
                               "CarouselCell", "ImageCell", "ImageCell", "DirectoryCell", "DirectoryCell" }));
    ASSERT_EQ(source->formArray().size(), 2u);
    EXPECT_EQ(std::make_pair(asset::name(source->formArray()[0]), asset::name(source->formArray()[1])), std::make_pair(std::string("f"), std::string("v")));
    // A text without text is a plain row with its name and a disclosure indicator.
    EXPECT_EQ(std::make_tuple(cell(1)->textLabel()->text(), cell(1)->accessoryType(), cell(9)->textLabel()->text()),
        std::make_tuple(std::string("empty text"), AccessoryType::DisclosureIndicator, std::string("Odd")));
    // A picture item without its picture shows its name as title.
    EXPECT_EQ(std::static_pointer_cast<ImageCell>(cell(6))->title()->text(), "Lounge");
    // The picture tilts with the phone both ways, against the tilt.
    const MotionEffect across { MotionEffect::Axis::Horizontal, ImageCell::tiltRange, -ImageCell::tiltRange };
    const MotionEffect upDown { MotionEffect::Axis::Vertical, ImageCell::tiltRange, -ImageCell::tiltRange };
    EXPECT_EQ(std::static_pointer_cast<ImageCell>(cell(6))->imageView()->motionEffects(), (std::vector { across, upDown }));
    EXPECT_EQ(std::static_pointer_cast<CarouselCell>(cell(5))->carousel()->type(), CarouselType::Cylinder);
    // Item edit mode shows inputs as text, reorder mode plain rows, and neither collects.
    source->setIsEditing(true);
    EXPECT_EQ(cell(2)->reuseIdentifier(), "TextCell");
    EXPECT_EQ(std::static_pointer_cast<TextCell>(cell(3))->asset(), manager->objects()->at(3).object());
    EXPECT_EQ(cell(4)->reuseIdentifier(), "EventCell");
    // A carousel is edited as a plain row, without the disclosure indicator.
    auto carousel = cell(5);
    EXPECT_EQ(std::make_tuple(carousel->reuseIdentifier(), carousel->textLabel()->text(), carousel->accessoryType()),
        std::make_tuple(std::string("DirectoryCell"), std::string("Wheel"), AccessoryType::None));
    EXPECT_TRUE(source->formArray().empty());
    source->setIsEditing(false);
    table->setEditing(Editing::On, Animated::No);
    EXPECT_EQ(shown(), (std::vector<std::string> { "Hello", "", "f", "v", "Fair", "Wheel", "Lounge", "Tabs", "Gallery", "Odd" }));
    EXPECT_EQ(shown(false), std::vector<std::string>(10, "DirectoryCell"));
    EXPECT_TRUE(source->formArray().empty());
}

TEST_F(EditableDataSourceTest, CarouselChoicesReachTheCoordinator)
{
    build(R"([{"AssetId":"30","Type":"Directory","Name":"Wheel","options":"Carousel:0","list":[{"AssetId":"22","Type":"Directory","Name":"Sub"}]}])");
    auto carousel = std::static_pointer_cast<CarouselCell>(cell(0));
    carousel->didSelectItemAtIndex(*carousel->carousel(), 1);
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=22");
}

TEST_F(EditableDataSourceTest, HeightsFollowTheItemType)
{
    build(R"([
        {"Type":"Text","Data":"short"},
        {"Type":"Text","Data":"a long text that wraps over several lines at this narrow width, and then some more words"},
        {"Type":"TextView","Name":"v"},
        {"Type":"Event","Name":"e"},
        {"Type":"Directory","Name":"c","options":"Carousel:1"},
        {"Type":"Directory","Name":"p","ImageUrl":"http://127.0.0.1:1/x.png"},
        {"Type":"Document","Name":"d","ImageUrl":""},
        {"Type":"TextField","Name":"f","ImageUrl":"http://127.0.0.1:1/x.png"}
    ])");
    table->setRowHeight(50);
    auto height = [&](int row) { return source->heightForRowAtIndexPath(*table, { 0, row }); };
    EXPECT_EQ(height(0), model().heightForAsset(manager->objects()->at(0).object(), 320));
    EXPECT_GT(height(1), height(0));
    table->setFrame({ 0, 0, 160, 480 });
    EXPECT_GT(height(1), model().heightForAsset(manager->objects()->at(1).object(), 320));
    std::vector<double> rest;
    for (int row : { 2, 3, 4, 5, 6, 7, 99 })
        rest.push_back(height(row));
    EXPECT_EQ(rest, (std::vector<double> { 200, 120, 200, 200, 50, 50, 50 }));
}

TEST_F(EditableDataSourceTest, SendFormPostsTheCollectedValuesOnlyWhileActiveTheLaterOfTwoSameNamedOnesAndRefreshesAfterTheAnswer)
{
    build(R"([{"Type":"TextField","Name":"name","Value":"old"},{"Type":"TextField","Name":"name"},{"Type":"TextView","Name":"msg","Value":"hi"},
        {"Type":"Text","Name":"x","Data":"y"}])");
    auto screen = std::make_shared<RecordingScreen>();
    manager->setViewController(screen);
    table->layoutAllRows();
    std::static_pointer_cast<TextFieldCell>(table->cellForRowAtIndexPath({ 0, 1 }))->textField()->type("Ann");
    auto send = [] { NotificationCenter::defaultCenter().post(DataManager::sendFormNotification); };
    send();
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(server.waitForRequests(1, std::chrono::milliseconds(200)));
    source->isActive();
    source->isActive();
    send();
    EXPECT_EQ(onlySent(), std::make_tuple(std::string("POST"), std::string("sendForm"), std::string(R"({"formid":"77","name":"Ann","msg":"hi"})")));
    // The page refreshes once the answer is in, on the main queue.
    EXPECT_EQ(screen->refreshes, 0);
    EXPECT_TRUE(MainQueue::shared().runUntil([&] { return screen->refreshes == 1; }, std::chrono::seconds(10)));
    // A new row count starts a fresh collection; inactive sources stay silent.
    table->numberOfRowsInSection(0);
    EXPECT_TRUE(source->formArray().empty());
    source->isInactive();
    send();
    EXPECT_FALSE(server.waitForRequests(2, std::chrono::milliseconds(300)));
}

TEST_F(EditableDataSourceTest, MovingFurtherThanOneRowSwapsTheEndsOnceAndShowsTheTrueOrder)
{
    build(R"([{"AssetId":"11","Type":"Directory","Name":"a"},{"AssetId":"12","Type":"Directory","Name":"b"},
        {"AssetId":"13","Type":"Directory","Name":"c"}])");
    table->setEditing(Editing::On, Animated::No);
    table->layoutAllRows();
    ASSERT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }));
    EXPECT_EQ(namesOf(manager->objects()), (std::vector<std::string> { "c", "b", "a" }));
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(count(RowChange::ReloadAll, RowAnimation::None), 1);
    EXPECT_EQ(shown(), (std::vector<std::string> { "c", "b", "a" }));
    EXPECT_EQ(onlySent(), std::make_tuple(std::string("POST"), std::string("swapAssets"), std::string(R"({"assetid":"11","secondid":"13"})")));
    EXPECT_FALSE(server.waitForRequests(2, std::chrono::milliseconds(200)));
}

TEST_F(EditableDataSourceTest, APictureArrivingLaterReloadsTheRowAndShowsIt)
{
    server.setResponder([](const RecordedRequest&) { return pictureReply(); });
    build("[{\"AssetId\":\"1\",\"Type\":\"Image\",\"Name\":\"Lounge\",\"ImageUrl\":\"" + server.url() + "/lounge.jpg\"},"
          "{\"AssetId\":\"2\",\"Type\":\"Directory\",\"Name\":\"Garden\",\"ImageUrl\":\"" + server.url() + "/garden.jpg\"}]");
    EXPECT_EQ(shown(false), (std::vector<std::string> { "ImageCell", "DirectoryCell" }));
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return count(RowChange::Reload, RowAnimation::Automatic) == 2; },
        std::chrono::seconds(10)));
    EXPECT_EQ(shown(false), (std::vector<std::string> { "ImageCell", "DirectoryImageCell" }));
    auto image = std::static_pointer_cast<ImageCell>(table->cellForRowAtIndexPath({ 0, 0 }));
    EXPECT_TRUE(image->imageView()->image());
    EXPECT_EQ(image->title()->text(), "");
    EXPECT_EQ(std::static_pointer_cast<ImageCell>(table->cellForRowAtIndexPath({ 0, 1 }))->title()->text(), "Garden");
}

TEST_F(ItemCellsTest, InputsWriteEveryEditIntoValueASingleLineOneShowsItWhenReusedAndTextRowsMakeRoomForTheRestoreControl)
{
    auto cell = TextFieldCell::create(CellStyle::Default, "TextFieldCell");
    auto first = record(R"({"Type":"TextField","Name":"n","Title":"Your name","options":"Georgia:20:1,0,0:0,0,1"})");
    cell->configureWithAsset(first);
    auto field = cell->textField();
    EXPECT_EQ(std::make_tuple(field->placeholder(), field->font().pointSize, field->textColour(), field->backgroundColour()),
        std::make_tuple(std::string("Your name"), 20.0, Colour::fromRGB(1, 0, 0), Colour::fromRGB(0, 0, 1)));
    EXPECT_TRUE(field->replaceCharacters({ 0, 0 }, "a") && field->replaceCharacters({ 1, 0 }, "b"));
    EXPECT_EQ(first->get("Value").asString(), "ab");
    EXPECT_TRUE(field->replaceCharacters({ 1, 1 }, ""));
    EXPECT_EQ(first->get("Value").asString(), "a");
    // Reused for another record and back: what was typed is still shown, styling reset.
    // Fewer than four option parts, or a colour of two components, leave the defaults.
    for (const char* options : { "Georgia:20:1,0,0", "Georgia:20:1,0:1,1,1" }) {
        cell->configureWithAsset(record(std::string(R"({"Type":"TextField","Name":"m","options":")") + options + "\"}"));
        EXPECT_EQ(std::make_pair(cell->textField()->text(), cell->textField()->textColour()), std::make_pair(std::string(), Colour::black())) << options;
    }
    cell->configureWithAsset(first);
    EXPECT_EQ(cell->textField()->text(), "a");
    // A multi-line input shows the record's text and keeps the value equal to what it shows.
    auto lines = TextViewCell::create(CellStyle::Default, "TextViewCell");
    auto withData = record(R"({"Type":"TextView","Name":"m","Title":"Message","Data":"Dear","Value":"old"})");
    lines->configureWithAsset(withData);
    EXPECT_EQ(std::make_pair(lines->prompt()->text(), lines->textView()->text()), std::make_pair(std::string("Message"), std::string("Dear")));
    EXPECT_TRUE(lines->textView()->replaceText({ 4, 0 }, " Sir"));
    EXPECT_EQ(withData->get("Value").asString(), "Dear Sir");
    auto empty = record(R"({"Type":"TextView","Name":"m2","Value":"","Data":""})");
    lines->configureWithAsset(empty);
    EXPECT_EQ(lines->textView()->text(), "");
    lines->textView()->replaceText({ 0, 0 }, "ab");
    lines->textView()->replaceText({ 1, 1 }, "");
    EXPECT_EQ(empty->get("Value").asString(), "a");
    // A text row shows its text, read only; a deleted item's restore control sits on its right.
    auto text = TextCell::create(CellStyle::Default, "TextCell");
    auto plain = record(R"({"Type":"Text","Name":"t","Data":"Hello"})");
    text->configureWithAsset(plain);
    EXPECT_EQ(std::make_pair(text->textView()->text(), text->textView()->isEditable()), std::make_pair(std::string("Hello"), false));
    text->setFrame({ 0, 0, 320, 60 });
    EXPECT_EQ(text->textView()->frame(), (Rect { 0, 0, 320, 60 }));
    // The coordinator gives deleted records their control; a record holds it as an opaque value.
    auto manager = DataManager::create(JsonParser::parse(R"([{"AssetId":"3","Type":"Text","Name":"b","Data":"gone","IsDeleted":"true"}])")->array(), model());
    auto deleted = manager->objects()->at(0).object();
    text->configureWithAsset(deleted);
    ASSERT_TRUE(text->restore() && text->restore()->superview() == text->contentView());
    EXPECT_EQ(std::make_pair(text->textView()->frame(), text->restore()->frame()), std::make_pair(Rect { 0, 0, 220, 60 }, Rect { 220, 0, 100, 40 }));
    text->configureWithAsset(plain);
    EXPECT_FALSE(text->restore());
    EXPECT_EQ(DataManager::restoreButtonOf(deleted)->superview(), nullptr);
}

TEST_F(ItemCellsTest, EventCountdownInDaysHoursOrHere)
{
    // Days are counted between local calendar days.
    std::string zone = getenv("TZ") ? getenv("TZ") : "";
    setenv("TZ", "UTC", 1);
    Date now = at("2030-06-10 12:00:00");
    const std::pair<const char*, const char*> cases[] = { { "2030-06-12 09:00:00", "2 days to go" }, { "2030-06-10 15:30:00", "4 hours to go" },
        { "2030-06-10 12:00:00", "1 hours to go" }, { "2030-06-10 11:00:00", "It's here!" }, { "2020-01-01 00:00:00", "It's here!" },
        { "next week", "It's here!" } };
    for (const auto& [date, text] : cases)
        EXPECT_EQ(EventCell::countDownText(date, now), text) << date;
    auto cell = EventCell::create(CellStyle::Default, "EventCell");
    cell->configureWithDictionary(record(R"({"Type":"Event","Name":"Fair","date":"2030-06-12 09:00:00"})"), now);
    EXPECT_EQ(std::make_tuple(cell->textLabel()->text(), cell->dateLabel()->text(), cell->countDownLabel()->text()),
        std::make_tuple(std::string("Fair"), std::string("2030-06-12 09:00:00"), std::string("2 days to go")));
    if (zone.empty())
        unsetenv("TZ");
    else
        setenv("TZ", zone.c_str(), 1);
}

TEST_F(ItemCellsTest, CarouselStyleComesFromTheRecordElseTheCellAndItFetchesItsListAndShowsTheRecordFirstThenEachItem)
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
    auto placeholder = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 0, nullptr));
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(std::make_tuple(placeholder->width(), placeholder->imageView()->imageName(), placeholder->label()->text()),
        std::make_tuple(100.0, std::string("selectImage.png"), std::string()));
    EXPECT_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Wrap, 0), 1);
    EXPECT_DOUBLE_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Spacing, 1), 1.1);
    EXPECT_EQ(cell->valueForOption(*cell->carousel(), CarouselOption::Arc, 2.5), 2.5);
    // A record without its list: the record shows until the fetched list arrives.
    server.setResponder([](const RecordedRequest&) {
        return json(R"({"Message":{"AssetId":"40","list":[{"Name":"one"},{"Name":"two"},{"Name":"three"},{"Name":"four"}]}})");
    });
    std::vector<std::pair<int, std::string>> chosen;
    auto wheel = record(R"({"Type":"Directory","Name":"wheel","options":"Carousel:1","assetID":"40"})");
    cell->configureWithImage(wheel, 200, [&](int index, const AssetRecord& item) { chosen.emplace_back(index, asset::name(item)); });
    EXPECT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 1);
    EXPECT_EQ(onlyRequest().target, base() + "contentForNode?assetid=40");
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return cell->objects()->size() == 5; }, std::chrono::seconds(10)));
    EXPECT_EQ(std::make_tuple(cell->numberOfItemsInCarousel(*cell->carousel()), cell->carousel()->numberOfItems(), cell->objects()->at(0).object()),
        std::make_tuple(5, 5, wheel));
    EXPECT_TRUE(wheel->get("list").isArray());
    auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 4, nullptr));
    ASSERT_TRUE(view);
    EXPECT_EQ(std::make_tuple(view->label()->text(), view->label()->strokeWidth(), asset::name(cell->currentItem())), std::make_tuple(std::string("four"), -4.0, std::string("wheel")));
    cell->didSelectItemAtIndex(*cell->carousel(), 2);
    EXPECT_EQ(chosen, (std::vector<std::pair<int, std::string>> { { 2, "two" } }));

    // A cell given another record while its list is on the way shows only the newer list, which
    // may come bare; a reply without a list leaves the record alone.
    server.setResponder([](const RecordedRequest& request) {
        if (request.target.ends_with("=41")) {
            Reply late = json(R"({"Message":[{"Name":"stale"}]})");
            late.delay = std::chrono::milliseconds(300);
            return late;
        }
        return json(request.target.ends_with("=42") ? R"({"Message":[{"Name":"y"},{"Name":"z"}]})" : R"({"Message":{"Name":"w"}})");
    });
    auto wheelOf = [&](const std::string& id) { return record(R"({"Type":"Directory","Name":"w","options":"Carousel:1","assetID":")" + id + "\"}"); };
    cell->configureWithImage(wheelOf("41"), 200, {});
    cell->configureWithImage(wheelOf("42"), 200, {});
    settle();
    EXPECT_EQ(std::make_pair(asset::name(cell->objects()->at(1).object()), cell->objects()->size()), std::make_pair(std::string("y"), size_t(3)));
    auto bare = CarouselCell::create(CellStyle::Default, "CarouselCell");
    bare->configureWithImage(wheelOf("43"), 200, {});
    settle();
    EXPECT_EQ(std::make_pair(bare->objects()->size(), bare->numberOfItemsInCarousel(*bare->carousel())), std::make_pair(size_t(0), 1));

    // An item's picture arrives into the item; a failed one keeps the placeholder.
    server.setResponder([](const RecordedRequest& request) { return request.path == "/broken.jpg" ? makeReply(404, "{}") : pictureReply(); });
    const size_t asked = server.requests().size();
    cell->configureWithImage(record("{\"Name\":\"wheel\",\"options\":\"Carousel:0\",\"list\":[{\"Name\":\"a\",\"assVal\":\"" + server.url()
        + "/a.jpg\"},{\"Name\":\"b\",\"assVal\":\"" + server.url() + "/broken.jpg\"}]}"), 120, {});
    ASSERT_EQ(cell->numberOfItemsInCarousel(*cell->carousel()), 3);
    // Asking twice while the picture is on its way sends one request.
    for (int index : { 1, 1, 2 })
        cell->viewForItemAtIndex(*cell->carousel(), index, nullptr);
    auto itemA = cell->objects()->at(1).object();
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return itemA->find("image") && model().httpClient()->inFlight() == 0; }, std::chrono::seconds(10)));
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(server.requests().size(), asked + 2);
    view = std::dynamic_pointer_cast<CarouselCell::ItemView>(cell->viewForItemAtIndex(*cell->carousel(), 1, nullptr));
    EXPECT_TRUE(view->imageView()->image());
    EXPECT_FALSE(cell->objects()->at(2).object()->find("image"));
}

TEST_F(EventDataSourceTest, ViewModeShowsFourRowsEditModeFiveAndEachDateRowOpensAPickerWithinItsLimits)
{
    AssetRecord event = JsonParser::parse(summerFair)->object();
    auto events = sourceFor(event);
    std::string start = DateFormat::shortDateTime(at("2027-07-03 14:00:00"));
    std::string end = DateFormat::shortDateTime(at("2027-07-03 17:00:00"));
    EXPECT_EQ(events->selectedRow(), 0);
    EXPECT_EQ(shown(), (std::vector<std::string> { "Summer fair", start, end, "" }));
    EXPECT_EQ(heights(*events), std::vector<double>(4, 42));
    events->setIsEditing(true);
    EXPECT_EQ(events->selectedRow(), -1);
    EXPECT_EQ(shown(), (std::vector<std::string> { "Summer fair", start, start, end, "No description" }));
    EXPECT_EQ(heights(*events), std::vector<double>(5, 42));
    event->set("Data", "Stalls and music");
    events->setIsEditing(false);
    EXPECT_EQ(events->selectedRow(), -1);
    EXPECT_EQ(shown(), (std::vector<std::string> { "Summer fair", start, end, "Stalls and music" }));
    // In edit mode each date row opens a picker at the record's value, within its limits.
    events->setIsEditing(true);
    Date before = DateFormat::now();
    select(*events, 2);
    auto date = pickerAt(2);
    Date after = DateFormat::now();
    EXPECT_EQ(heights(*events), (std::vector<double> { 42, 42, 200, 42, 42 }));
    ASSERT_TRUE(date);
    EXPECT_EQ(std::make_tuple(date->header()->text(), date->textLabel()->text(), date->datePicker()->date()),
        std::make_tuple(std::string("Enter the start time of the event"), std::string(), at("2027-07-03 14:00:00")));
    Date earliest = date->datePicker()->minimumDate().value_or(Date {});
    EXPECT_TRUE(earliest >= before && earliest <= after) << "the earliest start is now";
    EXPECT_FALSE(pickerAt(1) || pickerAt(3));
    // A start after the end takes the end along; the show-from date stays.
    date->datePicker()->pick(at("2027-07-04 10:00:00"));
    EXPECT_EQ(dates(event), (std::vector<std::string> { "2027-07-03 14:00:00", "2027-07-04 10:00:00", "2027-07-04 10:00:00" }));
    select(*events, 3);
    auto endPicker = pickerAt(3);
    ASSERT_TRUE(endPicker);
    EXPECT_EQ(std::make_pair(endPicker->header()->text(), endPicker->datePicker()->minimumDate()), std::make_pair(std::string("Enter end date of the event"), std::optional(at("2027-07-04 10:00:00"))));
    endPicker->datePicker()->pick(at("2027-07-01 09:00:00"));
    EXPECT_EQ(event->get("endDate").asString(), "2027-07-04 10:00:00") << "an end before the start is held at the start";
    endPicker->datePicker()->pick(at("2027-07-05 18:00:00"));
    EXPECT_EQ(event->get("endDate").asString(), "2027-07-05 18:00:00");
    select(*events, 1);
    auto show = pickerAt(1);
    ASSERT_TRUE(show);
    EXPECT_EQ(std::make_tuple(show->header()->text(), show->datePicker()->date(), show->datePicker()->maximumDate()),
        std::make_tuple(std::string("Enter date from which to show the event"), at("2027-07-03 14:00:00"), std::optional(at("2027-07-04 10:00:00"))));
    show->datePicker()->pick(at("2027-07-02 08:00:00"));
    EXPECT_EQ(dates(event), (std::vector<std::string> { "2027-07-03 14:00:00", "2027-07-04 10:00:00", "2027-07-05 18:00:00" }));
}

TEST_F(EventDataSourceTest, LeavingADateRowSendsTheDateItsPickerEditsAndNothingWithoutOne)
{
    auto events = sourceFor(JsonParser::parse(summerFair)->object());
    events->setIsEditing(true);
    for (int row : { 1, 0, 2, 2, 3 })
        select(*events, row);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(sentTargets(), (std::vector<std::string> { "setDate?assetid=7&date=2027-07-03%2014%3a00%3a00" }));
    // "Done" on the end date row sends that date.
    events->setIsEditing(false);
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_EQ(sentTargets(), (std::vector<std::string> { "setDate?assetid=7&date=2027-07-03%2014%3a00%3a00",
                                 "setDate?assetid=7&endDate=2027-07-03%2017%3a00%3a00" }));
    AssetRecord undated = JsonParser::parse(R"({"assetID":"9","Type":"Event","name":"Open day"})")->object();
    events = sourceFor(undated);
    EXPECT_EQ(shown(), (std::vector<std::string> { "Open day", "", "", "" }));
    events->setIsEditing(true);
    for (int row : { 1, 2, 3 }) {
        Date before = DateFormat::now();
        select(*events, row);
        ASSERT_TRUE(pickerAt(row));
        EXPECT_GE(pickerAt(row)->datePicker()->date(), before) << "row " << row;
    }
    events->setIsEditing(false);
    EXPECT_EQ(sentTargets().size(), 2u);
    EXPECT_EQ(dates(undated), (std::vector<std::string> { "", "", "" }));
}

TEST_F(EventDataSourceTest, DescriptionEditorGoesOnTheScreensStackAndTheSourceKeepsItsCoordinator)
{
    ShellGuard shell;
    AssetRecord event = JsonParser::parse(summerFair)->object();
    auto events = sourceFor(event);
    auto coordinating = DataManager::create(JsonArray::create(), model());
    coordinating->setViewController(screen);
    events->setDataManager(coordinating);
    std::weak_ptr<DataManager> coordinator = coordinating;
    coordinating.reset();
    select(*events, 3);
    EXPECT_EQ(std::make_pair(events->selectedRow(), stack->viewControllers().size()), std::make_pair(3, size_t(1))) << "view mode has no description editor";
    events->setIsEditing(true);
    select(*events, 4);
    EXPECT_EQ(events->selectedRow(), 4);
    auto editor = std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController());
    ASSERT_TRUE(editor);
    EXPECT_EQ(std::make_tuple(editor->kind, editor->object, editor->textMode),
        std::make_tuple(std::string("TextEditorViewController"), event, std::optional(TextEditorMode::Text)));
    EXPECT_EQ(stack->lastTransitionAnimated(), Animated::Yes);
    // The editor reports from its reply thread; the pop waits for the main queue.
    std::thread([handler = editor->completion] { handler(std::nullopt); }).join();
    EXPECT_EQ(stack->viewControllers().size(), 2u);
    EXPECT_TRUE(MainQueue::shared().runUntil([&] { return stack->viewControllers().size() == 1; }, std::chrono::seconds(5)));
    events.reset();
    table->setDataSource({});
    EXPECT_TRUE(coordinator.expired()) << "the coordinator points back at its screen only weakly";
}
