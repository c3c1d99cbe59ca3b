// The item list's data source: the cell rule table in the three modes, heights, the form items
// it collects, and row deletes and moves against the demo server and a recording server.
#include "content/EditableDataSource.h"

#include "content/CarouselCell.h"
#include "content/DataManager.h"
#include "content/EventCell.h"
#include "content/ImageCell.h"
#include "content/TextCell.h"
#include "content/TextFieldCell.h"
#include "content/TextViewCell.h"
#include "core/ModelFixture.h"
#include "platform/JsonParser.h"
#include "platform/NotificationCenter.h"
#include "support/DemoServer.h"
#include "ui/TableView.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace quindle;
using namespace quindle::test;

namespace {

JsonArrayPtr items(const std::string& json)
{
    auto parsed = JsonParser::parse(json);
    return parsed && parsed->isArray() ? parsed->array() : JsonArray::create();
}

/// Records the row changes a table reports.
class TableRecorder : public ViewObserver {
public:
    struct Change {
        RowChange change;
        std::vector<IndexPath> rows;
        RowAnimation animation;
    };
    void tableChanged(const TableView&, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation) override
    {
        changes.push_back({ change, rows, animation });
    }
    int count(RowChange change, RowAnimation animation) const
    {
        int n = 0;
        for (auto& c : changes)
            n += c.change == change && c.animation == animation;
        return n;
    }
    std::vector<Change> changes;
};

class EditableDataSourceTest : public ModelFixture {
protected:
    void build(const std::string& json) { build(items(json)); }
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
    /// The labels a renderer without scrolling shows, top to bottom.
    std::vector<std::string> shownLabels()
    {
        std::vector<std::string> out;
        for (auto& row : table->layoutAllRows().rows)
            out.push_back(row.cell->textLabel()->text());
        return out;
    }
    std::vector<std::string> listNames() const
    {
        std::vector<std::string> out;
        for (auto& item : *manager->objects())
            out.push_back(asset::name(item.object()));
        return out;
    }

    std::shared_ptr<DataManager> manager;
    std::shared_ptr<EditableDataSource> source;
    std::shared_ptr<TableView> table;
    std::shared_ptr<TableRecorder> recorder = std::make_shared<TableRecorder>();
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

} // namespace

TEST_F(EditableDataSourceTest, ViewModeChoosesACellPerItemTypeAndCollectsTheInputs)
{
    build(everyType);
    EXPECT_EQ(table->numberOfRowsInSection(0), 10);
    std::vector<std::string> identifiers;
    for (int row = 0; row < 10; ++row)
        identifiers.push_back(source->cellForRowAtIndexPath(*table, { 0, row })->reuseIdentifier());
    EXPECT_EQ(identifiers, (std::vector<std::string> { "TextCell", "DirectoryCell", "TextFieldCell", "TextViewCell", "EventCell",
                               "CarouselCell", "ImageCell", "ImageCell", "DirectoryCell", "DirectoryCell" }));

    ASSERT_EQ(source->formArray().size(), 2u);
    EXPECT_EQ(asset::name(source->formArray()[0]), "f");
    EXPECT_EQ(asset::name(source->formArray()[1]), "v");

    // A text without text is a plain row with its name and a disclosure indicator.
    auto emptyText = cell(1);
    EXPECT_EQ(emptyText->textLabel()->text(), "empty text");
    EXPECT_EQ(emptyText->accessoryType(), AccessoryType::DisclosureIndicator);
    EXPECT_EQ(cell(9)->textLabel()->text(), "Odd");
    // A picture item without its picture shows its name as title.
    EXPECT_EQ(std::static_pointer_cast<ImageCell>(cell(6))->title()->text(), "Lounge");
    EXPECT_EQ(std::static_pointer_cast<CarouselCell>(cell(5))->carousel()->type(), CarouselType::Cylinder);
}

TEST_F(EditableDataSourceTest, ItemEditModeShowsInputsAsTextAndCollectsNothing)
{
    build(everyType);
    source->setIsEditing(true);
    EXPECT_EQ(cell(2)->reuseIdentifier(), "TextCell");
    EXPECT_EQ(std::static_pointer_cast<TextCell>(cell(3))->asset(), manager->objects()->at(3).object());
    EXPECT_EQ(cell(4)->reuseIdentifier(), "EventCell");
    // A carousel is edited as a plain row, without the disclosure indicator.
    auto carousel = cell(5);
    EXPECT_EQ(carousel->reuseIdentifier(), "DirectoryCell");
    EXPECT_EQ(carousel->textLabel()->text(), "Wheel");
    EXPECT_EQ(carousel->accessoryType(), AccessoryType::None);
    EXPECT_TRUE(source->formArray().empty());
}

TEST_F(EditableDataSourceTest, ReorderModeShowsPlainRowsWithTextOrName)
{
    build(everyType);
    table->setEditing(Editing::On, Animated::No);
    std::vector<std::string> labels = shownLabels();
    EXPECT_EQ(labels, (std::vector<std::string> { "Hello", "", "f", "v", "Fair", "Wheel", "Lounge", "Tabs", "Gallery", "Odd" }));
    for (auto& row : table->layoutAllRows().rows)
        EXPECT_EQ(row.cell->reuseIdentifier(), "DirectoryCell");
    EXPECT_TRUE(source->formArray().empty());
}

TEST_F(EditableDataSourceTest, RowAndCarouselSelectionsReachTheCoordinator)
{
    build(R"([{"AssetId":"21","Type":"Directory","Name":"Rooms"},
        {"AssetId":"30","Type":"Directory","Name":"Wheel","options":"Carousel:0","list":[{"AssetId":"22","Type":"Directory","Name":"Sub"}]}])");
    source->didSelectObjectAtIndexPath(nullptr, { 0, 0 }, false);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.requests()[0].target, base() + "contentForNode?assetid=21");

    auto carousel = std::static_pointer_cast<CarouselCell>(cell(1));
    carousel->didSelectItemAtIndex(*carousel->carousel(), 1);
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_EQ(server.requests()[1].target, base() + "contentForNode?assetid=22");
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
    EXPECT_EQ(height(2), 200);
    EXPECT_EQ(height(3), 120);
    EXPECT_EQ(height(4), 200);
    EXPECT_EQ(height(5), 200);
    EXPECT_EQ(height(6), 50);
    EXPECT_EQ(height(7), 50);
    EXPECT_EQ(height(99), 50);
}

TEST_F(EditableDataSourceTest, SendFormPostsTheCollectedValuesOnlyWhileActive)
{
    build(R"([{"Type":"TextField","Name":"name"},{"Type":"TextView","Name":"msg","Value":"hi"},{"Type":"Text","Name":"x","Data":"y"}])");
    table->layoutAllRows();
    std::static_pointer_cast<TextFieldCell>(table->cellForRowAtIndexPath({ 0, 0 }))->textField()->type("Ann");

    NotificationCenter::defaultCenter().post(DataManager::sendFormNotification);
    MainQueue::shared().runUntilIdle();
    EXPECT_FALSE(server.waitForRequests(1, std::chrono::milliseconds(200)));

    source->isActive();
    source->isActive();
    NotificationCenter::defaultCenter().post(DataManager::sendFormNotification);
    ASSERT_TRUE(server.waitForRequests(1));
    auto request = server.requests().front();
    EXPECT_EQ(request.target, base() + "sendForm");
    auto body = JsonParser::parse(request.body);
    ASSERT_TRUE(body && body->isObject());
    EXPECT_EQ(body->object()->get("formid").asString(), "77");
    EXPECT_EQ(body->object()->get("name").asString(), "Ann");
    EXPECT_EQ(body->object()->get("msg").asString(), "hi");
    EXPECT_FALSE(body->object()->contains("x"));

    // A new row count starts a fresh collection; inactive sources stay silent.
    table->numberOfRowsInSection(0);
    EXPECT_TRUE(source->formArray().empty());
    source->isInactive();
    NotificationCenter::defaultCenter().post(DataManager::sendFormNotification);
    EXPECT_FALSE(server.waitForRequests(2, std::chrono::milliseconds(300)));
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(EditableDataSourceTest, MovingFurtherThanOneRowSwapsTheEndsOnceAndShowsTheTrueOrder)
{
    build(R"([{"AssetId":"11","Type":"Directory","Name":"a"},{"AssetId":"12","Type":"Directory","Name":"b"},
        {"AssetId":"13","Type":"Directory","Name":"c"}])");
    table->setEditing(Editing::On, Animated::No);
    table->layoutAllRows();
    ASSERT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }));
    EXPECT_EQ(listNames(), (std::vector<std::string> { "c", "b", "a" }));
    MainQueue::shared().runUntilIdle();
    EXPECT_EQ(recorder->count(RowChange::ReloadAll, RowAnimation::None), 1);
    EXPECT_EQ(shownLabels(), (std::vector<std::string> { "c", "b", "a" }));

    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_FALSE(server.waitForRequests(2, std::chrono::milliseconds(200)));
    auto request = server.requests().front();
    EXPECT_EQ(request.target, base() + "swapAssets");
    auto body = JsonParser::parse(request.body);
    ASSERT_TRUE(body && body->isObject());
    EXPECT_EQ(body->object()->get("assetid").asString(), "11");
    EXPECT_EQ(body->object()->get("secondid").asString(), "13");
}

TEST_F(EditableDataSourceTest, APictureArrivingLaterReloadsTheRowAndShowsIt)
{
    auto png = Image::create(2, 2, std::vector<uint8_t>(16, 200))->jpegData();
    ASSERT_TRUE(png);
    server.setResponder([&](const RecordedRequest&) {
        Reply reply;
        reply.body = *png;
        reply.contentType = "image/jpeg";
        return reply;
    });
    build("[{\"AssetId\":\"1\",\"Type\":\"Image\",\"Name\":\"Lounge\",\"ImageUrl\":\"" + server.url() + "/lounge.jpg\"},"
          "{\"AssetId\":\"2\",\"Type\":\"Directory\",\"Name\":\"Garden\",\"ImageUrl\":\"" + server.url() + "/garden.jpg\"}]");
    table->layoutAllRows();
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 1 })->reuseIdentifier(), "DirectoryCell");
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return recorder->count(RowChange::Reload, RowAnimation::Automatic) == 2; },
        std::chrono::seconds(10)));
    table->layoutAllRows();
    auto image = std::static_pointer_cast<ImageCell>(table->cellForRowAtIndexPath({ 0, 0 }));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->imageView()->image());
    EXPECT_EQ(image->title()->text(), "");
    auto directory = table->cellForRowAtIndexPath({ 0, 1 });
    EXPECT_EQ(directory->reuseIdentifier(), "DirectoryImageCell");
    EXPECT_EQ(std::static_pointer_cast<ImageCell>(directory)->title()->text(), "Garden");
}

namespace {

/// The item list over the demo site of a real reference server, logged in as its owner.
class EditableDataSourceDemoTest : public EditableDataSourceTest {
protected:
    void SetUp() override
    {
        EditableDataSourceTest::SetUp();
        std::string error;
        ASSERT_TRUE(demo.start(&error)) << error;
        model().setConfiguration(*ServerConfiguration::create(demo.host()));
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.waitFor(1));
        ASSERT_TRUE(model().isLoggedIn());
    }
    void TearDown() override
    {
        EditableDataSourceTest::TearDown();
        demo.stop();
    }
    /// The children of a page as the server now holds them.
    JsonArrayPtr children(const std::string& assetID)
    {
        Collector fetched;
        model().fetchDirectoryForAssetID(assetID, fetched.handler());
        Outcome outcome = fetched.single();
        if (!outcome.content || !outcome.content->isObject())
            return JsonArray::create();
        return asset::list(outcome.content->object());
    }
    static std::vector<std::string> names(const JsonArrayPtr& list)
    {
        std::vector<std::string> out;
        for (auto& item : *list)
            out.push_back(asset::name(item.object()));
        return out;
    }
    /// The demo gallery page: three pictures.
    std::string galleryID()
    {
        JsonArrayPtr home = children("");
        for (auto& item : *home)
            if (asset::name(item.object()) == "Gallery")
                return asset::ident(item.object()).value_or("");
        return {};
    }

    DemoServer demo;
};

} // namespace

TEST_F(EditableDataSourceDemoTest, MovesAndDeletesLeaveTheListAndTheServerInTheSameOrder)
{
    std::string gallery = galleryID();
    ASSERT_FALSE(gallery.empty());
    build(children(gallery));
    ASSERT_EQ(listNames(), (std::vector<std::string> { "Lounge", "Dining room", "Library" }));
    table->setEditing(Editing::On, Animated::No);
    table->layoutAllRows();

    ASSERT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }));
    EXPECT_EQ(listNames(), (std::vector<std::string> { "Library", "Dining room", "Lounge" }));
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return model().httpClient()->inFlight() == 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(names(children(gallery)), listNames());

    ASSERT_TRUE(table->deleteRow({ 0, 1 }));
    EXPECT_EQ(listNames(), (std::vector<std::string> { "Library", "Lounge" }));
    ASSERT_FALSE(recorder->changes.empty());
    EXPECT_EQ(recorder->changes.back().change, RowChange::Delete);
    EXPECT_EQ(recorder->changes.back().animation, RowAnimation::Fade);
    EXPECT_EQ(recorder->changes.back().rows, (std::vector<IndexPath> { { 0, 1 } }));
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    // The coordinator announces the server's answer with a reload.
    int reloads = 0;
    auto owner = std::make_shared<int>(0);
    NotificationCenter::defaultCenter().addObserver(owner, DataManager::reloadDataNotification, [&] { ++reloads; });
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return reloads > 0; }, std::chrono::seconds(10)));
    EXPECT_EQ(names(children(gallery)), listNames());
}
