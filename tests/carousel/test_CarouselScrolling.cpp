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

TEST(CarouselClamping, WithAndWithoutWrappingAndWithOneItem)
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

TEST(CarouselSelection, TapsOnEmptySpaceNeighboursAndFadedItems)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.setScrollOffset(2.4);
    v.layoutFrame();
    v.didTap({ 160, 190 }, 0);
    EXPECT_TRUE(v.isScrolling());
    EXPECT_EQ(v.endOffset(), 2);
    v.setScrollOffset(2);
    v.layoutFrame();
    v.didTap({ 270, 100 }, 0);
    EXPECT_EQ(v.endOffset(), 3);
    v.setScrollOffset(2);
    v.setCenterItemWhenSelected(false);
    v.didTap({ 270, 100 }, 0);
    EXPECT_FALSE(v.isScrolling());
    EXPECT_EQ(rig.options->selected, (std::vector<int> { 3, 3 }));
    // Style 9 puts faded items in front of the current one; they must not catch the tap.
    Rig stack(CarouselType::TimeMachine, 10);
    stack.view->layoutFrame();
    stack.view->didTap({ 160, 100 }, 0);
    EXPECT_EQ(stack.options->selected, (std::vector<int> { 0 }));
}

TEST(CarouselSelection, DeclinedSelectionRecentresOnlyWhileAutoscrolling)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    rig.options->allowSelection = false;
    v.setScrollOffset(2.3);
    v.layoutFrame();
    v.didTap({ 250, 100 }, 0);
    EXPECT_FALSE(v.isScrolling());
    v.setAutoscroll(0.5);
    v.didTap({ 250, 100 }, 0);
    EXPECT_TRUE(v.isScrolling());
    EXPECT_EQ(v.endOffset(), 2);
    EXPECT_TRUE(rig.options->selected.empty());
}

TEST(CarouselScrolling, AnimatedScrollFollowsTheEaseCurveTheShortWayRound)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.scrollToItemAtIndex(4, CarouselAnimation::Animated, 10.0);
    v.step(10.1);
    EXPECT_NEAR(v.scrollOffset(), 4 * 0.0625, 1e-9);
    v.step(10.3);
    EXPECT_NEAR(v.scrollOffset(), 4 * 0.9375, 1e-9);
    v.step(10.4);
    EXPECT_EQ(v.scrollOffset(), 4);
    EXPECT_EQ(rig.options->animationsEnded, 1);
    Rig ring(CarouselType::Rotary, 10);
    ring.view->scrollToItemAtIndex(9, CarouselAnimation::Animated, 0);
    EXPECT_EQ(ring.view->endOffset(), -1);
    ring.view->step(0.4);
    EXPECT_EQ(ring.view->scrollOffset(), 9);
}

TEST(CarouselScrolling, SettlingFromLayoutStartsAtTheFirstStep)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.setScrollOffset(2.4);
    v.setFrame({ 320, 200 });
    ASSERT_TRUE(v.isScrolling());
    v.step(1000);
    EXPECT_NEAR(v.scrollOffset(), 2.4, 1e-9);
    v.step(1000.2);
    EXPECT_NEAR(v.scrollOffset(), 2.2, 1e-9);
}

TEST(CarouselDeceleration, ThresholdsAreExclusive)
{
    auto view = CarouselView::create({ 320, 200 });
    EXPECT_FALSE(view->shouldDecelerateWithVelocity(1.5));
    EXPECT_FALSE(view->shouldDecelerateWithVelocity(-2.0));
    EXPECT_TRUE(view->shouldDecelerateWithVelocity(2.0001));
    view->setDecelerationRate(0.5);
    EXPECT_EQ(view->decelerationDistanceForVelocity(3), 0.1);
    EXPECT_FALSE(view->shouldDecelerateWithVelocity(3));
    EXPECT_TRUE(view->shouldDecelerateWithVelocity(3.01));
    // Rates of 1 or more would never stop; they act as the slowest finite rate.
    view->setDecelerationRate(CarouselView::maxDecelerationRate);
    double slowest = view->decelerationDistanceForVelocity(6);
    for (double rate : { 1.0, 1.5 }) {
        view->setDecelerationRate(rate);
        EXPECT_EQ(view->decelerationDistanceForVelocity(6), slowest);
    }
}

TEST(CarouselDeceleration, FlickEndsOnItemBoundariesWithinBounds)
{
    Rig rig(CarouselType::Linear, 20);
    auto& v = *rig.view;
    v.setScrollOffset(2.3);
    v.startDecelerating(6, 0);
    EXPECT_EQ(v.endOffset(), 5);
    v.step(0.9 + 1e-9);
    EXPECT_EQ(v.scrollOffset(), 5);
    EXPECT_EQ(rig.options->decelerationsEnded, 1);
    // Past the end by at most the bounce distance, then back to the last item.
    v.setScrollOffset(18.5);
    v.startDecelerating(30, 0);
    EXPECT_EQ(v.endOffset(), 20);
    v.step(1);
    EXPECT_EQ(v.endOffset(), 19);
    v.setBounces(false);
    v.setScrollOffset(1.5);
    v.startDecelerating(-30, 0);
    EXPECT_EQ(v.endOffset(), 0);
    v.setPagingEnabled(true);
    v.setScrollOffset(2.3);
    v.startDecelerating(30, 0);
    EXPECT_EQ(v.endOffset(), 3);
    v.setScrollOffset(3);
    v.startDecelerating(30, 0);
    EXPECT_FALSE(v.isDecelerating());
    // A ring has no ends: the flick runs on and comes to rest on the ring.
    Rig ring(CarouselType::Rotary, 10);
    ring.view->setScrollOffset(8.3);
    ring.view->startDecelerating(6, 0);
    EXPECT_EQ(ring.view->endOffset(), 11);
    ring.view->step(5);
    EXPECT_EQ(ring.view->scrollOffset(), 1);
}

TEST(CarouselDeceleration, DragAcrossIsIgnoredASlowDragSettles)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.beginDrag(0);
    v.dragTo({ 5, 40 }, 0.05);
    EXPECT_EQ(v.scrollOffset(), 0);
    v.dragTo({ -30, 0 }, 0.1);
    EXPECT_NEAR(v.scrollOffset(), 0.3, 1e-12);
    v.endDrag({ -150, 0 }, 0.2);
    EXPECT_FALSE(v.isDecelerating());
    EXPECT_EQ(v.endOffset(), 0);
}
