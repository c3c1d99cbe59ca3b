#include "CarouselTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quindle;
using namespace quindle::testing;

namespace {

constexpr double pi = std::numbers::pi;

/// Where the item's centre lands before the perspective divide.
Vector4 centre(CarouselView& view, double offset) { return view.transformForItemViewWithOffset(offset).apply({ 0, 0, 0 }); }

double depthKey(const Transform3D& t) { return t.m13() + t.m23() + t.m33() + t.m43(); }

void expectNear(const Vector3& actual, double x, double y, double z)
{
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
    EXPECT_NEAR(actual.z, z, 1e-9);
}

} // namespace

TEST(CarouselGeometry, WrapAndOffsetMultiplierDefaultPerStyle)
{
    for (int style = 0; style < carouselTypeCount; ++style) {
        Rig rig(carouselTypeFromInteger(style), 20, Rig::Delegate::None);
        EXPECT_EQ(rig.view->wrapEnabled(), style >= 1 && style <= 6) << style;
        EXPECT_EQ(rig.view->offsetMultiplier(), style == 7 || style == 8 ? 2.0 : 1.0) << style;
    }
}

TEST(CarouselGeometry, LinearMovesAlongTheAxisFromTheViewpoint)
{
    Rig rig(CarouselType::Linear, 10);
    auto& v = *rig.view;
    v.setViewpointOffset({ 10, 20 });
    auto t = v.transformForItemViewWithOffset(2);
    EXPECT_DOUBLE_EQ(t.m41(), 190);
    EXPECT_DOUBLE_EQ(t.m34(), -0.002);
    v.setVertical(true);
    EXPECT_DOUBLE_EQ(v.transformForItemViewWithOffset(2).m42(), 180);
}

TEST(CarouselGeometry, RotaryRadiusOfThreeItemsIsHalfAWidth)
{
    Rig rig(CarouselType::Rotary, 3);
    ASSERT_EQ(rig.view->circularCarouselItemCount(), 3);
    // r = max(50, 50 / tan(pi/3)) = 50; one item on is a third of the way round.
    EXPECT_NEAR(centre(*rig.view, 1).x, 50 * std::sin(2 * pi / 3), 1e-9);
    EXPECT_NEAR(centre(*rig.view, 1).z, -75, 1e-9);
    rig.view->setType(CarouselType::InvertedRotary);
    EXPECT_NEAR(centre(*rig.view, 1).z, 75, 1e-9);
}

TEST(CarouselGeometry, CylinderAndWheelTurnAboutTheirAxes)
{
    Rig rig(CarouselType::Cylinder, 10);
    double r = 50 / std::tan(pi / 10);
    EXPECT_NEAR(centre(*rig.view, 1).x, (r + 0.01) * std::sin(pi / 5), 1e-9);
    EXPECT_NEAR(centre(*rig.view, 1).z, (r + 0.01) * std::cos(pi / 5) - r, 1e-9);
    rig.view->setType(CarouselType::Wheel);
    r = 10 * 100 / (2 * pi);
    auto p = centre(*rig.view, 1);
    EXPECT_NEAR(p.x, r * std::sin(pi / 5), 1e-9);
    EXPECT_NEAR(p.y, r - r * std::cos(pi / 5), 1e-9);
    EXPECT_NEAR(p.z, 0.01, 1e-12);
}

TEST(CarouselGeometry, CoverFlowsAndTimeMachines)
{
    Rig rig(CarouselType::CoverFlow, 10);
    auto& v = *rig.view;
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
}

TEST(CarouselGeometry, CustomStyleAsksTheDelegateAndIsFlatWithoutOne)
{
    Rig bare(CarouselType::Custom, 5, Rig::Delegate::None);
    for (auto& item : bare.view->layoutFrame())
        EXPECT_EQ(item.transform, Transform3D::zero());
    Rig rig(CarouselType::Custom, 5);
    rig.options->custom = [](double o, const Transform3D& base) { return base.translated(o * 7, 0, 0); };
    EXPECT_DOUBLE_EQ(rig.view->transformForItemViewWithOffset(2).m41(), 14);
}

TEST(CarouselGeometry, VisibleCountsPerStyleAndTheirLimits)
{
    // 320 points across, items 100 wide, 100 items.
    int expected[carouselTypeCount] = { 6, 12, 6, 12, 6, 7, 7, 15, 15, 30, 30, 30 };
    for (int style = 0; style < carouselTypeCount; ++style)
        EXPECT_EQ(Rig(carouselTypeFromInteger(style), 100).view->numberOfVisibleItems(), expected[style]) << style;
    EXPECT_EQ(Rig(CarouselType::Rotary, 0).view->numberOfVisibleItems(), 0);
    Rig rig(CarouselType::Linear, 8);
    rig.set(CarouselOption::VisibleItems, 50);
    EXPECT_EQ(rig.view->numberOfVisibleItems(), 8);
}

TEST(CarouselGeometry, ZeroWidthsStayFinite)
{
    Rig rig(CarouselType::Rotary, 0);
    rig.items->size = 0;
    rig.items->count = 40;
    rig.view->reloadData();
    ASSERT_EQ(rig.view->itemWidth(), 0);
    EXPECT_EQ(rig.view->numberOfVisibleItems(), 30);
    rig.view->setFrame({ 0, 0 });
    for (int style = 0; style < carouselTypeCount - 1; ++style) {
        rig.view->setType(carouselTypeFromInteger(style));
        for (auto& item : rig.view->layoutFrame())
            for (double m : item.transform.components())
                ASSERT_TRUE(std::isfinite(m)) << style;
    }
}

TEST(CarouselFading, TimeMachinesFadeAheadOrBehindOthersDoNot)
{
    Rig rig(CarouselType::TimeMachine, 5);
    auto& v = *rig.view;
    EXPECT_NEAR(v.alphaForItemWithOffset(0.5), 0.5, 1e-9);
    EXPECT_NEAR(v.alphaForItemWithOffset(1.0), 0.0, 1e-9);
    EXPECT_NEAR(v.alphaForItemWithOffset(-3), 1.0, 1e-9);
    v.setType(CarouselType::InvertedTimeMachine);
    EXPECT_NEAR(v.alphaForItemWithOffset(-0.5), 0.5, 1e-9);
    v.setType(CarouselType::CoverFlow);
    EXPECT_EQ(v.alphaForItemWithOffset(-100) * v.alphaForItemWithOffset(100), 1.0);
}

TEST(CarouselFading, RangeAndMinimumAlphaFromOptions)
{
    Rig rig(CarouselType::Linear, 5);
    rig.options->values = { { CarouselOption::FadeMax, 1 }, { CarouselOption::FadeMin, -1 },
        { CarouselOption::FadeRange, 2 }, { CarouselOption::FadeMinAlpha, 0.25 } };
    EXPECT_NEAR(rig.view->alphaForItemWithOffset(2), 0.625, 1e-12);
    EXPECT_NEAR(rig.view->alphaForItemWithOffset(-4), 0.25, 1e-12);
    // A range of zero or less cuts straight to the minimum instead of dividing by it.
    for (double range : { 0.0, -1.0 }) {
        rig.options->values[CarouselOption::FadeRange] = range;
        EXPECT_EQ(rig.view->alphaForItemWithOffset(1.5), 0.25);
        EXPECT_EQ(rig.view->alphaForItemWithOffset(1.0), 1.0);
    }
}

TEST(CarouselBackFaces, InvertedCylinderAndSingleSidedLayersHideThem)
{
    for (bool doubleSided : { true, false }) {
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
    EXPECT_EQ(frame.back().index, 3);
    EXPECT_EQ(std::abs(frame.front().offset), 5);

    // A flat strip has one depth: the farther from the current item, the lower.
    // All containers share one centre; only the current one takes touches.
    Rig strip(CarouselType::Linear, 100);
    strip.set(CarouselOption::VisibleItems, 9);
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

TEST(Transform3D, TranslationRotationAndTheirOrderMovePointsByHand)
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
}

TEST(Transform3D, PerspectiveDividesByDepth)
{
    auto perspective = Transform3D::makePerspective(-1.0 / 500);
    EXPECT_DOUBLE_EQ(perspective.m34(), -1.0 / 500);
    // w = 1 - z/500: a point 500 behind the plane is drawn at half size, one at z = 0 unchanged.
    auto far = perspective.apply({ 100, 40, -500 });
    EXPECT_NEAR(far.w, 2.0, 1e-12);
    expectNear(perspective.project({ 100, 40, -500 }), 50, 20, -250);
    expectNear(perspective.project({ 100, 40, 0 }), 100, 40, 0);
}
