#include "RecordingObserver.h"

#include "ui/TableView.h"

#include <gtest/gtest.h>

#include <set>

using namespace quindle;
using quindle::test::RecordingObserver;

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
    std::shared_ptr<ListSource> source = std::make_shared<ListSource>();
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<TableView> table = TableView::create({ 0, 0, 320, 480 });
    int made { 0 };
};

}

TEST_F(Table, SectionsRowsAndTitlesComeFromTheDataSource)
{
    source->sections = { { "a", "b" }, {}, { "c" } };
    source->titles = { "First", "", "Third" };
    EXPECT_EQ(table->numberOfSections(), 3);
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_EQ(table->numberOfRowsInSection(1), 0);
    EXPECT_EQ(table->numberOfRowsInSection(3), 0);
    EXPECT_EQ(table->numberOfRowsInSection(-1), 0);
    EXPECT_EQ(table->titleForHeaderInSection(2), "Third");

    auto layout = table->layoutAllRows();
    ASSERT_EQ(layout.headers.size(), 2u);
    EXPECT_EQ(layout.headers[1].section, 2);
    ASSERT_EQ(layout.rows.size(), 3u);
    EXPECT_EQ(layout.rows[2].indexPath, (IndexPath { 2, 0 }));
    // Two titled headers and three rows of the default height.
    EXPECT_DOUBLE_EQ(layout.contentHeight, 2 * TableView::defaultSectionHeaderHeight + 3 * TableView::defaultRowHeight);
    EXPECT_DOUBLE_EQ(layout.rows[2].frame.y, 2 * TableView::defaultSectionHeaderHeight + 2 * TableView::defaultRowHeight);
}

TEST_F(Table, RowHeightsComeFromTheDelegate)
{
    source->heights[{ 0, 1 }] = 70;
    auto layout = table->layoutAllRows();
    ASSERT_EQ(layout.rows.size(), 3u);
    EXPECT_DOUBLE_EQ(layout.rows[1].frame.height, 70);
    EXPECT_DOUBLE_EQ(layout.rows[2].frame.y, 44 + 70);
    EXPECT_DOUBLE_EQ(layout.rows[2].cell->frame().y, 44 + 70);
}

TEST_F(Table, WalkAsksOnlyForRowsInView)
{
    source->sections = { std::vector<std::string>(100, "x") };
    auto layout = table->layoutRows(440, 88);
    // Row 9 ends at 440 and row 12 starts at 528: rows 10 and 11 only.
    ASSERT_EQ(layout.rows.size(), 2u);
    EXPECT_EQ(layout.rows[0].indexPath.row, 10);
    EXPECT_EQ(layout.rows[1].indexPath.row, 11);
    EXPECT_EQ(source->cellRequests, 2);
    EXPECT_DOUBLE_EQ(layout.contentHeight, 4400);
}

TEST_F(Table, ReuseHandsBackTheSameCellObjects)
{
    source->sections = { std::vector<std::string>(100, "x") };
    auto first = table->layoutRows(0, 88);
    ASSERT_EQ(first.rows.size(), 2u);
    EXPECT_EQ(made, 2);
    // Scrolled far away: the two cells leave the view and serve the new rows.
    auto far = table->layoutRows(4004, 88);
    ASSERT_EQ(far.rows.size(), 2u);
    EXPECT_EQ(made, 2);
    std::set<TableViewCell*> before { first.rows[0].cell.get(), first.rows[1].cell.get() };
    std::set<TableViewCell*> after { far.rows[0].cell.get(), far.rows[1].cell.get() };
    EXPECT_EQ(before, after);
}

TEST_F(Table, RowsStillInViewKeepTheirCellsWithoutAskingAgain)
{
    auto first = table->layoutAllRows();
    int requests = source->cellRequests;
    auto second = table->layoutAllRows();
    EXPECT_EQ(source->cellRequests, requests);
    EXPECT_EQ(first.rows[1].cell, second.rows[1].cell);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 1 }), first.rows[1].cell);
    EXPECT_EQ(table->cellForRowAtIndexPath({ 0, 7 }), nullptr);
}

TEST_F(Table, ReloadDataTellsObserverOnceAndAsksAgain)
{
    table->layoutAllRows();
    observer->clear();
    source->sections[0][0] = "changed";
    table->reloadData();
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::ReloadAll);
    EXPECT_TRUE(observer->tables[0].rows.empty());
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "changed", "b", "c" }));
    EXPECT_EQ(made, 3);
}

TEST_F(Table, ReloadRowsNamesRowsAndAnimationAndRefreshesOnlyThose)
{
    table->layoutAllRows();
    observer->clear();
    int requests = source->cellRequests;
    source->sections[0][2] = "C";
    table->reloadRowsAtIndexPaths({ { 0, 2 } }, RowAnimation::Automatic);
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::Reload);
    EXPECT_EQ(observer->tables[0].rows, (std::vector<IndexPath> { { 0, 2 } }));
    EXPECT_EQ(observer->tables[0].animation, RowAnimation::Automatic);
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "a", "b", "C" }));
    EXPECT_EQ(source->cellRequests, requests + 1);
}

TEST_F(Table, InsertRowsReachTheObserver)
{
    table->layoutAllRows();
    observer->clear();
    source->sections[0].insert(source->sections[0].begin(), "new");
    table->insertRowsAtIndexPaths({ { 0, 0 } }, RowAnimation::Fade);
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::Insert);
    EXPECT_EQ(observer->tables[0].rows, (std::vector<IndexPath> { { 0, 0 } }));
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "new", "a", "b", "c" }));
}

TEST_F(Table, DeleteNeedsEditingModeAndPermission)
{
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    table->setEditing(Editing::On, Animated::Yes);
    source->editable = false;
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    source->editable = true;
    EXPECT_FALSE(table->deleteRow({ 0, 3 }));
    EXPECT_TRUE(source->deleted.empty());
}

TEST_F(Table, DeleteTellsTheDataSourceAndItsRowChangeReachesTheObserver)
{
    table->layoutAllRows();
    table->setEditing(Editing::On, Animated::Yes);
    observer->clear();
    EXPECT_TRUE(table->deleteRow({ 0, 1 }));
    EXPECT_EQ(source->deleted, (std::vector<IndexPath> { { 0, 1 } }));
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::Delete);
    EXPECT_EQ(observer->tables[0].rows, (std::vector<IndexPath> { { 0, 1 } }));
    EXPECT_EQ(observer->tables[0].animation, RowAnimation::Fade);
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "a", "c" }));
}

TEST_F(Table, DeleteShowsTheRightRowsEvenIfTheSourceTellsNobody)
{
    source->deleteTellsTable = false;
    table->layoutAllRows();
    table->setEditing(Editing::On, Animated::No);
    EXPECT_TRUE(table->deleteRow({ 0, 0 }));
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "b", "c" }));
}

TEST_F(Table, DeleteRefusedWhenTheDelegateOffersNoDeletion)
{
    struct NoDelete : TableViewDelegate {
        EditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) override { return EditingStyle::None; }
    };
    auto delegate = std::make_shared<NoDelete>();
    table->setDelegate(delegate);
    table->setEditing(Editing::On, Animated::No);
    EXPECT_FALSE(table->deleteRow({ 0, 0 }));
    EXPECT_TRUE(source->deleted.empty());
}

TEST_F(Table, MoveTellsTheDataSourceAndObserverFromAndTo)
{
    table->layoutAllRows();
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 0, 2 }));
    table->setEditing(Editing::On, Animated::Yes);
    observer->clear();
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 2 }));
    ASSERT_EQ(source->moved.size(), 1u);
    EXPECT_EQ(source->moved[0].second, (IndexPath { 0, 2 }));
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::Move);
    EXPECT_EQ(observer->tables[0].rows, (std::vector<IndexPath> { { 0, 0 }, { 0, 2 } }));
    EXPECT_EQ(shownTexts(), (std::vector<std::string> { "b", "c", "a" }));
}

TEST_F(Table, MoveBoundsInAndAcrossSections)
{
    source->sections = { { "a", "b" }, { "c" } };
    table->setEditing(Editing::On, Animated::No);
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 0, 2 }));  // past the end of its own section
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 2, 0 }));  // no such section
    EXPECT_FALSE(table->moveRow({ 0, 0 }, { 1, 2 }));  // two past the other section's end
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 1, 1 }));   // one past the other section's end
    EXPECT_EQ(source->sections[1], (std::vector<std::string> { "c", "a" }));
    // Moving a row onto itself is accepted and tells nobody.
    EXPECT_TRUE(table->moveRow({ 0, 0 }, { 0, 0 }));
    EXPECT_EQ(source->moved.size(), 1u);
}

TEST_F(Table, EditingModeReportedOnceWithItsAnimation)
{
    table->setEditing(Editing::On, Animated::Yes);
    table->setEditing(Editing::On, Animated::Yes);
    EXPECT_TRUE(table->isEditing());
    EXPECT_EQ(table->lastEditingAnimated(), Animated::Yes);
    ASSERT_EQ(observer->tables.size(), 1u);
    EXPECT_EQ(observer->tables[0].change, RowChange::Editing);
    table->setEditing(Editing::Off, Animated::No);
    EXPECT_FALSE(table->isEditing());
    EXPECT_EQ(observer->tables.size(), 2u);
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

TEST_F(Table, ReusedCellIsPreparedAndNoLongerSelected)
{
    source->sections = { std::vector<std::string>(100, "x") };
    table->layoutRows(0, 44);
    table->selectRowAtIndexPath({ 0, 0 }, Animated::No);
    auto cell = table->cellForRowAtIndexPath({ 0, 0 });
    ASSERT_TRUE(cell->isSelected());
    auto far = table->layoutRows(1980, 44);
    ASSERT_EQ(far.rows.size(), 1u);
    EXPECT_EQ(far.rows[0].cell, cell);
    EXPECT_FALSE(cell->isSelected());
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
    EXPECT_EQ(refreshes, 1);
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

TEST_F(Table, ChangesInsideShownCellsReachTheTablesObserver)
{
    auto layout = table->layoutAllRows();
    observer->clear();
    auto label = layout.rows[0].cell->textLabel();
    label->setText("new text");
    label->setText("new text");
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Text), 1u);
    EXPECT_EQ(layout.rows[0].cell->superview(), table);
}

