// The event screen's data source and its date picker rows: the texts of both modes, the
// pickers' start values, limits and writes, and the dates that leaving a row sends, on the wire
// and as the reference server then holds them.
#include "content/EventDataSource.h"

#include "content/DataManager.h"
#include "content/ContentFixture.h"
#include "content/DatePickerCell.h"
#include "core/ModelFixture.h"
#include "platform/JsonParser.h"
#include "support/DemoServer.h"
#include "ui/NavigationController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

Date at(const char* text) { return *Model::dateFromServerDateString(text); }

/// The record's show-from, start and end dates, as stored.
std::vector<std::string> dates(const AssetRecord& event)
{
    return { event->get("startDate").asString(), event->get("date").asString(), event->get("endDate").asString() };
}

constexpr const char* summerFair = R"({"AssetId":"7","assetID":"7","Type":"Event","name":"Summer fair","Data":"",
    "startDate":"2027-07-03 14:00:00","date":"2027-07-03 14:00:00","endDate":"2027-07-03 17:00:00"})";

/// The event screen as the data source sees it: a controller on a navigation stack.
struct EventScreen : DataManagerScreen {
    void refresh() override { }
    void done() override { }
    void editTable() override { }
    bool editMode() const override { return false; }
    bool isRootController() const override { return false; }
    bool isTableEditing() const override { return false; }
    void setTableEditing(bool, Animated) override { }
    std::shared_ptr<ViewController> screenController() override { return controller; }

    std::shared_ptr<ViewController> controller = ViewController::create("Summer fair");
    std::shared_ptr<NavigationController> navigation = NavigationController::create(controller);
};

class EventDataSourceTest : public ModelFixture {
protected:
    void TearDown() override
    {
        ModelFixture::TearDown();
        reference.stop();
    }

    std::shared_ptr<EventDataSource> sourceFor(const AssetRecord& record)
    {
        auto source = EventDataSource::create(record);
        source->registerCellsForTableView(table);
        table->setDataSource(source);
        return source;
    }
    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (auto& row : table->layoutAllRows().rows)
            out.push_back(row.cell->textLabel()->text());
        return out;
    }
    std::vector<double> heights(EventDataSource& source)
    {
        std::vector<double> out;
        for (int row = 0; row < table->numberOfRowsInSection(0); ++row)
            out.push_back(source.heightForRowAtIndexPath(*table, { 0, row }));
        return out;
    }
    std::shared_ptr<DatePickerCell> pickerAt(int row)
    {
        table->layoutAllRows();
        return std::dynamic_pointer_cast<DatePickerCell>(table->cellForRowAtIndexPath({ 0, row }));
    }
    void select(EventDataSource& source, int row) { source.didSelectObjectAtIndexPath(screen, { 0, row }, false); }
    /// Waits until every request has been answered.
    static void settle()
    {
        auto client = model().httpClient();
        for (int i = 0; i < 1000 && client->inFlight() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(client->inFlight(), 0u);
    }
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

    /// Starts the reference server with its demo data, points the model at it and logs in.
    void useReferenceServer()
    {
        std::string error;
        ASSERT_TRUE(reference.start(&error)) << error;
        model().setConfiguration(*ServerConfiguration::create(reference.host()));
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.single().content);
        ASSERT_TRUE(model().isLoggedIn());
    }
    /// The child of the directory (the public start page for "") with the given name.
    static AssetRecord childNamed(const std::string& directoryID, const std::string& name)
    {
        Collector fetch;
        model().fetchDirectoryForAssetID(directoryID, fetch.handler());
        Outcome outcome = fetch.single();
        if (!outcome.content || !outcome.content->isObject())
            return nullptr;
        JsonArrayPtr children = asset::list(outcome.content->object());
        for (const JsonValue& child : children ? children->items() : std::vector<JsonValue> {})
            if (asset::name(child.object()) == name)
                return child.object();
        return nullptr;
    }

    std::shared_ptr<TableView> table = TableView::create({ 0, 0, 320, 2000 });
    std::shared_ptr<EventScreen> screen = std::make_shared<EventScreen>();
    DemoServer reference;
};

} // namespace

TEST_F(EventDataSourceTest, ViewModeShowsFourRowsAndEditModeFiveEndingInTheDescription)
{
    AssetRecord event = JsonParser::parse(summerFair)->object();
    auto source = sourceFor(event);
    std::string start = DateFormat::shortDateTime(at("2027-07-03 14:00:00"));
    std::string end = DateFormat::shortDateTime(at("2027-07-03 17:00:00"));

    EXPECT_EQ(source->selectedRow(), 0);
    EXPECT_EQ(texts(), (std::vector<std::string> { "Summer fair", start, end, "" }));
    EXPECT_EQ(heights(*source), (std::vector<double> { 42, 42, 42, 42 }));

    source->setIsEditing(true);
    EXPECT_EQ(source->selectedRow(), -1);
    EXPECT_EQ(texts(), (std::vector<std::string> { "Summer fair", start, start, end, "No description" }));
    EXPECT_EQ(heights(*source), (std::vector<double> { 42, 42, 42, 42, 42 }));

    event->set("Data", "Stalls and music");
    source->setIsEditing(false);
    EXPECT_EQ(source->selectedRow(), -1);
    EXPECT_EQ(texts(), (std::vector<std::string> { "Summer fair", start, end, "Stalls and music" }));
}

TEST_F(EventDataSourceTest, EachDateRowOpensAPickerAtTheRecordsValueWithinItsLimits)
{
    AssetRecord event = JsonParser::parse(summerFair)->object();
    auto source = sourceFor(event);
    source->setIsEditing(true);

    Date before = DateFormat::now();
    select(*source, 2);
    auto date = pickerAt(2);
    Date after = DateFormat::now();
    EXPECT_EQ(heights(*source), (std::vector<double> { 42, 42, 200, 42, 42 }));
    ASSERT_TRUE(date);
    EXPECT_EQ(date->header()->text(), "Enter the start time of the event");
    EXPECT_EQ(date->textLabel()->text(), "");
    EXPECT_EQ(date->datePicker()->date(), at("2027-07-03 14:00:00"));
    Date earliest = date->datePicker()->minimumDate().value_or(Date {});
    EXPECT_TRUE(earliest >= before && earliest <= after) << "the earliest start is now";
    EXPECT_FALSE(pickerAt(1) || pickerAt(3));
    // A start after the end takes the end along; the show-from date stays.
    date->datePicker()->pick(at("2027-07-04 10:00:00"));
    EXPECT_EQ(dates(event), (std::vector<std::string> { "2027-07-03 14:00:00", "2027-07-04 10:00:00", "2027-07-04 10:00:00" }));

    select(*source, 3);
    auto end = pickerAt(3);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->header()->text(), "Enter end date of the event");
    EXPECT_EQ(end->datePicker()->minimumDate(), at("2027-07-04 10:00:00"));
    end->datePicker()->pick(at("2027-07-01 09:00:00"));
    EXPECT_EQ(event->get("endDate").asString(), "2027-07-04 10:00:00") << "an end before the start is held at the start";
    end->datePicker()->pick(at("2027-07-05 18:00:00"));
    EXPECT_EQ(event->get("endDate").asString(), "2027-07-05 18:00:00");

    select(*source, 1);
    auto show = pickerAt(1);
    ASSERT_TRUE(show);
    EXPECT_EQ(show->header()->text(), "Enter date from which to show the event");
    EXPECT_EQ(show->datePicker()->date(), at("2027-07-03 14:00:00"));
    EXPECT_EQ(show->datePicker()->maximumDate(), at("2027-07-04 10:00:00"));
    show->datePicker()->pick(at("2027-07-02 08:00:00"));
    EXPECT_EQ(dates(event), (std::vector<std::string> { "2027-07-03 14:00:00", "2027-07-04 10:00:00", "2027-07-05 18:00:00" }));
}

TEST_F(EventDataSourceTest, LeavingADateRowSendsTheDateItsPickerEditsAndNothingWithoutOne)
{
    auto source = sourceFor(JsonParser::parse(summerFair)->object());
    source->setIsEditing(true);
    for (int row : { 1, 0, 2, 2, 3 })
        select(*source, row);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(sentTargets(), (std::vector<std::string> { "setDate?assetid=7&date=2027-07-03%2014%3a00%3a00" }));
    // "Done" on the end date row sends that date.
    source->setIsEditing(false);
    ASSERT_TRUE(server.waitForRequests(2));
    EXPECT_EQ(sentTargets(), (std::vector<std::string> { "setDate?assetid=7&date=2027-07-03%2014%3a00%3a00",
                                 "setDate?assetid=7&endDate=2027-07-03%2017%3a00%3a00" }));

    AssetRecord undated = JsonParser::parse(R"({"assetID":"9","Type":"Event","name":"Open day"})")->object();
    source = sourceFor(undated);
    EXPECT_EQ(texts(), (std::vector<std::string> { "Open day", "", "", "" }));
    source->setIsEditing(true);
    for (int row : { 1, 2, 3 }) {
        Date before = DateFormat::now();
        select(*source, row);
        ASSERT_TRUE(pickerAt(row));
        EXPECT_GE(pickerAt(row)->datePicker()->date(), before) << "row " << row;
    }
    source->setIsEditing(false);
    EXPECT_EQ(sentTargets().size(), 2u);
    EXPECT_EQ(dates(undated), (std::vector<std::string> { "", "", "" }));
}

TEST_F(EventDataSourceTest, DescriptionEditorAndPictureChoiceGoOnTheScreensStackAndTheSourceKeepsItsCoordinator)
{
    ShellGuard shell;
    AssetRecord event = JsonParser::parse(summerFair)->object();
    auto source = sourceFor(event);
    auto manager = DataManager::create(JsonArray::create(), model());
    manager->setViewController(screen);
    source->setDataManager(manager);
    std::weak_ptr<DataManager> coordinator = manager;
    manager.reset();
    auto& stack = screen->navigation;

    select(*source, 3);
    EXPECT_EQ(source->selectedRow(), 3);
    EXPECT_EQ(stack->viewControllers().size(), 1u) << "view mode has no description editor";

    source->setIsEditing(true);
    select(*source, 4);
    EXPECT_EQ(source->selectedRow(), 4);
    auto editor = std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController());
    ASSERT_TRUE(editor);
    EXPECT_EQ(std::make_tuple(editor->kind, editor->object, editor->textMode),
        std::make_tuple(std::string("TextEditorViewController"), event, std::optional(TextEditorMode::Text)));
    EXPECT_EQ(stack->lastTransitionAnimated(), Animated::Yes);
    // The editor reports from its reply thread; the pop waits for the main queue.
    std::thread([handler = editor->completion] { handler(std::nullopt); }).join();
    EXPECT_EQ(stack->viewControllers().size(), 2u);
    EXPECT_TRUE(MainQueue::shared().runUntil([&] { return stack->viewControllers().size() == 1; }, std::chrono::seconds(5)));

    source->changeImage();
    auto chooser = std::dynamic_pointer_cast<RecordedEditor>(stack->topViewController());
    ASSERT_TRUE(chooser);
    EXPECT_EQ(std::make_pair(chooser->kind, chooser->object), std::make_pair(std::string("ImageSelectionViewController"), event));

    source.reset();
    table->setDataSource({});
    EXPECT_TRUE(coordinator.expired()) << "the coordinator points back at its screen only weakly";
}

TEST_F(EventDataSourceTest, DatesPickedOnTheScreenAreWhatTheReferenceServerThenHolds)
{
    useReferenceServer();
    AssetRecord events = childNamed("", "Events");
    ASSERT_TRUE(events);
    std::string eventsID = asset::ident(events).value_or("");
    AssetRecord fair = childNamed(eventsID, "Summer fair");
    ASSERT_TRUE(fair);

    auto source = sourceFor(fair);
    source->setIsEditing(true);
    select(*source, 2);
    pickerAt(2)->datePicker()->pick(at("2027-07-05 12:00:00"));
    select(*source, 3);
    pickerAt(3)->datePicker()->pick(at("2027-07-06 09:30:00"));
    source->setIsEditing(false);
    settle();

    AssetRecord stored = childNamed(eventsID, "Summer fair");
    ASSERT_TRUE(stored);
    EXPECT_EQ(dates(stored), (std::vector<std::string> { "2027-07-03 14:00:00", "2027-07-05 12:00:00", "2027-07-06 09:30:00" }));
}
