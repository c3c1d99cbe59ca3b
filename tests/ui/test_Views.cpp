// Views and controls: tree, buttons, touches, inputs and focus, switches, sliders, cells, grids, tables, video.

#include "RecordingObserver.h"

#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/Slider.h"
#include "ui/VideoPlayerView.h"

#include <map>
#include <optional>
#include <set>

using namespace quindle;
using quindle::test::RecordingObserver;

namespace {

struct Controls : ::testing::Test {
    void SetUp() override { root->setObserver(observer); }
    template<typename T> std::shared_ptr<T> add(std::shared_ptr<T> view)
    {
        root->addSubview(view);
        observer->clear();
        return view;
    }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<View> root = View::create({ 0, 0, 320, 480 });
};

TEST_F(Controls, ViewTreeRefusesCyclesAndReportsOnlyRealChanges)
{
    auto a = View::create(), b = View::create();
    root->addSubview(a);
    a->addSubview(b);
    b->addSubview(root); // would own its own ancestor
    b->addSubview(b);
    EXPECT_TRUE(root->superview() == nullptr && b->subviews().empty());
    root->addSubview(b);
    EXPECT_TRUE(a->subviews().empty() && b->superview() == root && root->subviews().size() == 2u);
    auto label = add(Label::create());
    label->setText("Hello");
    label->setText("Hello");
    label->setHidden(false);
    label->setAlpha(3); // clamped to 1, the value it has
    label->setFrame(label->frame());
    EXPECT_EQ(std::pair(observer->views.size(), observer->countViews(*label, ChangeKind::Text)), std::pair(1ul, 1ul));
}

TEST_F(Controls, TapsTouchesTogglesAndSlidesRunOnlyForTheUserWhenUsable)
{
    auto button = add(Button::create("Restore"));
    int taps = 0;
    button->onTap = [&](Button&) { ++taps; };
    EXPECT_TRUE(button->tap());
    button->setEnabled(false);
    EXPECT_FALSE(button->tap());
    button->setEnabled(true);
    button->setHidden(true);
    EXPECT_TRUE(!button->tap() && taps == 1);
    button->setHidden(false);
    std::weak_ptr<Button> weak = button;
    button->onTap = [](Button& b) { b.removeFromSuperview(); };
    button.reset();
    EXPECT_TRUE(weak.lock()->tap());
    EXPECT_TRUE(weak.expired() && root->subviews().empty());
    // A touch reports where it lands, only inside a touchable view.
    auto pad = add(View::create({ 10, 10, 80, 30 }));
    EXPECT_FALSE(pad->touch({ 5, 5 })); // nothing listens yet
    std::vector<Point> touches;
    pad->onTouch = [&](View&, Point at) { touches.push_back(at); };
    EXPECT_TRUE(pad->touch({ 20, 15 }) && pad->touch({ 60, 0 }));
    EXPECT_FALSE(pad->touch({ 81, 15 }) || pad->touch({ -1, 15 })); // outside its bounds
    pad->setUserInteractionEnabled(false);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    pad->setUserInteractionEnabled(true);
    pad->setHidden(true);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    EXPECT_EQ(touches, (std::vector<Point> { { 20, 15 }, { 60, 0 } }));
    auto toggle = add(Switch::create());
    int fired = 0;
    toggle->onValueChanged = [&](Switch&) { ++fired; };
    toggle->setOn(true); // code: reported, not fired
    toggle->toggle();
    EXPECT_EQ(std::tuple(toggle->isOn(), fired, observer->countViews(*toggle, ChangeKind::Value)), std::tuple(false, 1, 2ul));
    auto slider = add(Slider::create());
    slider->setRange(10, 0);
    EXPECT_EQ(std::pair(slider->minimumValue(), slider->maximumValue()), std::pair(0.0, 10.0));
    slider->onValueChanged = [&](Slider&) { ++fired; };
    slider->slide(25);
    slider->slide(30); // still clamped to 10: no movement
    EXPECT_TRUE(slider->value() == 10 && fired == 2);
    slider->setRange(0, 5);
    EXPECT_TRUE(slider->value() == 5 && fired == 2);
}

// Inputs edit through their checks; one holds the keyboard, also across trees (as cells hold
// theirs), and losing it ends editing once.
TEST_F(Controls, TextInputsEditThroughShouldChangeReadOnlyRefusesAndOneHoldsFocus)
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
    EXPECT_TRUE(field->replaceCharacters({ 0, 0 }, "a") && field->replaceCharacters({ 1, 0 }, "b") && field->replaceCharacters({ 1, 1 }, ""));
    EXPECT_EQ(std::tuple(value, field->text(), changes), std::tuple("a", "a", 3));
    // Code setting the text is reported but is no user edit.
    field->setText("code");
    EXPECT_EQ(std::pair(changes, observer->countViews(*field, ChangeKind::Text)), std::pair(3, 4ul));
    accept = false;
    EXPECT_TRUE(!field->type("other") && field->text() == "code");
    int returns = 0;
    field->onReturn = [&](TextField&) { ++returns; };
    field->shouldReturn = [](TextField& f) { return f.text() != "code"; };
    EXPECT_FALSE(field->pressReturn());
    field->setText("x");
    EXPECT_TRUE(field->pressReturn() && returns == 1);
    field->setHidden(true);
    EXPECT_FALSE(field->becomeFirstResponder());
    // A read-only text view refuses edits and focus.
    auto view = add(TextView::create());
    view->setText("Data");
    view->setEditable(Editable::No);
    EXPECT_TRUE(!view->type("changed") && !view->becomeFirstResponder() && view->text() == "Data");
    view->setEditable(Editable::Yes);
    std::vector<std::string> seen;
    view->shouldChangeText = [&](TextView&, TextRange range, const std::string& text) {
        seen.push_back(std::to_string(range.location) + ":" + std::to_string(range.length) + ":" + text);
        return true;
    };
    EXPECT_TRUE(view->type("New"));
    EXPECT_EQ(std::pair(seen, view->text()), std::pair(std::vector<std::string> { "0:4:New" }, std::string("New")));
    auto login = add(TextField::create());
    auto password = add(TextField::create());
    auto notes = add(TextView::create());
    int ended = 0;
    login->onEndEditing = [&](TextField&) { ++ended; };
    login->resignFirstResponder(); // never had focus
    EXPECT_TRUE(login->becomeFirstResponder() && login->type("72") && ended == 0);
    EXPECT_TRUE(password->becomeFirstResponder() && !login->isFirstResponder() && ended == 1);
    EXPECT_TRUE(notes->becomeFirstResponder() && !password->isFirstResponder());
    notes->resignFirstResponder();
    EXPECT_TRUE(!notes->isFirstResponder() && login->becomeFirstResponder());
    root->endEditing();
    root->endEditing();
    EXPECT_EQ(std::tuple(login->isFirstResponder(), ended, observer->countViews(*login, ChangeKind::Focus)), std::tuple(false, 2, 4ul));
    auto text = TextView::create();
    auto key = TextField::create();
    auto firstCell = View::create(), secondCell = View::create();
    firstCell->addSubview(text);
    secondCell->addSubview(key);
    EXPECT_TRUE(text->becomeFirstResponder() && key->becomeFirstResponder() && !text->isFirstResponder());
    EXPECT_TRUE(text->becomeFirstResponder() && !key->isFirstResponder());
}

TEST_F(Controls, CellLaysOutContentLessAccessory)
{
    auto cell = TableViewCell::create(CellStyle::Subtitle, "DirectoryCell");
    ASSERT_TRUE(cell->detailTextLabel() && cell->contentView()->frame().width == TableViewCell::defaultFrame.width);
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    EXPECT_EQ(cell->contentView()->frame().width, TableViewCell::defaultFrame.width - TableViewCell::accessoryWidth);
    cell->setFrame({ 0, 0, 400, 70 });
    EXPECT_EQ(cell->contentView()->frame(), (Rect { 0, 0, 400 - TableViewCell::accessoryWidth, 70 }));
    // A control as accessory keeps its size, centred on the right with a margin; a narrow one
    // takes the mark's width.
    for (auto [control, expected] : { std::pair { Rect { 0, 0, 80, 30 }, Rect { 310, 20, 80, 30 } }, { Rect { 0, 0, 20, 90 }, Rect { 370, 0, 30, 70 } } }) {
        cell->setAccessoryView(View::create(control));
        EXPECT_EQ(std::pair(cell->accessoryView()->frame(), cell->contentView()->frame().width), std::pair(expected, expected.x));
        cell->layoutSubviews();
        EXPECT_EQ(cell->accessoryView()->frame(), expected) << "a second layout keeps it";
    }
    auto plain = TableViewCell::create(CellStyle::Default, "DirectoryCell");
    EXPECT_TRUE(!plain->detailTextLabel() && plain->textLabel()->superview() == plain->contentView());
}

struct Grid : CollectionViewDataSource, CollectionViewDelegate {
    int count { 5 }, requests { 0 };
    std::vector<int> selected;
    int numberOfItemsInSection(CollectionView&, int) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath) override { ++requests; return view.dequeueReusableCellWithReuseIdentifier("Item"); }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath path) override { selected.push_back(path.row); }
};

TEST_F(Controls, CollectionFillsRowsReusesCellsAndScrollsWithinItsRows)
{
    auto grid = std::make_shared<Grid>();
    auto collection = add(CollectionView::create({ 0, 0, 160, 400 }));
    collection->setDataSource(grid);
    int made = 0;
    collection->registerCell("Item", [&](const std::string& id) { ++made; return CollectionViewCell::create(id); });
    auto items = collection->layoutItems();
    ASSERT_EQ(items.size(), 5u);
    // Two 75-point items fit in 160; the row's leftover width goes between them.
    EXPECT_EQ(std::pair(items[1].frame, items[2].frame), std::pair(Rect { 85, 0, 75, 75 }, Rect { 0, 80, 75, 75 }));
    collection->layoutItems();
    ASSERT_TRUE(grid->requests == 5 && collection->selectItem({ 0, 3 })); // no delegate to tell yet
    collection->reloadItemsAtIndexPaths({ { 0, 1 } });
    auto again = collection->layoutItems();
    EXPECT_EQ(grid->requests, 6) << "only the reloaded item is asked again";
    EXPECT_TRUE(again[0].cell == items[0].cell && again[2].cell == items[2].cell && collection->indexPathForSelectedItem() == (IndexPath { 0, 3 }));
    collection->setDelegate(grid);
    EXPECT_TRUE(collection->selectItem({ 0, 0 }) && !collection->selectItem({ 0, 5 }) && grid->selected == std::vector<int> { 0 });
    collection->reloadData();
    grid->count = 1;
    auto one = collection->layoutItems();
    ASSERT_TRUE(one.size() == 1u && made == 5 && one[0].cell == items[4].cell) << "the pool hands back the last cell it took in";
    grid->count = 9;
    collection->setFrame({ 0, 0, 160, 100 });
    collection->reloadData();
    collection->layoutItems();
    // Five rows of 75 with 5 between: 395 points, 100 of them in view.
    EXPECT_EQ(collection->contentHeight(), 395);
    for (auto [asked, kept] : { std::pair { 120.0, 120.0 }, { -40.0, 0.0 }, { 1000.0, 295.0 } }) {
        collection->setContentOffset({ 0, asked });
        EXPECT_EQ(collection->contentOffset().y, kept) << asked;
    }
    // Fewer items pull the offset back inside the rows.
    grid->count = 4;
    collection->reloadData();
    EXPECT_EQ(collection->contentOffset().y, 55);
}

struct VideoDelegate : VideoPlayerViewDelegate {
    std::vector<int> codes;
    VideoPlayerView* from { nullptr };
    void playerViewReceivedError(VideoPlayerView& player, int code) override { codes.push_back(code); from = &player; }
};

TEST(VideoPlayerView, LoadsOnlyIdsThatCanNameAVideo)
{
    auto delegate = std::make_shared<VideoDelegate>();
    auto player = VideoPlayerView::create({ 0, 0, 320, 180 });
    EXPECT_EQ(player->summary(), "[video]");
    for (const char* id : { "dQw4w9WgXcQ", "a-b_c-d_e0Z", "___________" }) {
        ASSERT_TRUE(player->loadWithVideoId(id)) << id;
        EXPECT_EQ(std::tuple(player->videoId(), player->watchURL(), player->summary(), player->error()),
            std::tuple(std::string(id), "https://www.youtube.com/watch?v=" + std::string(id), "[video " + std::string(id) + "]", std::optional<int>()));
    }
    // Without a delegate an error is still kept.
    EXPECT_TRUE(!player->loadWithVideoId("x") && player->error() == VideoPlayerView::invalidParameterError);
    player->setDelegate(delegate);
    const char* invalid[] = { "", "dQw4w9WgXc", "dQw4w9WgXcQQ", "dQw4w9WgX Q", "dQw4w9WgX/Q", "dQw4w9WgX?Q", "dQw4w9WgX\xc3\xa9", "https://you" };
    for (const char* id : invalid) {
        ASSERT_TRUE(player->loadWithVideoId("M7lc1UVf-VE"));
        EXPECT_FALSE(player->loadWithVideoId(id)) << id;
        EXPECT_EQ(std::tuple(player->videoId(), player->watchURL(), player->error(), player->summary()),
            std::tuple(std::string(), std::string(), VideoPlayerView::invalidParameterError, std::string("[video: error 2]"))) << id;
    }
    EXPECT_TRUE(delegate->codes == std::vector<int>(std::size(invalid), 2) && delegate->from == player.get());
}

/// Rows are strings in sections; cells come from the table's pool by "Row".
struct ListSource : TableViewDataSource, TableViewDelegate {
    std::vector<std::vector<std::string>> sections { { "a", "b", "c" } };
    std::vector<std::string> titles;
    bool editable { true }, deleteTellsTable { true };
    int cellRequests { 0 };
    std::vector<IndexPath> deleted, selected;
    std::vector<std::pair<IndexPath, IndexPath>> moved;
    std::map<IndexPath, double> heights;
    int numberOfSectionsInTableView(TableView&) override { return static_cast<int>(sections.size()); }
    int numberOfRowsInSection(TableView&, int section) override { return static_cast<int>(sections[section].size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override
    {
        ++cellRequests;
        auto cell = table.dequeueReusableCellWithIdentifier("Row");
        cell->textLabel()->setText(sections[path.section][path.row]);
        return cell;
    }
    std::string titleForHeaderInSection(TableView&, int section) override { return section < static_cast<int>(titles.size()) ? titles[section] : ""; }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath path) override
    {
        deleted.push_back(path);
        sections[path.section].erase(sections[path.section].begin() + path.row);
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
        return heights.contains(path) ? heights.at(path) : TableViewDelegate::heightForRowAtIndexPath(table, path);
    }
};

struct Table : ::testing::Test {
    void SetUp() override
    {
        table->setObserver(observer);
        table->setDataSource(source);
        table->setDelegate(source);
        table->registerCell("Row", [this](const std::string& id) { ++made; return TableViewCell::create(CellStyle::Default, id); });
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
        const auto& told = observer->tables[0];
        EXPECT_EQ(std::tuple(told.change, told.rows, animation ? told.animation : RowAnimation {}, shownTexts()), std::tuple(change, rows, animation.value_or(RowAnimation {}), shown));
        observer->clear();
    }
    std::shared_ptr<ListSource> source = std::make_shared<ListSource>();
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<TableView> table = TableView::create({ 0, 0, 320, 480 });
    int made { 0 };
};

TEST_F(Table, LayoutTakesSectionsTitlesAndHeightsFromTheSource)
{
    source->sections = { { "a", "b" }, {}, { "c" } };
    source->titles = { "First", "", "Third" };
    source->heights[{ 0, 1 }] = 70;
    EXPECT_EQ((std::vector { table->numberOfSections(), table->numberOfRowsInSection(0), table->numberOfRowsInSection(1), table->numberOfRowsInSection(3), table->numberOfRowsInSection(-1) }),
        (std::vector { 3, 2, 0, 0, 0 }));
    auto layout = table->layoutAllRows();
    // Only the titled sections get a header.
    ASSERT_TRUE(layout.headers.size() == 2u && layout.rows.size() == 3u);
    EXPECT_TRUE(table->titleForHeaderInSection(2) == "Third" && layout.headers[1].section == 2 && layout.rows[2].indexPath == (IndexPath { 2, 0 }));
    const double header = TableView::defaultSectionHeaderHeight, row = TableView::defaultRowHeight;
    EXPECT_EQ(std::tuple(layout.rows[1].frame.height, layout.contentHeight, layout.rows[2].frame.y, layout.rows[2].cell->frame().y),
        std::tuple(70.0, 2 * header + 2 * row + 70, 2 * header + row + 70, 2 * header + row + 70));
}

// The renderer's walk asks only for rows in view; cells leaving it serve new rows, unselected.
TEST_F(Table, WalkAsksOnlyForRowsInViewAndReusesTheirCells)
{
    source->sections = { std::vector<std::string>(100, "x") };
    auto first = table->layoutRows(440, 88);
    // Row 9 ends at 440 and row 12 starts at 528: rows 10 and 11 only.
    ASSERT_EQ(first.rows.size(), 2u);
    EXPECT_EQ(std::tuple(first.rows[0].indexPath.row, first.rows[1].indexPath.row, source->cellRequests, first.contentHeight), std::tuple(10, 11, 2, 4400.0));
    table->selectRowAtIndexPath({ 0, 10 }, Animated::No);
    ASSERT_TRUE(first.rows[0].cell->isSelected());
    auto far = table->layoutRows(4004, 88);
    ASSERT_EQ(far.rows.size(), 2u);
    std::set<TableViewCell*> before { first.rows[0].cell.get(), first.rows[1].cell.get() };
    EXPECT_EQ(before, (std::set<TableViewCell*> { far.rows[0].cell.get(), far.rows[1].cell.get() }));
    EXPECT_TRUE(made == 2 && !first.rows[0].cell->isSelected());
}

TEST_F(Table, RowChangesReachTheObserverAndTheShownRows)
{
    // Rows still in view keep their cells without asking again.
    auto first = table->layoutAllRows();
    int requests = source->cellRequests;
    EXPECT_TRUE(table->layoutAllRows().rows[1].cell == first.rows[1].cell && source->cellRequests == requests);
    EXPECT_TRUE(table->cellForRowAtIndexPath({ 0, 1 }) == first.rows[1].cell && !table->cellForRowAtIndexPath({ 0, 7 }));
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
    EXPECT_TRUE(source->cellRequests == requests + 3 && made == 3);
    requests = source->cellRequests;
    source->sections[0][2] = "C";
    table->reloadRowsAtIndexPaths({ { 0, 2 } }, RowAnimation::Automatic);
    expectOneChange(RowChange::Reload, { { 0, 2 } }, RowAnimation::Automatic, { "changed", "b", "C" });
    EXPECT_EQ(source->cellRequests, requests + 1) << "only the reloaded row is asked again";
    source->sections[0].insert(source->sections[0].begin(), "new");
    table->insertRowsAtIndexPaths({ { 0, 0 } }, RowAnimation::Fade);
    expectOneChange(RowChange::Insert, { { 0, 0 } }, std::nullopt, { "new", "changed", "b", "C" });
    EXPECT_TRUE(table->deleteRow({ 0, 1 }) && source->deleted == (std::vector<IndexPath> { { 0, 1 } }));
    expectOneChange(RowChange::Delete, { { 0, 1 } }, RowAnimation::Fade, { "new", "b", "C" });
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }) && source->moved == (std::vector<std::pair<IndexPath, IndexPath>> { { { 0, 0 }, { 0, 2 } } }));
    expectOneChange(RowChange::Move, { { 0, 0 }, { 0, 2 } }, std::nullopt, { "b", "C", "new" });
    // A source that deletes without telling the table still gets the right rows shown.
    source->deleteTellsTable = false;
    EXPECT_TRUE(table->deleteRow({ 0, 0 }));
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "C", "new" }));
}

TEST_F(Table, DeletesAndMovesNeedEditingPermissionAndARowInBounds)
{
    // Reloading a row that was never shown makes no cell and is only reported.
    table->reloadRowsAtIndexPaths({ { 0, 1 } }, RowAnimation::None);
    EXPECT_TRUE(made == 0 && observer->tables.size() == 1u && observer->tables[0].change == RowChange::Reload);
    observer->clear();
    EXPECT_FALSE(table->deleteRow({ 0, 0 }) || table->moveRow({ 0, 0 }, { 0, 2 }));
    table->setEditing(Editing::On, Animated::Yes);
    table->setEditing(Editing::On, Animated::Yes);
    EXPECT_TRUE(table->isEditing() && table->lastEditingAnimated() == Animated::Yes);
    ASSERT_TRUE(observer->tables.size() == 1u && observer->tables[0].change == RowChange::Editing) << "editing mode is reported once";
    source->editable = false;
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    source->editable = true;
    EXPECT_TRUE(!table->deleteRow({ 0, 3 }) && source->deleted.empty());
    source->sections = { { "a", "b" }, { "c" } };
    // Past the end of its own section, no such section, two past the other section's end.
    for (IndexPath to : { IndexPath { 0, 2 }, IndexPath { 2, 0 }, IndexPath { 1, 2 } })
        EXPECT_FALSE(table->moveRow({ 0, 0 }, to)) << to.section << "," << to.row;
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 1, 1 }));  // one past the other section's end
    EXPECT_EQ(source->sections[1], (std::vector<std::string> { "c", "a" }));
    // Moving a row onto itself is accepted and tells nobody.
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 0 }) && source->moved.size() == 1u);
    // A delegate that offers no deletion refuses it.
    struct NoDelete : TableViewDelegate {
        EditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return EditingStyle::None; }
    };
    auto noDelete = std::make_shared<NoDelete>(); // held weakly by the table
    table->setDelegate(noDelete);
    EXPECT_TRUE(!table->deleteRow({ 0, 0 }) && source->deleted.empty());
    table->setEditing(Editing::Off, Animated::No);
    EXPECT_TRUE(!table->isEditing() && observer->tables.size() == 3u) << "editing on, the move, editing off";
    // Without a delegate a row in editing is deleted.
    noDelete.reset();
    table->setEditing(Editing::On, Animated::No);
    EXPECT_TRUE(table->deleteRow({ 0, 0 }) && source->deleted.size() == 1u);
}

TEST_F(Table, TapSelectsButNotWhileEditingAndPullRefreshes)
{
    table->layoutAllRows();
    EXPECT_TRUE(table->selectRow({ 0, 2 }) && source->selected == (std::vector<IndexPath> { { 0, 2 } }));
    EXPECT_TRUE(table->indexPathForSelectedRow() == (IndexPath { 0, 2 }) && table->cellForRowAtIndexPath({ 0, 2 })->isSelected());
    EXPECT_FALSE(table->selectRow({ 0, 3 }));
    table->setEditing(Editing::On, Animated::No);
    EXPECT_FALSE(table->selectRow({ 0, 0 }));
    table->setAllowsSelectionDuringEditing(true);
    EXPECT_TRUE(table->selectRow({ 0, 0 }) && source->selected.size() == 2u && !table->cellForRowAtIndexPath({ 0, 2 })->isSelected());
    // The refresh control: a pull runs it once until it ends.
    EXPECT_FALSE(table->pullToRefresh());
    auto control = RefreshControl::create();
    int refreshes = 0;
    control->onRefresh = [&](RefreshControl& c) { ++refreshes; EXPECT_TRUE(c.isRefreshing()); };
    table->setRefreshControl(control);
    EXPECT_TRUE(control->superview() == table && table->pullToRefresh());
    EXPECT_TRUE(!table->pullToRefresh() && refreshes == 1); // pulling again while it spins starts nothing
    control->endRefreshing();
    EXPECT_TRUE(!control->isRefreshing() && observer->countViews(*control, ChangeKind::Value) == 2u);
    EXPECT_TRUE(table->pullToRefresh() && refreshes == 2);
    // Code can start the spinner without running the action.
    control->endRefreshing();
    control->beginRefreshing();
    EXPECT_EQ(refreshes, 2);
}

} // namespace
