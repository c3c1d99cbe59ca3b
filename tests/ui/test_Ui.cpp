// The UI object model: views and controls (the view tree, buttons, text inputs and focus,
// switches, sliders, cells, the collection and table views, touches, the video player) and
// screens with their containers (stacks, tabs, modals, the window, popovers, bar buttons and
// alerts: who holds whom, what appears, and what the observer is told).

#include "RecordingObserver.h"

#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/PopoverController.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/VideoPlayerView.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

namespace {

struct Controls : ::testing::Test {
    void SetUp() override { root->setObserver(observer); }
    template<typename T>
    std::shared_ptr<T> add(std::shared_ptr<T> view)
    {
        root->addSubview(view);
        observer->clear();
        return view;
    }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<View> root = View::create({ 0, 0, 320, 480 });
};

}

TEST_F(Controls, ViewTreeRefusesCyclesAndReportsOnlyRealChanges)
{
    auto a = View::create();
    auto b = View::create();
    root->addSubview(a);
    a->addSubview(b);
    b->addSubview(root); // would own its own ancestor
    b->addSubview(b);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_TRUE(b->subviews().empty());
    root->addSubview(b);
    EXPECT_TRUE(a->subviews().empty());
    EXPECT_EQ(b->superview(), root);
    EXPECT_EQ(root->subviews().size(), 2u);

    auto label = add(Label::create());
    label->setText("Hello");
    label->setText("Hello");
    label->setHidden(false);
    label->setAlpha(3); // clamped to 1, the value it has
    label->setFrame(label->frame());
    EXPECT_EQ(observer->views.size(), 1u);
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Text), 1u);
}

TEST_F(Controls, ButtonTapRunsOnlyWhenUsableAndMayRemoveTheButton)
{
    auto button = add(Button::create("Restore"));
    int taps = 0;
    button->onTap = [&](Button&) { ++taps; };
    EXPECT_TRUE(button->tap());
    button->setEnabled(false);
    EXPECT_FALSE(button->tap());
    button->setEnabled(true);
    button->setHidden(true);
    EXPECT_FALSE(button->tap());
    EXPECT_EQ(taps, 1);

    button->setHidden(false);
    std::weak_ptr<Button> weak = button;
    button->onTap = [](Button& b) { b.removeFromSuperview(); };
    button.reset();
    EXPECT_TRUE(weak.lock()->tap());
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(root->subviews().empty());
}

TEST_F(Controls, TextFieldEditsGoThroughShouldChangeAndReturn)
{
    auto field = add(TextField::create());
    std::string value;
    bool accept = true;
    field->shouldChangeCharacters = [&](TextField&, TextRange range, const std::string& replacement) {
        value = range.applyTo(value, replacement);
        return accept;
    };
    int changes = 0;
    field->onChange = [&](TextField&) { ++changes; };
    EXPECT_TRUE(field->replaceCharacters({ 0, 0 }, "a"));
    EXPECT_TRUE(field->replaceCharacters({ 1, 0 }, "b"));
    EXPECT_EQ(value, "ab");
    EXPECT_TRUE(field->replaceCharacters({ 1, 1 }, ""));
    EXPECT_EQ(value, "a");
    EXPECT_EQ(field->text(), "a");
    EXPECT_EQ(changes, 3);
    // Code setting the text is reported but is no user edit.
    field->setText("code");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(observer->countViews(*field, ChangeKind::Text), 4u);
    accept = false;
    EXPECT_FALSE(field->type("other"));
    EXPECT_EQ(field->text(), "code");

    int returns = 0;
    field->onReturn = [&](TextField&) { ++returns; };
    field->shouldReturn = [](TextField& f) { return f.text() != "code"; };
    EXPECT_FALSE(field->pressReturn());
    field->setText("x");
    EXPECT_TRUE(field->pressReturn());
    EXPECT_EQ(returns, 1);
    field->setHidden(true);
    EXPECT_FALSE(field->becomeFirstResponder());
}

// One input holds the keyboard, also across separate trees (table cells hold theirs), and a
// field ends editing once when it loses it.
TEST_F(Controls, OnlyOneInputHoldsFocusAndLosingItEndsEditingOnce)
{
    auto login = add(TextField::create());
    auto password = add(TextField::create());
    auto notes = add(TextView::create());
    int ended = 0;
    login->onEndEditing = [&](TextField&) { ++ended; };
    login->resignFirstResponder(); // never had focus
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(login->becomeFirstResponder());
    login->type("72");
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(password->becomeFirstResponder());
    EXPECT_FALSE(login->isFirstResponder());
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(notes->becomeFirstResponder());
    EXPECT_FALSE(password->isFirstResponder());
    notes->resignFirstResponder();
    EXPECT_FALSE(notes->isFirstResponder());
    login->becomeFirstResponder();
    root->endEditing();
    root->endEditing();
    EXPECT_FALSE(login->isFirstResponder());
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(observer->countViews(*login, ChangeKind::Focus), 4u);

    auto text = TextView::create();
    auto key = TextField::create();
    auto firstCell = View::create(), secondCell = View::create();
    firstCell->addSubview(text);
    secondCell->addSubview(key);
    ASSERT_TRUE(text->becomeFirstResponder());
    ASSERT_TRUE(key->becomeFirstResponder());
    EXPECT_FALSE(text->isFirstResponder());
    ASSERT_TRUE(text->becomeFirstResponder());
    EXPECT_FALSE(key->isFirstResponder());
}

TEST_F(Controls, ReadOnlyTextViewRefusesEditsAndFocus)
{
    auto view = add(TextView::create());
    view->setText("Data");
    view->setEditable(Editable::No);
    EXPECT_FALSE(view->type("changed"));
    EXPECT_FALSE(view->becomeFirstResponder());
    EXPECT_EQ(view->text(), "Data");
    view->setEditable(Editable::Yes);
    std::vector<std::string> seen;
    view->shouldChangeText = [&](TextView&, TextRange range, const std::string& text) {
        seen.push_back(std::to_string(range.location) + ":" + std::to_string(range.length) + ":" + text);
        return true;
    };
    EXPECT_TRUE(view->type("New"));
    EXPECT_EQ(seen, (std::vector<std::string> { "0:4:New" }));
    EXPECT_EQ(view->text(), "New");
}

// A user's toggle or slide fires the handler; code and clamped no-moves do not.
TEST_F(Controls, SwitchAndSliderFireOnlyForTheUser)
{
    auto toggle = add(Switch::create());
    int fired = 0;
    toggle->onValueChanged = [&](Switch&) { ++fired; };
    toggle->setOn(true);
    EXPECT_EQ(fired, 0);
    toggle->toggle();
    EXPECT_FALSE(toggle->isOn());
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(observer->countViews(*toggle, ChangeKind::Value), 2u);

    auto slider = add(Slider::create());
    slider->setRange(10, 0);
    EXPECT_DOUBLE_EQ(slider->minimumValue(), 0);
    EXPECT_DOUBLE_EQ(slider->maximumValue(), 10);
    slider->onValueChanged = [&](Slider&) { ++fired; };
    slider->slide(25);
    EXPECT_DOUBLE_EQ(slider->value(), 10);
    slider->slide(30); // still clamped to 10: no movement
    EXPECT_EQ(fired, 2);
    slider->setRange(0, 5);
    EXPECT_DOUBLE_EQ(slider->value(), 5);
    EXPECT_EQ(fired, 2);
}

TEST_F(Controls, CellLaysOutContentLessAccessory)
{
    auto cell = TableViewCell::create(CellStyle::Subtitle, "DirectoryCell");
    ASSERT_TRUE(cell->detailTextLabel());
    EXPECT_EQ(cell->contentView()->frame().width, TableViewCell::defaultFrame.width);
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    EXPECT_EQ(cell->contentView()->frame().width, TableViewCell::defaultFrame.width - TableViewCell::accessoryWidth);
    cell->setFrame({ 0, 0, 400, 70 });
    EXPECT_EQ(cell->contentView()->frame(), (Rect { 0, 0, 400 - TableViewCell::accessoryWidth, 70 }));
    // A control as accessory keeps its size, centred on the right with a margin; a narrow one
    // takes the mark's width.
    for (auto [control, expected] : { std::pair { Rect { 0, 0, 80, 30 }, Rect { 310, 20, 80, 30 } },
             { Rect { 0, 0, 20, 90 }, Rect { 370, 0, 30, 70 } } }) {
        cell->setAccessoryView(View::create(control));
        EXPECT_EQ(cell->accessoryView()->frame(), expected);
        EXPECT_EQ(cell->contentView()->frame().width, expected.x);
        cell->layoutSubviews();
        EXPECT_EQ(cell->accessoryView()->frame(), expected) << "a second layout keeps it";
    }
    auto plain = TableViewCell::create(CellStyle::Default, "DirectoryCell");
    EXPECT_EQ(plain->detailTextLabel(), nullptr);
    EXPECT_EQ(plain->textLabel()->superview(), plain->contentView());
}

namespace {

struct Grid : CollectionViewDataSource, CollectionViewDelegate {
    int count { 5 };
    int requests { 0 };
    std::vector<int> selected;
    int numberOfItemsInSection(CollectionView&, int) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath) override
    {
        ++requests;
        return view.dequeueReusableCellWithReuseIdentifier("Item");
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath path) override { selected.push_back(path.row); }
};

}

TEST_F(Controls, CollectionFillsRowsReusesCellsAndScrollsWithinItsRows)
{
    auto grid = std::make_shared<Grid>();
    auto collection = add(CollectionView::create({ 0, 0, 160, 400 }));
    collection->setDataSource(grid);
    int made = 0;
    collection->registerCell("Item", [&](const std::string& id) {
        ++made;
        return CollectionViewCell::create(id);
    });
    auto items = collection->layoutItems();
    ASSERT_EQ(items.size(), 5u);
    // Two 75-point items fit in 160; the row's leftover width goes between them.
    EXPECT_EQ(items[1].frame, (Rect { 85, 0, 75, 75 }));
    EXPECT_EQ(items[2].frame, (Rect { 0, 80, 75, 75 }));
    collection->layoutItems();
    EXPECT_EQ(grid->requests, 5);
    ASSERT_TRUE(collection->selectItem({ 0, 3 })); // no delegate to tell yet
    collection->reloadItemsAtIndexPaths({ { 0, 1 } });
    auto again = collection->layoutItems();
    EXPECT_EQ(grid->requests, 6) << "only the reloaded item is asked again";
    EXPECT_EQ(again[0].cell, items[0].cell);
    EXPECT_EQ(again[2].cell, items[2].cell);
    EXPECT_EQ(collection->indexPathForSelectedItem(), (IndexPath { 0, 3 }));
    collection->setDelegate(grid);
    EXPECT_TRUE(collection->selectItem({ 0, 0 }));
    EXPECT_FALSE(collection->selectItem({ 0, 5 }));
    EXPECT_EQ(grid->selected, (std::vector<int> { 0 }));
    collection->reloadData();
    grid->count = 1;
    auto one = collection->layoutItems();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(made, 5);
    // The pool hands back the last cell it took in.
    EXPECT_EQ(one[0].cell, items[4].cell);

    grid->count = 9;
    collection->setFrame({ 0, 0, 160, 100 });
    collection->reloadData();
    collection->layoutItems();
    // Five rows of 75 with 5 between: 395 points, 100 of them in view.
    EXPECT_EQ(collection->contentHeight(), 395);
    struct Case { double asked, kept; };
    for (Case c : { Case { 120, 120 }, Case { -40, 0 }, Case { 1000, 295 } }) {
        collection->setContentOffset({ 0, c.asked });
        EXPECT_EQ(collection->contentOffset().y, c.kept) << c.asked;
    }
    // Fewer items pull the offset back inside the rows.
    grid->count = 4;
    collection->reloadData();
    EXPECT_EQ(collection->contentOffset().y, 55);
}

TEST_F(Controls, TouchReportsWhereItLandsAndOnlyInsideATouchableView)
{
    auto pad = add(View::create({ 10, 10, 80, 30 }));
    EXPECT_FALSE(pad->touch({ 5, 5 })); // nothing listens yet
    std::vector<Point> touches;
    pad->onTouch = [&](View&, Point at) { touches.push_back(at); };
    EXPECT_TRUE(pad->touch({ 20, 15 }));
    EXPECT_TRUE(pad->touch({ 60, 0 }));
    EXPECT_FALSE(pad->touch({ 81, 15 })); // outside its bounds
    EXPECT_FALSE(pad->touch({ -1, 15 }));
    pad->setUserInteractionEnabled(false);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    pad->setUserInteractionEnabled(true);
    pad->setHidden(true);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    EXPECT_EQ(touches, (std::vector<Point> { { 20, 15 }, { 60, 0 } }));
}

namespace {

struct VideoDelegate : VideoPlayerViewDelegate {
    std::vector<int> codes;
    VideoPlayerView* from { nullptr };
    void playerViewReceivedError(VideoPlayerView& player, int code) override
    {
        codes.push_back(code);
        from = &player;
    }
};

}

// Which ids load, what the delegate hears, the watch address and the summary; an invalid id
// clears the video shown before.
TEST(VideoPlayerView, LoadsOnlyIdsThatCanNameAVideo)
{
    auto delegate = std::make_shared<VideoDelegate>();
    auto player = VideoPlayerView::create({ 0, 0, 320, 180 });
    EXPECT_EQ(player->summary(), "[video]");
    for (const char* id : { "dQw4w9WgXcQ", "a-b_c-d_e0Z", "___________" }) {
        ASSERT_TRUE(player->loadWithVideoId(id)) << id;
        EXPECT_EQ(player->videoId(), id);
        EXPECT_EQ(player->watchURL(), std::string("https://www.youtube.com/watch?v=") + id);
        EXPECT_EQ(player->summary(), std::string("[video ") + id + "]");
        EXPECT_FALSE(player->error());
    }
    // Without a delegate an error is still kept.
    EXPECT_FALSE(player->loadWithVideoId("x"));
    EXPECT_EQ(player->error(), VideoPlayerView::invalidParameterError);
    player->setDelegate(delegate);
    const char* invalid[] = { "", "dQw4w9WgXc", "dQw4w9WgXcQQ", "dQw4w9WgX Q", "dQw4w9WgX/Q", "dQw4w9WgX?Q", "dQw4w9WgX\xc3\xa9", "https://you" };
    for (const char* id : invalid) {
        ASSERT_TRUE(player->loadWithVideoId("M7lc1UVf-VE"));
        EXPECT_FALSE(player->loadWithVideoId(id)) << id;
        EXPECT_EQ(player->videoId(), "") << id;
        EXPECT_EQ(player->watchURL(), "") << id;
        EXPECT_EQ(player->error(), VideoPlayerView::invalidParameterError) << id;
        EXPECT_EQ(player->summary(), "[video: error 2]");
    }
    EXPECT_EQ(delegate->codes, std::vector<int>(std::size(invalid), 2));
    EXPECT_EQ(delegate->from, player.get());
}

namespace {

/// Rows are strings in sections; cells come from the table's pool by "Row".
class ListSource : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::vector<std::string>> sections { { "a", "b", "c" } };
    std::vector<std::string> titles;
    bool editable { true };
    int cellRequests { 0 };
    std::vector<IndexPath> deleted;
    std::vector<std::pair<IndexPath, IndexPath>> moved;
    std::vector<IndexPath> selected;
    std::map<IndexPath, double> heights;
    bool deleteTellsTable { true };

    int numberOfSectionsInTableView(TableView&) override { return static_cast<int>(sections.size()); }
    int numberOfRowsInSection(TableView&, int section) override { return static_cast<int>(sections[section].size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        ++cellRequests;
        auto cell = table.dequeueReusableCellWithIdentifier("Row");
        cell->textLabel()->setText(sections[path.section][path.row]);
        return cell;
    }
    std::string titleForHeaderInSection(TableView&, int section) override
    {
        return section < static_cast<int>(titles.size()) ? titles[section] : std::string();
    }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath path) override
    {
        deleted.push_back(path);
        auto& rows = sections[path.section];
        rows.erase(rows.begin() + path.row);
        if (deleteTellsTable)
            table.deleteRowsAtIndexPaths({ path }, RowAnimation::Fade);
    }
    void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override
    {
        moved.emplace_back(from, to);
        auto text = sections[from.section][from.row];
        sections[from.section].erase(sections[from.section].begin() + from.row);
        sections[to.section].insert(sections[to.section].begin() + to.row, text);
    }
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override { selected.push_back(path); }
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        auto it = heights.find(path);
        return it != heights.end() ? it->second : TableViewDelegate::heightForRowAtIndexPath(table, path);
    }
};

struct Table : ::testing::Test {
    void SetUp() override
    {
        table->setObserver(observer);
        table->setDataSource(source);
        table->setDelegate(source);
        table->registerCell("Row", [this](const std::string& id) {
            ++made;
            return TableViewCell::create(CellStyle::Default, id);
        });
    }
    std::vector<std::string> shownTexts()
    {
        std::vector<std::string> texts;
        for (auto& row : table->layoutAllRows().rows)
            texts.push_back(row.cell->textLabel()->text());
        return texts;
    }
    void expectOneChange(RowChange change, std::vector<IndexPath> rows, std::optional<RowAnimation> animation, std::vector<std::string> shown)
    {
        ASSERT_EQ(observer->tables.size(), 1u);
        EXPECT_EQ(observer->tables[0].change, change);
        EXPECT_EQ(observer->tables[0].rows, rows);
        if (animation) {
            EXPECT_EQ(observer->tables[0].animation, *animation);
        }
        EXPECT_EQ(shownTexts(), shown);
        observer->clear();
    }
    std::shared_ptr<ListSource> source = std::make_shared<ListSource>();
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<TableView> table = TableView::create({ 0, 0, 320, 480 });
    int made { 0 };
};

}

TEST_F(Table, LayoutTakesSectionsTitlesAndHeightsFromTheSource)
{
    source->sections = { { "a", "b" }, {}, { "c" } };
    source->titles = { "First", "", "Third" };
    source->heights[{ 0, 1 }] = 70;
    EXPECT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_EQ(table->numberOfRowsInSection(1), 0);
    EXPECT_EQ(table->numberOfRowsInSection(3), 0);
    EXPECT_EQ(table->numberOfRowsInSection(-1), 0);
    EXPECT_EQ(table->titleForHeaderInSection(2), "Third");

    auto layout = table->layoutAllRows();
    // Only the titled sections get a header.
    ASSERT_EQ(layout.headers.size(), 2u);
    EXPECT_EQ(layout.headers[1].section, 2);
    ASSERT_EQ(layout.rows.size(), 3u);
    EXPECT_EQ(layout.rows[2].indexPath, (IndexPath { 2, 0 }));
    EXPECT_DOUBLE_EQ(layout.rows[1].frame.height, 70);
    const double header = TableView::defaultSectionHeaderHeight;
    EXPECT_DOUBLE_EQ(layout.contentHeight, 2 * header + 2 * TableView::defaultRowHeight + 70);
    EXPECT_DOUBLE_EQ(layout.rows[2].frame.y, 2 * header + TableView::defaultRowHeight + 70);
    EXPECT_DOUBLE_EQ(layout.rows[2].cell->frame().y, layout.rows[2].frame.y);
}

// The renderer's walk asks only for the rows in view, and cells leaving the view serve the
// new rows, unselected.
TEST_F(Table, WalkAsksOnlyForRowsInViewAndReusesTheirCells)
{
    source->sections = { std::vector<std::string>(100, "x") };
    auto first = table->layoutRows(440, 88);
    // Row 9 ends at 440 and row 12 starts at 528: rows 10 and 11 only.
    ASSERT_EQ(first.rows.size(), 2u);
    EXPECT_EQ(first.rows[0].indexPath.row, 10);
    EXPECT_EQ(first.rows[1].indexPath.row, 11);
    EXPECT_EQ(source->cellRequests, 2);
    EXPECT_DOUBLE_EQ(first.contentHeight, 4400);
    table->selectRowAtIndexPath({ 0, 10 }, Animated::No);
    ASSERT_TRUE(first.rows[0].cell->isSelected());

    auto far = table->layoutRows(4004, 88);
    ASSERT_EQ(far.rows.size(), 2u);
    EXPECT_EQ(made, 2);
    std::set<TableViewCell*> before { first.rows[0].cell.get(), first.rows[1].cell.get() };
    std::set<TableViewCell*> after { far.rows[0].cell.get(), far.rows[1].cell.get() };
    EXPECT_EQ(before, after);
    EXPECT_FALSE(first.rows[0].cell->isSelected());
}

// Each change reaches the observer once, naming its rows and animation, and the table then
// shows the source's rows.
TEST_F(Table, RowChangesReachTheObserverAndTheShownRows)
{
    // Rows still in view keep their cells without asking again.
    auto first = table->layoutAllRows();
    int requests = source->cellRequests;
    EXPECT_EQ(table->layoutAllRows().rows[1].cell, first.rows[1].cell);
    EXPECT_EQ(source->cellRequests, requests);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 1 }), first.rows[1].cell);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 7 }), nullptr);
    // Changes inside shown cells reach the table's observer, once.
    EXPECT_EQ(first.rows[0].cell->superview(), table);
    first.rows[0].cell->textLabel()->setText("new text");
    first.rows[0].cell->textLabel()->setText("new text");
    EXPECT_EQ(observer->countViews(*first.rows[0].cell->textLabel(), ChangeKind::Text), 1u);

    table->setEditing(Editing::On, Animated::No);
    observer->clear();
    source->sections[0][0] = "changed";
    table->reloadData();
    expectOneChange(RowChange::ReloadAll, {}, std::nullopt, { "changed", "b", "c" });
    EXPECT_EQ(source->cellRequests, requests + 3);
    EXPECT_EQ(made, 3);

    requests = source->cellRequests;
    source->sections[0][2] = "C";
    table->reloadRowsAtIndexPaths({ { 0, 2 } }, RowAnimation::Automatic);
    expectOneChange(RowChange::Reload, { { 0, 2 } }, RowAnimation::Automatic, { "changed", "b", "C" });
    EXPECT_EQ(source->cellRequests, requests + 1) << "only the reloaded row is asked again";

    source->sections[0].insert(source->sections[0].begin(), "new");
    table->insertRowsAtIndexPaths({ { 0, 0 } }, RowAnimation::Fade);
    expectOneChange(RowChange::Insert, { { 0, 0 } }, std::nullopt, { "new", "changed", "b", "C" });

    EXPECT_TRUE(table->deleteRow({ 0, 1 }));
    EXPECT_EQ(source->deleted, (std::vector<IndexPath> { { 0, 1 } }));
    expectOneChange(RowChange::Delete, { { 0, 1 } }, RowAnimation::Fade, { "new", "b", "C" });

    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }));
    ASSERT_EQ(source->moved.size(), 1u);
    EXPECT_EQ(source->moved[0].second, (IndexPath { 0, 2 }));
    expectOneChange(RowChange::Move, { { 0, 0 }, { 0, 2 } }, std::nullopt, { "b", "C", "new" });

    // A source that deletes without telling the table still gets the right rows shown.
    source->deleteTellsTable = false;
    EXPECT_TRUE(table->deleteRow({ 0, 0 }));
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "C", "new" }));
}

TEST_F(Table, DeletesAndMovesNeedEditingPermissionAndARowInBounds)
{
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 0, 2 }));
    table->setEditing(Editing::On, Animated::Yes);
    table->setEditing(Editing::On, Animated::Yes);
    EXPECT_TRUE(table->isEditing());
    EXPECT_EQ(table->lastEditingAnimated(), Animated::Yes);
    ASSERT_EQ(observer->tables.size(), 1u) << "editing mode is reported once";
    EXPECT_EQ(observer->tables[0].change, RowChange::Editing);
    source->editable = false;
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    source->editable = true;
    EXPECT_FALSE(table->deleteRow({ 0, 3 }));
    EXPECT_TRUE(source->deleted.empty());

    source->sections = { { "a", "b" }, { "c" } };
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 0, 2 })); // past the end of its own section
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 2, 0 })); // no such section
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 1, 2 })); // two past the other section's end
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 1, 1 }));  // one past the other section's end
    EXPECT_EQ(source->sections[1], (std::vector<std::string> { "c", "a" }));
    // Moving a row onto itself is accepted and tells nobody.
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 0 }));
    EXPECT_EQ(source->moved.size(), 1u);

    // A delegate that offers no deletion refuses it.
    struct NoDelete : TableViewDelegate {
        EditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return EditingStyle::None; }
    };
    auto noDelete = std::make_shared<NoDelete>(); // held weakly by the table
    table->setDelegate(noDelete);
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    EXPECT_TRUE(source->deleted.empty());
    table->setEditing(Editing::Off, Animated::No);
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(observer->tables.size(), 3u) << "editing on, the move, editing off";
}

TEST_F(Table, TapSelectsAndTellsTheDelegateButNotWhileEditing)
{
    table->layoutAllRows();
    EXPECT_TRUE(table->selectRow({ 0, 2 }));
    EXPECT_EQ(source->selected, (std::vector<IndexPath> { { 0, 2 } }));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 0, 2 }));
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 2 })->isSelected());
    EXPECT_FALSE(table->selectRow({ 0, 3 }));

    table->setEditing(Editing::On, Animated::No);
    EXPECT_FALSE(table->selectRow({ 0, 0 }));
    table->setAllowsSelectionDuringEditing(true);
    EXPECT_TRUE(table->selectRow({ 0, 0 }));
    EXPECT_EQ(source->selected.size(), 2u);
    EXPECT_FALSE(table->cellForRowAtIndexPath({ 0, 2 })->isSelected());
}

TEST_F(Table, RefreshControlBeginAndEnd)
{
    EXPECT_FALSE(table->pullToRefresh());
    auto control = RefreshControl::create();
    int refreshes = 0;
    control->onRefresh = [&](RefreshControl& c) {
        ++refreshes;
        EXPECT_TRUE(c.isRefreshing());
    };
    table->setRefreshControl(control);
    EXPECT_EQ(control->superview(), table);
    EXPECT_TRUE(table->pullToRefresh());
    // Pulling again while it spins starts nothing.
    EXPECT_FALSE(table->pullToRefresh());
    EXPECT_EQ(refreshes, 1);
    control->endRefreshing();
    EXPECT_FALSE(control->isRefreshing());
    EXPECT_EQ(observer->countViews(*control, ChangeKind::Value), 2u);
    EXPECT_TRUE(table->pullToRefresh());
    EXPECT_EQ(refreshes, 2);
    // Code can start the spinner without running the action.
    control->endRefreshing();
    control->beginRefreshing();
    EXPECT_EQ(refreshes, 2);
}

namespace {

std::shared_ptr<NavigationController> stackOf(const std::string& title)
{
    return NavigationController::create(ViewController::create(title));
}

struct Stack : ::testing::Test {
    void SetUp() override { nav->setObserver(observer); }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<ViewController> root = ViewController::create("Root");
    std::shared_ptr<NavigationController> nav = NavigationController::create(root);
};

}

TEST_F(Stack, PushAndPopReportOnceWithTheirAnimationAndNothingAtTheRoot)
{
    EXPECT_EQ(nav->popViewController(Animated::Yes), nullptr);
    EXPECT_TRUE(nav->popToRootViewController(Animated::Yes).empty());
    nav->setViewControllers({ root }, Animated::Yes);
    EXPECT_EQ(nav->topViewController(), root);
    EXPECT_TRUE(observer->controllers.empty());
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::No);

    auto a = ViewController::create("A");
    nav->pushViewController(a, Animated::Yes);
    EXPECT_EQ(a->navigationController(), nav);
    ASSERT_EQ(observer->controllers.size(), 1u);
    EXPECT_EQ(observer->controllers[0].controller, nav.get());
    EXPECT_EQ(observer->controllers[0].change, ControllerChange::Stack);
    EXPECT_EQ(observer->controllers[0].animated, Animated::Yes);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    EXPECT_EQ(nav->popViewController(Animated::No), a);
    ASSERT_EQ(observer->controllers.size(), 2u);
    EXPECT_EQ(observer->controllers[1].animated, Animated::No);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::No);
    EXPECT_EQ(a->navigationController(), nullptr);

    auto b = ViewController::create("B");
    nav->pushViewController(a, Animated::No);
    nav->pushViewController(b, Animated::No);
    auto popped = nav->popToRootViewController(Animated::Yes);
    EXPECT_EQ(popped, (std::vector<std::shared_ptr<ViewController>> { a, b })) << "lowest first";
    EXPECT_EQ(nav->topViewController(), root);
    EXPECT_EQ(nav->lastTransitionAnimated(), Animated::Yes);
    // A popped screen can go on another stack, and goes once nobody holds it.
    EXPECT_EQ(NavigationController::create(a)->topViewController(), a);
    std::weak_ptr<ViewController> weakA = a;
    popped.clear();
    a.reset();
    EXPECT_TRUE(weakA.expired());

    // Screens point back at their stack weakly.
    std::weak_ptr<ViewController> weakRoot = root;
    std::weak_ptr<NavigationController> weakNav = nav;
    root.reset();
    nav.reset();
    EXPECT_TRUE(weakNav.expired());
    EXPECT_TRUE(weakRoot.expired());
}

TEST_F(Stack, RefusesControllersHeldElsewhereOrTwice)
{
    auto other = NavigationController::create(ViewController::create("Other root"));
    nav->pushViewController(other->topViewController(), Animated::No);
    nav->pushViewController(root, Animated::No);
    nav->pushViewController(nav, Animated::No);
    nav->pushViewController(nullptr, Animated::No);
    EXPECT_EQ(nav->viewControllers().size(), 1u);

    auto a = ViewController::create("A");
    auto foreign = other->topViewController();
    nav->setViewControllers({ a, root, a, foreign, nullptr }, Animated::No);
    EXPECT_EQ(nav->viewControllers(), (std::vector<std::shared_ptr<ViewController>> { a, root }));
    EXPECT_EQ(foreign->navigationController(), other);
    nav->setViewControllers({ a }, Animated::No);
    EXPECT_EQ(root->navigationController(), nullptr);
}

TEST(NavigationAppearance, OnlyTheTopAppearsAndOnlyInAVisibleWindow)
{
    std::vector<std::string> log;
    auto a = LoggingController::create("A", log);
    auto b = LoggingController::create("B", log);
    auto nav = NavigationController::create(a);
    nav->pushViewController(b, Animated::No);
    auto window = Window::create();
    window->setRootViewController(nav);
    EXPECT_TRUE(log.empty());
    window->makeKeyAndVisible();
    EXPECT_EQ(log, (std::vector<std::string> { "+B" }));
    EXPECT_FALSE(a->isVisible());

    nav->popViewController(Animated::Yes);
    EXPECT_EQ(log, (std::vector<std::string> { "+B", "-B", "+A" }));
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(b->isVisible());

    // Modals go on top of each other and go with their presenter chain.
    auto m1 = LoggingController::create("M1", log);
    auto m2 = LoggingController::create("M2", log);
    a->presentViewController(m1, Animated::Yes);
    a->presentViewController(m2, Animated::Yes);
    EXPECT_EQ(m1->presentedViewController(), m2);
    EXPECT_EQ(window->visibleViewController(), m2);
    EXPECT_EQ(nav->visibleViewController(), m2);
    EXPECT_EQ(nav->topViewController(), a);
    a->dismissViewController(Animated::No);
    EXPECT_EQ(log, (std::vector<std::string> { "+B", "-B", "+A", "+M1", "+M2", "-M2", "-M1" }));
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(a->lastPresentationAnimated(), Animated::No);
    EXPECT_EQ(nav->visibleViewController(), a);

    // Under a tab bar, switching tabs or losing the selected one moves appearance.
    auto c = NavigationController::create(LoggingController::create("C", log));
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ c, NavigationController::create(LoggingController::create("D", log)) });
    log.clear();
    window->setRootViewController(tabs);
    tabs->selectTab(1);
    tabs->setViewControllers({ c });
    EXPECT_EQ(log, (std::vector<std::string> { "-A", "+C", "-C", "+D", "-D", "+C" }));
}

TEST(TabBar, SelectionStaysInRangeAndFollowsTheSelectedTab)
{
    auto a = stackOf("A");
    auto b = stackOf("B");
    auto c = stackOf("C");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ a, b });
    EXPECT_EQ(tabs->selectedIndex(), 0);
    for (int ignored : { 2, -1 }) {
        tabs->setSelectedIndex(ignored);
        EXPECT_EQ(tabs->selectedIndex(), 0);
    }
    tabs->setSelectedViewController(stackOf("Foreign"));
    EXPECT_FALSE(tabs->selectTab(5));
    tabs->setSelectedIndex(1);
    tabs->setViewControllers({ c, a, b });
    EXPECT_EQ(tabs->selectedViewController(), b);
    EXPECT_EQ(tabs->selectedIndex(), 2);
    // Without the selected one the first tab is selected.
    tabs->setViewControllers({ c, a });
    EXPECT_EQ(tabs->selectedIndex(), 0);
    EXPECT_EQ(b->tabBarController(), nullptr);
    EXPECT_EQ(a->tabBarController(), tabs);
    tabs->setViewControllers({});
    EXPECT_EQ(tabs->selectedIndex(), -1);

    // Tabs held elsewhere or twice are left out.
    auto other = TabBarController::create();
    other->setViewControllers({ a });
    tabs->setViewControllers({ a, b, b, nullptr, tabs });
    EXPECT_EQ(tabs->viewControllers(), (std::vector<std::shared_ptr<ViewController>> { b }));
    EXPECT_EQ(a->tabBarController(), other);

    // Screens pushed in a tab's stack find their tab bar.
    auto pushed = ViewController::create("Pushed");
    b->pushViewController(pushed, Animated::No);
    EXPECT_EQ(pushed->tabBarController(), tabs);
    EXPECT_EQ(tabs->visibleViewController(), pushed);

    // Removed tabs are freed.
    std::weak_ptr<NavigationController> weak = b;
    b.reset();
    pushed.reset();
    tabs->setViewControllers({ c });
    EXPECT_TRUE(weak.expired());
}

TEST(TabBar, TapAndTabItemsReachTheObserverOnce)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto a = stackOf("A");
    auto tabs = TabBarController::create();
    tabs->setObserver(observer);
    tabs->setViewControllers({ a, stackOf("B") });
    observer->clear();
    std::vector<std::string> chosen;
    tabs->onSelect = [&](TabBarController&, ViewController& tab) {
        chosen.push_back(static_cast<NavigationController&>(tab).topViewController()->title());
    };
    EXPECT_TRUE(tabs->selectTab(1));
    EXPECT_EQ(chosen, (std::vector<std::string> { "B" }));
    EXPECT_EQ(observer->countControllers(ControllerChange::Selection), 1u);
    // Tapping the selected tab tells the handler again but changes nothing.
    EXPECT_TRUE(tabs->selectTab(1));
    EXPECT_EQ(chosen.size(), 2u);
    EXPECT_EQ(observer->countControllers(ControllerChange::Selection), 1u);

    observer->clear();
    a->setTabBarItem({ "Tab Edit", "first.png", "" });
    a->setBadgeValue("3");
    a->setBadgeValue("3");
    ASSERT_EQ(observer->countControllers(ControllerChange::TabBarItem), 2u);
    EXPECT_EQ(observer->controllers[0].controller, a.get());
}

TEST(BarButtons, PressRunsTheActionUnlessDisabledAndMayReplaceItsButton)
{
    int presses = 0;
    auto item = BarButtonItem::create(SystemItem::Edit, [&] { ++presses; });
    item->press();
    item->setEnabled(false);
    item->press();
    EXPECT_EQ(presses, 1);
    BarButtonItem::create(SystemItem::Add, nullptr)->press(); // no action: nothing to call

    auto screen = ViewController::create("Page");
    screen->setRightBarButtonItem(BarButtonItem::create(SystemItem::Edit, [&] {
        screen->setRightBarButtonItem(BarButtonItem::create(SystemItem::Done, nullptr));
        ++presses;
    }));
    screen->rightBarButtonItem()->press();
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(screen->rightBarButtonItem()->systemItem(), SystemItem::Done);
}

TEST(ControllerObserver, ChangesReportedOnceThroughTheContainerChain)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto screen = ViewController::create("Page");
    auto nav = NavigationController::create(screen);
    nav->setObserver(observer);
    auto add = BarButtonItem::create(SystemItem::Add, nullptr);
    auto edit = BarButtonItem::create(SystemItem::Edit, nullptr);
    screen->setRightBarButtonItems({ add, edit });
    screen->setRightBarButtonItems({ add, edit });
    screen->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, nullptr));
    screen->setRightBarButtonItem(nullptr);
    EXPECT_TRUE(screen->rightBarButtonItems().empty());
    EXPECT_EQ(observer->countControllers(ControllerChange::BarButtons), 3u);
    screen->setTitle("Page");
    screen->setTitle("Other");
    EXPECT_EQ(observer->countControllers(ControllerChange::Title), 1u);
    EXPECT_EQ(observer->controllers.back().controller, screen.get());
    // Views of the screen report there too.
    auto label = View::create();
    screen->view()->addSubview(label);
    label->setHidden(true);
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Visibility), 1u);
}

TEST(Window, RootTakesTheBoundsAndTheOldRootGoes)
{
    auto observer = std::make_shared<RecordingObserver>();
    std::vector<std::string> log;
    auto window = Window::create({ 0, 0, 375, 667 });
    window->setObserver(observer);
    std::weak_ptr<ViewController> weakOld;
    {
        auto old = LoggingController::create("Old", log);
        weakOld = old;
        window->setRootViewController(old);
    }
    window->makeKeyAndVisible();
    EXPECT_EQ(weakOld.lock()->view()->frame(), (Rect { 0, 0, 375, 667 }));
    EXPECT_EQ(weakOld.lock()->window(), window);
    window->setRootViewController(LoggingController::create("New", log));
    EXPECT_TRUE(weakOld.expired());
    EXPECT_EQ(log, (std::vector<std::string> { "+Old", "-Old", "+New" }));
    // A root with no tabs shows nothing and still takes the bounds.
    auto tabs = TabBarController::create();
    window->setRootViewController(tabs);
    EXPECT_EQ(tabs->view()->frame(), (Rect { 0, 0, 375, 667 }));
    EXPECT_EQ(log.back(), "-New");
    EXPECT_EQ(observer->countControllers(ControllerChange::Root), 3u);
}

TEST(Window, VisibleControllerAndBackFollowTabsStacksAndModals)
{
    auto window = Window::create();
    auto page = ViewController::create("Page");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ stackOf("Other"), NavigationController::create(page) });
    window->setRootViewController(tabs);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(window->visibleViewController(), page);
    auto login = ViewController::create("Login");
    auto modal = NavigationController::create(login);
    page->presentViewController(modal, Animated::No);
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_EQ(login->window(), window);
    modal->pushViewController(ViewController::create("Reset password"), Animated::Yes);

    EXPECT_TRUE(window->back()); // pops inside the modal stack
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_TRUE(window->back()); // dismisses the modal
    EXPECT_EQ(window->visibleViewController(), page);
    EXPECT_EQ(page->presentedViewController(), nullptr);
    EXPECT_FALSE(window->back()); // at the root
}

TEST(Window, ModalsAreHeldByTheirPresenterWhichTheyHoldWeakly)
{
    auto a = ViewController::create("A");
    auto nav = stackOf("Root");
    a->presentViewController(nav->topViewController(), Animated::No); // shown elsewhere
    a->presentViewController(a, Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);

    std::weak_ptr<ViewController> weakModal;
    {
        auto modal = ViewController::create("Modal");
        weakModal = modal;
        a->presentViewController(modal, Animated::Yes);
    }
    ASSERT_FALSE(weakModal.expired());
    EXPECT_EQ(weakModal.lock()->presentingViewController(), a);
    weakModal.lock()->dismissViewController(Animated::Yes);
    EXPECT_TRUE(weakModal.expired());

    // A modal kept by someone else does not keep its presenter.
    auto kept = ViewController::create("Kept");
    std::weak_ptr<ViewController> weakA = a;
    a->presentViewController(kept, Animated::No);
    a.reset();
    EXPECT_TRUE(weakA.expired());
    EXPECT_EQ(kept->presentingViewController(), nullptr);
}

TEST(Popover, ShownInTheWindowAndDelegateToldOnlyOnTapOutside)
{
    struct Delegate : PopoverControllerDelegate {
        int dismissed { 0 };
        void popoverControllerDidDismissPopover(PopoverController&) override { ++dismissed; }
    };
    auto window = Window::create({ 0, 0, 768, 1024 }, UserInterfaceIdiom::Pad);
    auto page = ViewController::create("Page");
    window->setRootViewController(NavigationController::create(page));
    window->makeKeyAndVisible();
    auto menu = stackOf("Add");
    auto popover = PopoverController::create(menu);
    ASSERT_TRUE(popover);
    auto delegate = std::make_shared<Delegate>();
    popover->setDelegate(delegate);
    popover->presentPopoverFromRect({}, *page, PopoverArrow::Any, Animated::Yes);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->permittedArrowDirections(), 15u);
    ASSERT_EQ(window->popovers().size(), 1u);
    EXPECT_TRUE(menu->isVisible());

    popover->dismissPopoverAnimated(Animated::No);
    EXPECT_EQ(delegate->dismissed, 0);
    EXPECT_TRUE(window->popovers().empty());
    EXPECT_FALSE(menu->isVisible());

    popover->presentPopoverFromRect({}, page->view(), PopoverArrow::Up, Animated::No);
    ASSERT_TRUE(popover->isPopoverVisible());
    popover->tapOutside();
    EXPECT_EQ(delegate->dismissed, 1);
    EXPECT_FALSE(popover->isPopoverVisible());
}

namespace {

struct Delegate : AlertViewDelegate {
    std::vector<std::string> calls;
    void clickedButtonAtIndex(AlertView& alert, int index) override
    {
        calls.push_back("clicked " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone"));
    }
    void didDismissWithButtonIndex(AlertView& alert, int index) override
    {
        calls.push_back("dismissed " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone"));
    }
};

struct Alerts : ::testing::Test {
    void SetUp() override
    {
        window->setObserver(observer);
        window->setRootViewController(NavigationController::create(screen));
        window->makeKeyAndVisible();
    }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<ViewController> screen = ViewController::create("Page");
};

}

TEST_F(Alerts, ChosenIndexReachesDelegateHandlerAndObserverOnce)
{
    auto delegate = std::make_shared<Delegate>();
    auto alert = AlertView::create("Edit Page", "", "Cancel", { "Reorder", "Edit items" });
    EXPECT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(3), "");
    alert->setDelegate(delegate);
    std::vector<int> handled;
    alert->onDismiss = [&](AlertView&, int index) { handled.push_back(index); };
    EXPECT_FALSE(alert->chooseButton(0)); // not shown yet
    alert->show(*screen);
    ASSERT_EQ(window->topAlert(), alert);
    ASSERT_EQ(observer->alerts.size(), 1u);
    EXPECT_EQ(observer->alerts[0].change, AlertChange::Shown);
    EXPECT_FALSE(alert->chooseButton(3));
    EXPECT_FALSE(alert->chooseButton(-1));
    EXPECT_FALSE(alert->chooseButtonWithTitle("Nope"));
    EXPECT_TRUE(alert->isVisible());

    EXPECT_TRUE(alert->chooseButtonWithTitle("Edit items"));
    EXPECT_FALSE(alert->chooseButton(0));
    EXPECT_EQ(delegate->calls, (std::vector<std::string> { "clicked 2 shown", "dismissed 2 gone" }));
    EXPECT_EQ(handled, (std::vector<int> { 2 }));
    ASSERT_EQ(observer->alerts.size(), 2u);
    EXPECT_EQ(observer->alerts[1].change, AlertChange::Dismissed);
    EXPECT_EQ(observer->alerts[1].buttonIndex, 2);
    EXPECT_EQ(window->topAlert(), nullptr);

    auto noCancel = AlertView::create("T", "M", "", { "OK" });
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(noCancel->addButtonWithTitle("More"), 1);
}

// The window keeps a shown alert until it is answered; one outside any window still answers.
TEST_F(Alerts, AShownAlertIsHeldUntilDismissed)
{
    std::weak_ptr<AlertView> weak;
    {
        auto alert = AlertView::create("Email not validated", "bad", "OK");
        weak = alert;
        alert->show(window);
    }
    ASSERT_FALSE(weak.expired());
    bool handled = false;
    weak.lock()->onDismiss = [&](AlertView& a, int) { handled = a.title() == "Email not validated"; };
    weak.lock()->chooseButton(0);
    EXPECT_TRUE(handled) << "the alert lives through its own handler";
    EXPECT_TRUE(weak.expired());

    auto alert = AlertView::create("T", "M", "OK");
    int index = -1;
    alert->onDismiss = [&](AlertView&, int i) { index = i; };
    alert->show(*ViewController::create("Loose"));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_TRUE(window->alerts().empty());
    alert->chooseButton(0);
    EXPECT_EQ(index, 0);
}

TEST_F(Alerts, TextFieldsByStyle)
{
    auto alert = AlertView::create("T", "M", "Cancel", { "OK" });
    const struct {
        AlertViewStyle style;
        std::vector<bool> secure; // one per field
    } cases[] = {
        { AlertViewStyle::Default, {} },
        { AlertViewStyle::PlainTextInput, { false } },
        { AlertViewStyle::SecureTextInput, { true } },
        { AlertViewStyle::LoginAndPasswordInput, { false, true } },
    };
    for (const auto& c : cases) {
        alert->setAlertViewStyle(c.style);
        ASSERT_EQ(alert->numberOfTextFields(), c.secure.size());
        for (size_t i = 0; i < c.secure.size(); ++i)
            EXPECT_EQ(alert->textFieldAtIndex(i)->isSecureTextEntry(), c.secure[i]);
    }
    EXPECT_EQ(alert->textFieldAtIndex(2), nullptr);
    alert->textFieldAtIndex(0)->type("name");
    std::string typed;
    alert->onDismiss = [&](AlertView& a, int) { typed = a.textFieldAtIndex(0)->text(); };
    alert->show(window);
    alert->chooseButton(1);
    EXPECT_EQ(typed, "name");
}

namespace {

/// Three movable, deletable rows; counts what the user did to them.
class Rows : public TableViewDataSource, public TableViewDelegate {
public:
    int numberOfRowsInSection(TableView&, int) override { return count; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCell::create(CellStyle::Default, "row"); }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath) override
    {
        --count;
        ++*handled;
        table.reloadData();
    }
    void moveRowAtIndexPath(TableView&, IndexPath, IndexPath) override { ++*handled; }
    void didSelectRowAtIndexPath(TableView&, IndexPath) override { ++*handled; }
    int count = 3;
    int* handled = nullptr;
};

} // namespace

TEST(Window, AnAlertTakesTheUsersInputFromTheScreenUnderItUntilItGoes)
{
    auto window = Window::create();
    auto page = ViewController::create("Register");
    auto stack = NavigationController::create(ViewController::create("Start"));
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ stack, NavigationController::create(ViewController::create("Other")) });
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    stack->pushViewController(page, Animated::No);

    int handled = 0; // every handler below counts here
    auto count = [&handled](auto&&...) { ++handled; };
    auto save = Button::create("Save", { 0, 0, 80, 40 });
    save->onTap = count;
    auto field = TextField::create({ 0, 40, 200, 30 });
    field->onChange = count;
    field->onReturn = count;
    auto notes = TextView::create({ 0, 70, 200, 60 });
    notes->onChange = count;
    auto area = View::create({ 0, 130, 50, 50 });
    area->onTouch = count;
    auto toggle = Switch::create();
    toggle->onValueChanged = count;
    auto rows = std::make_shared<Rows>();
    rows->handled = &handled;
    auto table = TableView::create({ 0, 200, 320, 300 });
    table->setDataSource(rows);
    table->setDelegate(rows);
    auto refresh = RefreshControl::create();
    refresh->onRefresh = [&](RefreshControl& control) {
        ++handled;
        control.endRefreshing();
    };
    table->setRefreshControl(refresh);
    for (const std::shared_ptr<View>& view : std::vector<std::shared_ptr<View>> { save, field, notes, area, toggle, table })
        page->view()->addSubview(view);
    // The cells hang under the table, so a control inside a row counts as on the screen.
    table->layoutAllRows();
    auto inRow = Button::create("In a row", { 0, 0, 80, 40 });
    inRow->onTap = count;
    table->cellForRowAtIndexPath({ 0, 0 })->contentView()->addSubview(inRow);
    page->setRightBarButtonItem(BarButtonItem::create("Send", BarButtonStyle::Plain, [&] { ++handled; }));

    int typed = 0; // each typing is new text, so a taken one always changes the field
    struct Input {
        const char* name;
        std::function<bool()> act;
    };
    const std::vector<Input> inputs {
        { "button", [&] { return save->tap(); } },
        { "button in a row", [&] { return inRow->tap(); } },
        { "bar button", [&] { return page->rightBarButtonItem()->press(); } },
        { "typing", [&] { return field->type("text " + std::to_string(++typed)); } },
        { "return", [&] { return field->pressReturn(); } },
        { "text view", [&] { return notes->type("notes " + std::to_string(++typed)); } },
        { "touch", [&] { return area->touch({ 10, 10 }); } },
        { "switch", [&] {
             bool before = toggle->isOn();
             toggle->toggle();
             return toggle->isOn() != before;
         } },
        { "row", [&] { return table->selectRow({ 0, 1 }); } },
        { "pull", [&] { return table->pullToRefresh(); } },
        { "tab", [&] { return tabs->selectTab(0); } },
        { "move", [&] {
             table->setEditing(Editing::On, Animated::No);
             bool moved = table->moveRow({ 0, 0 }, { 0, 1 });
             table->setEditing(Editing::Off, Animated::No);
             return moved;
         } },
        { "delete", [&] {
             table->setEditing(Editing::On, Animated::No);
             bool deleted = table->deleteRow({ 0, 2 });
             table->setEditing(Editing::Off, Animated::No);
             return deleted;
         } },
    };
    auto takenOf = [&] {
        std::vector<std::string> taken;
        for (const Input& input : inputs)
            if (input.act())
                taken.push_back(input.name);
        return taken;
    };
    std::vector<std::string> all;
    for (const Input& input : inputs)
        all.push_back(input.name);

    ASSERT_EQ(takenOf(), all);
    rows->count = 3;
    table->reloadData();
    table->layoutAllRows();
    table->cellForRowAtIndexPath({ 0, 0 })->contentView()->addSubview(inRow);

    auto alert = AlertView::create("Verify email", "An email has been sent.", "Ok");
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    alert->show(window);
    auto second = AlertView::create("Register your app", "Could not be registered.", "Ok");
    second->show(window);
    const int before = handled;
    const std::string text = field->text();
    EXPECT_EQ(takenOf(), std::vector<std::string> {});
    EXPECT_EQ(handled, before);
    EXPECT_EQ(field->text(), text);
    EXPECT_FALSE(window->back());
    EXPECT_EQ(window->visibleViewController(), page);
    // A view in no window is no screen under the alert.
    auto loose = Button::create("Loose");
    loose->onTap = count;
    EXPECT_TRUE(loose->tap());
    // The code still changes the screen under the alert.
    field->setText("by code");
    EXPECT_EQ(field->text(), "by code");
    table->selectRowAtIndexPath({ 0, 2 }, Animated::No);
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 0, 2 }));
    toggle->setOn(!toggle->isOn());
    tabs->setSelectedIndex(1);
    EXPECT_EQ(tabs->selectedIndex(), 1);
    tabs->setSelectedIndex(0);

    // Closing the top alert leaves the one under it in charge; its own field and button work.
    ASSERT_TRUE(second->chooseButton(0));
    EXPECT_EQ(takenOf(), std::vector<std::string> {});
    EXPECT_TRUE(alert->textFieldAtIndex(0)->type("a note"));
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "a note");
    ASSERT_TRUE(alert->chooseButtonWithTitle("Ok"));
    EXPECT_TRUE(window->alerts().empty());

    // With the alerts gone, the screen takes everything again.
    EXPECT_EQ(takenOf(), all);
    EXPECT_TRUE(window->back());
    EXPECT_EQ(window->visibleViewController(), stack->viewControllers().front());
}
