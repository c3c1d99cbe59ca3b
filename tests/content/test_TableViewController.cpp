// The bare table screen: its source fills the table and, when it can, answers as its delegate.
#include "content/TableViewController.h"

#include "content/ContentFixture.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A source that is its table's delegate too.
class DelegatingSource : public RecordingDataSource, public TableViewDelegate {
public:
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override { tapped.push_back(path.row); }
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override { return RecordingDataSource::heightForRowAtIndexPath(table, path); }
    std::vector<int> tapped;
};

} // namespace

TEST(TableViewController, TheSourceRegistersFillsTheTableAndTakesItsSelections)
{
    auto source = std::make_shared<DelegatingSource>();
    auto screen = TableViewController::create(source);
    auto table = screen->tableView();
    EXPECT_EQ(source->registeredTable.lock(), table);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    EXPECT_TRUE(table->selectRow({ 0, 2 }));
    EXPECT_EQ(source->tapped, std::vector<int>({ 2 }));

    // A source that is no delegate still fills the table.
    auto plain = RecordingDataSource::create(2);
    auto other = TableViewController::create(plain);
    EXPECT_FALSE(other->tableView()->delegate());
    EXPECT_EQ(other->tableView()->numberOfRowsInSection(0), 2);
}
