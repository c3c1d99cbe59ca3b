#include "carousel/Transform3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quindle;

namespace {

void expectNear(const Vector3& actual, double x, double y, double z)
{
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
    EXPECT_NEAR(actual.z, z, 1e-9);
}

} // namespace

TEST(Transform3D, TranslationAndRotationMovePointsByHand)
{
    expectNear(Transform3D::makeTranslation(10, 20, 30).project({ 1, 2, 3 }), 11, 22, 33);
    // A quarter turn about z takes the x axis to the y axis and the y axis to minus x.
    auto quarter = Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1);
    expectNear(quarter.project({ 1, 0, 0 }), 0, 1, 0);
    expectNear(quarter.project({ 0, 1, 0 }), -1, 0, 0);
    // A zero axis is no rotation at all.
    EXPECT_TRUE(Transform3D::makeRotation(1.0, 0, 0, 0).isIdentity());
}

TEST(Transform3D, ConcatenationOrderAndChains)
{
    auto move = Transform3D::makeTranslation(1, 0, 0);
    auto turn = Transform3D::makeRotation(std::numbers::pi / 2, 0, 0, 1);
    // Move first, then turn: (1,0,0) -> (2,0,0) -> (0,2,0).
    expectNear(move.concatenated(turn).project({ 1, 0, 0 }), 0, 2, 0);
    // Turn first, then move: (1,0,0) -> (0,1,0) -> (1,1,0).
    expectNear(turn.concatenated(move).project({ 1, 0, 0 }), 1, 1, 0);
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
