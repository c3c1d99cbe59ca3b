// The carousel style chooser: twelve preview rows, each a record-less carousel cell in its own
// style, and the style number reported by a row or by its preview.

#include "editors/CarouselTypeViewController.h"

#include "content/CarouselCell.h"
#include "platform/MainQueue.h"

#include <gtest/gtest.h>

using namespace quindle;

TEST(CarouselTypeViewController, PreviewsEveryStyleAndReportsTheChosenOne)
{
    MainQueue::shared().makeCurrentThreadMain();
    std::vector<long> reported;
    auto record = JsonObject::create();
    auto chooser = CarouselTypeViewController::create(record, [&](long style) { reported.push_back(style); });
    auto table = chooser->tableView();
    EXPECT_EQ(chooser->title(), "Select carousel type");
    ASSERT_EQ(table->numberOfRowsInSection(0), 12);
    EXPECT_EQ(chooser->types().at(8), "CoverFlow2");
    EXPECT_EQ(chooser->types().back(), "Custom");

    TableLayout layout = table->layoutAllRows();
    ASSERT_EQ(layout.rows.size(), 12u);
    for (const VisibleRow& row : layout.rows) {
        SCOPED_TRACE(row.indexPath.row);
        EXPECT_EQ(row.frame.height, 110);
        auto cell = std::dynamic_pointer_cast<CarouselCell>(row.cell);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), "CarouselCell");
        EXPECT_EQ(cell->type(), row.indexPath.row);
        EXPECT_EQ(static_cast<int>(cell->carousel()->type()), row.indexPath.row);
        EXPECT_EQ(cell->height(), 100);
        EXPECT_FALSE(cell->object());
        EXPECT_EQ(cell->carousel()->numberOfItems(), CarouselCell::previewItemCount);
    }

    EXPECT_TRUE(table->selectRow({ 0, 8 }));
    auto preview = std::dynamic_pointer_cast<CarouselCell>(layout.rows[3].cell);
    preview->didSelectItemAtIndex(*preview->carousel(), 2);
    EXPECT_EQ(reported, (std::vector<long> { 8, 3 })) << "a row and a tapped preview report their style";
}
