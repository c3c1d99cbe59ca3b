#include "CarouselTestSupport.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::testing;

TEST(CarouselClamping, EmptyCarouselClampsEverythingToMinusOne)
{
    Rig rig(CarouselType::Linear, 0);
    EXPECT_EQ(rig.view->currentItemIndex(), -1);
    EXPECT_EQ(rig.view->clampedOffset(3.7), -1);
    EXPECT_TRUE(rig.view->layoutFrame().empty());
    EXPECT_EQ(rig.view->liveItemViewCount(), 0);
    // Items that go away mid-scroll take the scroll with them.
    Rig ring(CarouselType::Rotary, 10);
    ring.view->scrollToItemAtIndex(4, CarouselAnimation::Animated, 0);
    ASSERT_TRUE(ring.view->isScrolling());
    ring.items->count = 0;
    ring.view->reloadData();
    EXPECT_FALSE(ring.view->isScrolling());
    EXPECT_EQ(ring.view->scrollOffset(), -1);
}

TEST(CarouselClamping, WithoutWrappingAndWithOneItem)
{
    Rig strip(CarouselType::Linear, 10);
    ASSERT_FALSE(strip.view->wrapEnabled());
    EXPECT_EQ(strip.view->minScrollDistance(9, 0), -9);
    EXPECT_EQ(strip.view->clampedIndex(12), 9);
    EXPECT_EQ(strip.view->clampedOffset(-0.3), 0);
    EXPECT_EQ(strip.view->clampedOffset(12.5), 9);
    Rig one(CarouselType::Linear, 1);
    EXPECT_EQ(one.view->clampedOffset(3), 0);
    EXPECT_EQ(one.view->clampedIndex(-2), 0);
    Rig ring(CarouselType::Rotary, 1);
    ring.view->setScrollOffset(0.4);
    EXPECT_DOUBLE_EQ(ring.view->offsetForItemAtIndex(0), -0.4);
    EXPECT_DOUBLE_EQ(ring.view->clampedOffset(2.5), 0.5);
    EXPECT_EQ(ring.view->layoutFrame().size(), 1u);
}

TEST(CarouselClamping, WrappingOddAndEvenCounts)
{
    Rig ten(CarouselType::Cylinder, 10);
    ASSERT_TRUE(ten.view->wrapEnabled());
    EXPECT_DOUBLE_EQ(ten.view->offsetForItemAtIndex(9), -1);
    EXPECT_EQ(ten.view->minScrollDistance(9, 0), 1);
    EXPECT_EQ(ten.view->minScrollDistance(0, 9), -1);
    Rig five(CarouselType::Rotary, 5);
    EXPECT_DOUBLE_EQ(five.view->offsetForItemAtIndex(3), -2);
    EXPECT_EQ(five.view->minScrollDistance(0, 3), -2);
    EXPECT_EQ(five.view->clampedIndex(-1), 4);
    EXPECT_DOUBLE_EQ(five.view->clampedOffset(-0.5), 4.5);
    // Half way round an even ring stays ahead; a tie goes the direct way.
    Rig four(CarouselType::Rotary, 4);
    EXPECT_DOUBLE_EQ(four.view->offsetForItemAtIndex(2), 2);
    EXPECT_DOUBLE_EQ(four.view->offsetForItemAtIndex(3), -1);
    EXPECT_EQ(four.view->minScrollDistance(0, 2), 2);
    EXPECT_EQ(four.view->minScrollDistance(2, 0), -2);
}

TEST(CarouselItemViews, OnlyVisibleItemsAreLiveAndViewsAreReused)
{
    for (auto type : { CarouselType::Linear, CarouselType::Rotary }) {
        Rig rig(type, 1000);
        int visible = rig.view->numberOfVisibleItems();
        for (double offset = 10; offset < 200; offset += 0.37) {
            rig.view->setScrollOffset(offset);
            auto& frame = rig.view->layoutFrame();
            ASSERT_EQ(static_cast<int>(frame.size()), visible);
            ASSERT_LE(rig.view->liveItemViewCount(), visible + rig.view->reusePoolLimit());
            for (auto& item : frame)
                ASSERT_LE(std::abs(item.offset), visible / 2.0 + 1);
        }
        EXPECT_LE(rig.items->viewsMade, visible + rig.view->reusePoolLimit() + 1);
    }
}
