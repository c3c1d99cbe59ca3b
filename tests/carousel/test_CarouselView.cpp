#include "carousel/CarouselView.h"

#include <gtest/gtest.h>

using namespace quindle;

namespace {

class Items final : public CarouselDataSource {
public:
    explicit Items(int count)
        : count_(count)
    {
    }
    int numberOfItemsInCarousel(CarouselView&) override { return count_; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int, CarouselItemViewPtr reusing) override
    {
        return reusing ? reusing : FixedSizeCarouselItemView::create(100, 100);
    }

private:
    int count_;
};

std::shared_ptr<CarouselView> carousel(CarouselType type, const std::shared_ptr<Items>& items)
{
    auto view = CarouselView::create({ 320, 200 });
    view->setType(type);
    view->setDataSource(items);
    view->reloadData();
    return view;
}

} // namespace

TEST(CarouselClamping, EmptyCarouselHasNoCurrentItem)
{
    auto items = std::make_shared<Items>(0);
    auto view = carousel(CarouselType::Linear, items);
    EXPECT_EQ(view->numberOfItems(), 0);
    EXPECT_EQ(view->currentItemIndex(), -1);
    EXPECT_EQ(view->liveItemViewCount(), 0);
}

TEST(CarouselClamping, WrappingOffsetsAndShortestDistance)
{
    auto items = std::make_shared<Items>(10);
    auto ring = carousel(CarouselType::Cylinder, items);
    ASSERT_TRUE(ring->wrapEnabled());
    // The last item sits just before the first when the ring wraps.
    EXPECT_DOUBLE_EQ(ring->offsetForItemAtIndex(9), -1);
    EXPECT_EQ(ring->minScrollDistance(9, 0), 1);
    EXPECT_EQ(ring->minScrollDistance(0, 9), -1);

    auto strip = carousel(CarouselType::Linear, items);
    ASSERT_FALSE(strip->wrapEnabled());
    // Styled while still empty (offset parked at -1), then loaded: the first item is current at once.
    EXPECT_DOUBLE_EQ(strip->scrollOffset(), 0);
    EXPECT_EQ(strip->currentItemIndex(), 0);
    EXPECT_DOUBLE_EQ(strip->offsetForItemAtIndex(9), 9);
    EXPECT_EQ(strip->minScrollDistance(9, 0), -9);
    EXPECT_EQ(strip->clampedIndex(12), 9);
    EXPECT_EQ(strip->clampedIndex(-3), 0);
}

TEST(CarouselFading, TimeMachineFadesItemsAhead)
{
    auto items = std::make_shared<Items>(5);
    auto view = carousel(CarouselType::TimeMachine, items);
    EXPECT_NEAR(view->alphaForItemWithOffset(0.5), 0.5, 1e-9);
    EXPECT_NEAR(view->alphaForItemWithOffset(1.0), 0.0, 1e-9);
    EXPECT_NEAR(view->alphaForItemWithOffset(2.0), 0.0, 1e-9);
    EXPECT_NEAR(view->alphaForItemWithOffset(-0.5), 1.0, 1e-9);
}
