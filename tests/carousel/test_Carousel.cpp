#include "carousel/CarouselView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <vector>

using namespace quindle;

namespace {

/// Items of one size; counts the views it had to make.
class Items final : public CarouselDataSource {
public:
    int count { 0 };
    double size { 100 };
    bool doubleSided { true };
    int viewsMade { 0 };

    int numberOfItemsInCarousel(CarouselView&) override { return count; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int, CarouselItemViewPtr reusing) override
    {
        if (reusing)
            return reusing;
        ++viewsMade;
        auto view = FixedSizeCarouselItemView::create(size, size);
        view->setDoubleSided(doubleSided);
        return view;
    }
};

/// Answers chosen options and records what the carousel tells it.
class Options final : public CarouselDelegate {
public:
    std::map<CarouselOption, double> values;
    std::function<Transform3D(double, const Transform3D&)> custom;
    bool allowSelection { true };
    std::vector<int> selected;
    int animationsEnded { 0 };
    int decelerationsEnded { 0 };

    double valueForOption(CarouselView&, CarouselOption option, double fallback) override
    {
        return values.contains(option) ? values.at(option) : fallback;
    }
    Transform3D itemTransformForOffset(CarouselView&, double o, const Transform3D& base) override { return custom ? custom(o, base) : base; }
    bool shouldSelectItemAtIndex(CarouselView&, int) override { return allowSelection; }
    void didSelectItemAtIndex(CarouselView&, int index) override { selected.push_back(index); }
    void carouselDidEndScrollingAnimation(CarouselView&) override { ++animationsEnded; }
    void carouselDidEndDecelerating(CarouselView&) override { ++decelerationsEnded; }
};

/// A 320 x 200 carousel with its collaborators kept alive (the carousel holds them weakly).
struct Rig {
    std::shared_ptr<Items> items = std::make_shared<Items>();
    std::shared_ptr<Options> options = std::make_shared<Options>();
    std::shared_ptr<CarouselView> view = CarouselView::create({ 320, 200 });

    enum class Delegate { Attached, None };

    Rig(CarouselType type, int count, Delegate delegate = Delegate::Attached)
    {
        items->count = count;
        view->setType(type);
        if (delegate == Delegate::Attached)
            view->setDelegate(options);
        view->setDataSource(items);
    }
};

constexpr double pi = std::numbers::pi;

/// Where the item's centre lands before the perspective divide.
Vector4 centre(CarouselView& view, double offset) { return view.transformForItemViewWithOffset(offset).apply({ 0, 0, 0 }); }

/// Flicks from an offset and tells where the flick is to end.
double flick(CarouselView& view, double from, double velocity)
{
    view.setScrollOffset(from);
    view.startDecelerating(velocity, 0);
    return view.endOffset();
}

double depthKey(const Transform3D& t) { return t.m13() + t.m23() + t.m33() + t.m43(); }

void expectNear(const auto& actual, double x, double y, double z)
{
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
    EXPECT_NEAR(actual.z, z, 1e-9);
}

} // namespace

TEST(CarouselGeometry, WrapOffsetMultiplierAndVisibleCountsPerStyleAndTheirLimits)
{
    // 320 points across, items 100 wide, 100 items.
    int visible[carouselTypeCount] = { 6, 12, 6, 12, 6, 7, 7, 15, 15, 30, 30, 30 };
    for (int style = 0; style < carouselTypeCount; ++style) {
        Rig styled(carouselTypeFromInteger(style), 100);
        auto& view = *styled.view;
        EXPECT_EQ((std::tuple { view.wrapEnabled(), view.offsetMultiplier(), view.numberOfVisibleItems() }),
            (std::tuple { style >= 1 && style <= 6, style == 7 || style == 8 ? 2.0 : 1.0, visible[style] })) << style;
    }
    EXPECT_EQ(Rig(CarouselType::Rotary, 0).view->numberOfVisibleItems(), 0);
    Rig rig(CarouselType::Linear, 8);
    rig.options->values[CarouselOption::VisibleItems] = 50;
    rig.view->layOutItemViews();
    EXPECT_EQ(rig.view->numberOfVisibleItems(), 8);
}

TEST(CarouselGeometry, EachStylePlacesItsItems)
{
    Rig line(CarouselType::Linear, 10);
    line.view->setViewpointOffset({ 10, 20 });
    EXPECT_DOUBLE_EQ(line.view->transformForItemViewWithOffset(2).m41(), 190);
    EXPECT_DOUBLE_EQ(line.view->transformForItemViewWithOffset(2).m34(), -0.002);
    line.view->setVertical(true);
    EXPECT_DOUBLE_EQ(line.view->transformForItemViewWithOffset(2).m42(), 180);
    Rig rig(CarouselType::Rotary, 3);
    // r = max(50, 50 / tan(pi/3)) = 50; one item on is a third of the way round.
    expectNear(centre(*rig.view, 1), 50 * std::sin(2 * pi / 3), 0, -75);
    rig.view->setType(CarouselType::InvertedRotary);
    EXPECT_NEAR(centre(*rig.view, 1).z, 75, 1e-9);
    Rig ten(CarouselType::Cylinder, 10);
    double r = 50 / std::tan(pi / 10);
    expectNear(centre(*ten.view, 1), (r + 0.01) * std::sin(pi / 5), 0, (r + 0.01) * std::cos(pi / 5) - r);
    ten.view->setType(CarouselType::Wheel);
    r = 10 * 100 / (2 * pi);
    expectNear(centre(*ten.view, 1), r * std::sin(pi / 5), r - r * std::cos(pi / 5), 0.01);
    auto& v = *ten.view;
    v.setType(CarouselType::CoverFlow);
    auto t = v.transformForItemViewWithOffset(0.5);
    EXPECT_NEAR(t.m41(), 100 * (0.25 * 0.5 + 0.9 * 0.5 * 0.5), 1e-9);
    EXPECT_NEAR(t.m11(), std::cos(0.5 * 0.9 * pi / 2), 1e-12);
    // With toggle 0 the item near the centre faces front, unturned.
    v.setType(CarouselType::CoverFlow2);
    ASSERT_EQ(v.toggle(), 0);
    EXPECT_NEAR(v.transformForItemViewWithOffset(0.3).m11(), 1, 1e-12);
    v.setType(CarouselType::InvertedTimeMachine);
    EXPECT_NEAR(centre(v, 2).x, 60, 1e-9);
    EXPECT_NEAR(centre(v, 2).z, -200, 1e-9);
    // The custom style asks the delegate and is flat without one.
    ten.options->custom = [](double o, const Transform3D& base) { return base.translated(o * 7, 0, 0); };
    v.setType(CarouselType::Custom);
    EXPECT_DOUBLE_EQ(v.transformForItemViewWithOffset(2).m41(), 14);
    Rig bare(CarouselType::Custom, 5, Rig::Delegate::None);
    for (auto& item : bare.view->layoutFrame())
        EXPECT_EQ(item.transform, Transform3D::zero());
}

TEST(CarouselGeometry, ZeroWidthsStayFinite)
{
    Rig rig(CarouselType::Rotary, 0);
    rig.items->size = 0;
    rig.items->count = 40;
    rig.view->reloadData();
    EXPECT_EQ(std::make_pair(rig.view->itemWidth(), rig.view->numberOfVisibleItems()), std::make_pair(0.0, 30));
    rig.view->setFrame({ 0, 0 });
    for (int style = 0; style < carouselTypeCount - 1; ++style) {
        rig.view->setType(carouselTypeFromInteger(style));
        for (auto& item : rig.view->layoutFrame())
            for (double m : item.transform.components())
                ASSERT_TRUE(std::isfinite(m)) << style;
    }
}

TEST(CarouselFading, TimeMachinesFadeAheadOrBehindOthersByTheirOptions)
{
    Rig rig(CarouselType::TimeMachine, 5);
    auto& v = *rig.view;
    for (auto [offset, alpha] : { std::pair { 0.5, 0.5 }, { 1.0, 0.0 }, { -3.0, 1.0 } })
        EXPECT_NEAR(v.alphaForItemWithOffset(offset), alpha, 1e-9) << offset;
    v.setType(CarouselType::InvertedTimeMachine);
    EXPECT_NEAR(v.alphaForItemWithOffset(-0.5), 0.5, 1e-9);
    v.setType(CarouselType::CoverFlow);
    EXPECT_EQ(v.alphaForItemWithOffset(-100) * v.alphaForItemWithOffset(100), 1.0);
    v.setType(CarouselType::Linear);
    rig.options->values = { { CarouselOption::FadeMax, 1 }, { CarouselOption::FadeMin, -1 },
        { CarouselOption::FadeRange, 2 }, { CarouselOption::FadeMinAlpha, 0.25 } };
    EXPECT_NEAR(rig.view->alphaForItemWithOffset(2), 0.625, 1e-12);
    EXPECT_NEAR(rig.view->alphaForItemWithOffset(-4), 0.25, 1e-12);
    // A range of zero or less cuts straight to the minimum instead of dividing by it.
    for (double range : { 0.0, -1.0 }) {
        rig.options->values[CarouselOption::FadeRange] = range;
        EXPECT_EQ((std::pair { rig.view->alphaForItemWithOffset(1.5), rig.view->alphaForItemWithOffset(1.0) }), (std::pair { 0.25, 1.0 }));
    }
}

TEST(CarouselBackFaces, InvertedCylinderAndSingleSidedLayersHideThem)
{
    for (bool doubleSided : { true, false })
        for (auto type : { CarouselType::Cylinder, CarouselType::InvertedCylinder }) {
            Rig rig(type, 0);
            rig.items->count = 10;
            rig.items->doubleSided = doubleSided;
            rig.options->values[CarouselOption::VisibleItems] = 10;
            rig.view->reloadData();
            bool hides = !doubleSided || type == CarouselType::InvertedCylinder;
            int facingAway = 0;
            for (auto& item : rig.view->layoutFrame()) {
                facingAway += item.transform.m33() <= 0;
                EXPECT_EQ(item.hidden, hides && item.transform.m33() <= 0) << item.index;
            }
            EXPECT_GT(facingAway, 0);
        }
}

TEST(CarouselDepthOrder, NearestOnTopAndTiesByDistanceFromCurrent)
{
    Rig ring(CarouselType::Rotary, 10);
    ring.view->setScrollOffset(3);
    auto& frame = ring.view->layoutFrame();
    ASSERT_EQ(frame.size(), 10u);
    for (size_t i = 1; i < frame.size(); ++i) {
        EXPECT_EQ(frame[i].depth, static_cast<int>(i));
        EXPECT_LE(depthKey(frame[i - 1].transform), depthKey(frame[i].transform));
    }
    EXPECT_EQ((std::tuple { frame.back().index, std::abs(frame.front().offset) }), (std::tuple { 3, 5.0 }));

    // A flat strip has one depth: the farther from the current item, the lower.
    // All containers share one centre; only the current one takes touches.
    Rig strip(CarouselType::Linear, 100);
    strip.options->values[CarouselOption::VisibleItems] = 9;
    strip.view->layOutItemViews();
    strip.view->setContentOffset({ 5, -5 });
    strip.view->setScrollOffset(50);
    auto& flat = strip.view->layoutFrame();
    ASSERT_EQ(flat.size(), 9u);
    EXPECT_EQ(flat.back().index, 50);
    for (size_t i = 1; i < flat.size(); ++i) {
        EXPECT_GE(std::abs(flat[i - 1].offset), std::abs(flat[i].offset));
        EXPECT_EQ(flat[i].center, (CarouselPoint { 165, 95 }));
        EXPECT_EQ(flat[i].takesTouches, flat[i].index == 50);
    }
}

TEST(Transform3D, MovesTurnsAndPerspectiveMovePointsByHand)
{
    expectNear(Transform3D::makeTranslation(10, 20, 30).project({ 1, 2, 3 }), 11, 22, 33);
    // A quarter turn about z takes the x axis to the y axis and the y axis to minus x.
    auto quarter = Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1);
    expectNear(quarter.project({ 1, 0, 0 }), 0, 1, 0);
    expectNear(quarter.project({ 0, 1, 0 }), -1, 0, 0);
    // A zero axis is no rotation at all.
    EXPECT_TRUE(Transform3D::makeRotation(1.0, 0, 0, 0).isIdentity());
    // Move first, then turn: (1,0,0) -> (2,0,0) -> (0,2,0); turn first, then move: -> (1,1,0).
    auto move = Transform3D::makeTranslation(1, 0, 0);
    expectNear(move.concatenated(quarter).project({ 1, 0, 0 }), 0, 2, 0);
    expectNear(quarter.concatenated(move).project({ 1, 0, 0 }), 1, 1, 0);
    // In a chain the last step acts first on the item's points.
    expectNear(Transform3D::identity().translated(1, 0, 0).rotated(std::numbers::pi / 2, 0, 0, 1).project({ 1, 0, 0 }), 1, 1, 0);
    auto perspective = Transform3D::makePerspective(-1.0 / 500);
    // w = 1 - z/500: a point 500 behind the plane is drawn at half size, one at z = 0 unchanged.
    EXPECT_NEAR(perspective.apply({ 100, 40, -500 }).w, 2.0, 1e-12);
    expectNear(perspective.project({ 100, 40, -500 }), 50, 20, -250);
    expectNear(perspective.project({ 100, 40, 0 }), 100, 40, 0);
}

TEST(CarouselClamping, EmptyOneItemWrappedAndUnwrapped)
{
    Rig rig(CarouselType::Linear, 0);
    auto& none = *rig.view;
    EXPECT_EQ((std::tuple { none.currentItemIndex(), none.clampedOffset(3.7), none.layoutFrame().size(), none.liveItemViewCount() }),
        (std::tuple { -1, -1.0, size_t(0), 0 }));
    // Items that go away mid-scroll take the scroll with them.
    Rig shrinking(CarouselType::Rotary, 10);
    shrinking.view->scrollToItemAtIndex(4, CarouselAnimation::Animated, 0);
    ASSERT_TRUE(shrinking.view->isScrolling());
    shrinking.items->count = 0;
    shrinking.view->reloadData();
    EXPECT_EQ((std::pair { shrinking.view->isScrolling(), shrinking.view->scrollOffset() }), (std::pair { false, -1.0 }));
    Rig strip(CarouselType::Linear, 10);
    auto& s = *strip.view;
    EXPECT_EQ((std::tuple { s.minScrollDistance(9, 0), s.clampedIndex(12), s.clampedOffset(-0.3), s.clampedOffset(12.5) }),
        (std::tuple { -9, 9, 0.0, 9.0 }));
    Rig one(CarouselType::Linear, 1);
    EXPECT_EQ((std::tuple { one.view->clampedOffset(3), one.view->clampedIndex(-2) }), (std::tuple { 0.0, 0 }));
    Rig ring(CarouselType::Rotary, 1);
    ring.view->setScrollOffset(0.4);
    EXPECT_EQ((std::tuple { ring.view->offsetForItemAtIndex(0), ring.view->clampedOffset(2.5), ring.view->layoutFrame().size() }),
        (std::tuple { -0.4, 0.5, size_t(1) }));
    // Rings wrap.
    Rig ten(CarouselType::Cylinder, 10);
    auto& t = *ten.view;
    EXPECT_EQ((std::tuple { t.offsetForItemAtIndex(9), t.minScrollDistance(9, 0), t.minScrollDistance(0, 9) }), (std::tuple { -1.0, 1, -1 }));
    Rig five(CarouselType::Rotary, 5);
    auto& f = *five.view;
    EXPECT_EQ((std::tuple { f.offsetForItemAtIndex(3), f.minScrollDistance(0, 3), f.clampedIndex(-1), f.clampedOffset(-0.5) }),
        (std::tuple { -2.0, -2, 4, 4.5 }));
    // Half way round an even ring stays ahead; a tie goes the direct way.
    Rig four(CarouselType::Rotary, 4);
    auto& r = *four.view;
    EXPECT_EQ((std::tuple { r.offsetForItemAtIndex(2), r.offsetForItemAtIndex(3), r.minScrollDistance(0, 2), r.minScrollDistance(2, 0) }),
        (std::tuple { 2.0, -1.0, 2, -2 }));
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
    EXPECT_EQ((std::tuple { v.isScrolling(), v.endOffset() }), (std::tuple { true, 2.0 }));
    v.setScrollOffset(2);
    v.layoutFrame();
    v.didTap({ 270, 100 }, 0);
    EXPECT_EQ(v.endOffset(), 3);
    v.setScrollOffset(2);
    v.setCenterItemWhenSelected(false);
    v.didTap({ 270, 100 }, 0);
    EXPECT_EQ((std::pair { v.isScrolling(), rig.options->selected }), (std::pair { false, std::vector<int> { 3, 3 } }));
    // Style 9 puts faded items in front of the current one; they must not catch the tap.
    Rig stack(CarouselType::TimeMachine, 10);
    stack.view->layoutFrame();
    stack.view->didTap({ 160, 100 }, 0);
    EXPECT_EQ(stack.options->selected, (std::vector<int> { 0 }));
    // A declined selection recentres only while autoscrolling.
    Rig declining(CarouselType::Linear, 10);
    declining.options->allowSelection = false;
    declining.view->setScrollOffset(2.3);
    declining.view->layoutFrame();
    declining.view->didTap({ 250, 100 }, 0);
    EXPECT_FALSE(declining.view->isScrolling());
    declining.view->setAutoscroll(0.5);
    declining.view->didTap({ 250, 100 }, 0);
    EXPECT_EQ((std::tuple { declining.view->isScrolling(), declining.view->endOffset(), declining.options->selected.size() }),
        (std::tuple { true, 2.0, size_t(0) }));
}

TEST(CarouselScrolling, AnimatedScrollsAndSettlingFollowTheEaseCurve)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.scrollToItemAtIndex(4, CarouselAnimation::Animated, 10.0);
    for (auto [now, eased] : { std::pair { 10.1, 0.0625 }, { 10.3, 0.9375 } }) {
        v.step(now);
        EXPECT_NEAR(v.scrollOffset(), 4 * eased, 1e-9);
    }
    v.step(10.4);
    EXPECT_EQ((std::tuple { v.scrollOffset(), rig.options->animationsEnded }), (std::tuple { 4.0, 1 }));
    Rig ring(CarouselType::Rotary, 10);
    ring.view->scrollToItemAtIndex(9, CarouselAnimation::Animated, 0);
    EXPECT_EQ(ring.view->endOffset(), -1);
    ring.view->step(0.4);
    EXPECT_EQ(ring.view->scrollOffset(), 9);
    // Settling from layout starts at the first step.
    Rig settling(CarouselType::Linear, 10);
    settling.view->setScrollOffset(2.4);
    settling.view->setFrame({ 320, 200 });
    ASSERT_TRUE(settling.view->isScrolling());
    for (auto [now, offset] : { std::pair { 1000.0, 2.4 }, { 1000.2, 2.2 } }) {
        settling.view->step(now);
        EXPECT_NEAR(settling.view->scrollOffset(), offset, 1e-9);
    }
}

TEST(CarouselDeceleration, ThresholdsAreExclusiveAndFlicksEndOnItemBoundariesWithinBounds)
{
    auto view = CarouselView::create({ 320, 200 });
    EXPECT_EQ((std::tuple { view->shouldDecelerateWithVelocity(1.5), view->shouldDecelerateWithVelocity(-2.0),
                  view->shouldDecelerateWithVelocity(2.0001) }),
        (std::tuple { false, false, true }));
    view->setDecelerationRate(0.5);
    EXPECT_EQ(view->decelerationDistanceForVelocity(3), 0.1);
    EXPECT_EQ((std::tuple { view->shouldDecelerateWithVelocity(3), view->shouldDecelerateWithVelocity(3.01) }), (std::tuple { false, true }));
    // Rates of 1 or more would never stop; they act as the slowest finite rate.
    view->setDecelerationRate(CarouselView::maxDecelerationRate);
    double slowest = view->decelerationDistanceForVelocity(6);
    for (double rate : { 1.0, 1.5 }) {
        view->setDecelerationRate(rate);
        EXPECT_EQ(view->decelerationDistanceForVelocity(6), slowest);
    }
    // A flick ends on an item boundary.
    Rig rig(CarouselType::Linear, 20);
    auto& v = *rig.view;
    EXPECT_EQ(flick(v, 2.3, 6), 5);
    v.step(0.9 + 1e-9);
    EXPECT_EQ((std::tuple { v.scrollOffset(), rig.options->decelerationsEnded }), (std::tuple { 5.0, 1 }));
    // Past the end by at most the bounce distance, then back to the last item.
    EXPECT_EQ(flick(v, 18.5, 30), 20);
    v.step(1);
    EXPECT_EQ(v.endOffset(), 19);
    v.setBounces(false);
    EXPECT_EQ(flick(v, 1.5, -30), 0);
    v.setPagingEnabled(true);
    EXPECT_EQ(flick(v, 2.3, 30), 3);
    flick(v, 3, 30);
    EXPECT_FALSE(v.isDecelerating());
    // A ring has no ends: the flick runs on and comes to rest on the ring.
    Rig ring(CarouselType::Rotary, 10);
    EXPECT_EQ(flick(*ring.view, 8.3, 6), 11);
    ring.view->step(5);
    EXPECT_EQ(ring.view->scrollOffset(), 1);
    // A drag across is ignored; a slow drag settles.
    Rig drag(CarouselType::Linear, 10);
    drag.view->beginDrag(0);
    drag.view->dragTo({ 5, 40 }, 0.05);
    EXPECT_EQ(drag.view->scrollOffset(), 0);
    drag.view->dragTo({ -30, 0 }, 0.1);
    EXPECT_NEAR(drag.view->scrollOffset(), 0.3, 1e-12);
    drag.view->endDrag({ -150, 0 }, 0.2);
    EXPECT_EQ((std::tuple { drag.view->isDecelerating(), drag.view->endOffset() }), (std::tuple { false, 0.0 }));
}
