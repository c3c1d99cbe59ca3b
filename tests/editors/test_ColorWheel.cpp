#include "editors/ColorWheel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace quindle {
namespace {

struct RGB {
    int red, green, blue;
    bool operator==(const RGB&) const = default;
};

RGB unpack(uint32_t packed) { return { int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF) }; }

std::ostream& operator<<(std::ostream& out, const RGB& c) { return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")"; }

class RecordingDelegate : public ColorWheelDelegate {
public:
    void colorWheelDidChangeColor(ColorWheel&) override { ++changes; }
    void colorWheelDidFinishChangingColor() override { ++finishes; }
    int changes = 0, finishes = 0;
};

TEST(ColorWheel, ColoursAtTheCentreAndOnTheRim)
{
    const float r = 99;
    struct Case { const char* where; Point image; float brightness; RGB expected; };
    const Case cases[] = {
        { "centre", { r, r }, 1.0f, { 255, 255, 255 } },
        { "centre at half brightness", { r, r }, 0.5f, { 127, 127, 127 } },
        { "top, hue 0.5", { r, 2 * r }, 1.0f, { 0, 255, 255 } },
        { "right, hue 0.75", { 2 * r, r }, 1.0f, { 127, 0, 255 } },
        { "left, hue 0.25", { 0, r }, 1.0f, { 127, 255, 0 } },
        { "bottom, hue clamped below 1", { r, 0 }, 1.0f, { 255, 0, 0 } },
        { "beyond the rim, full saturation", { 3 * r, r }, 1.0f, { 127, 0, 255 } },
        { "black at brightness 0", { 2 * r, r }, 0.0f, { 0, 0, 0 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(unpack(ColorWheel::colorAtPoint(c.image, r, c.brightness)), c.expected) << c.where;
    EXPECT_EQ(ColorWheel::colorAtPoint({ r, r }, r, 1.0f) & ~0xFFFFFFu, 0u);
}

TEST(ColorWheel, FrameSetsRadiusAndRasterSize)
{
    const struct { Rect frame; float radius; int dim; } cases[] = {
        { { 0, 0, 200, 300 }, 99, 198 },
        { { 0, 0, 300, 200 }, 99, 198 },
        { { 0, 0, 201, 201 }, 99.5f, 199 },
        { { 0, 0, 2, 2 }, 0, 0 },
    };
    for (const auto& c : cases) {
        auto wheel = ColorWheel::create(c.frame);
        EXPECT_EQ(wheel->radius(), c.radius);
        EXPECT_EQ(wheel->radialImage().dim, c.dim);
        ASSERT_TRUE(wheel->radialImage().pixels);
        EXPECT_EQ(wheel->radialImage().pixels->size(), size_t(c.dim) * c.dim * 3);
    }
    EXPECT_EQ(ColorWheel::create()->radius(), 0.0f); // nothing laid out yet
}

// The raster takes shortcuts; every pixel must still be the plain colour function's, byte by
// byte in red, green, blue order, row y holding image y.
TEST(ColorWheel, RasterEqualsThePlainColourFunction)
{
    for (float radius : { 99.0f, 99.5f, 149.0f, 299.0f, 37.25f }) {
        for (float brightness : { 1.0f, 0.5f, 0.37f }) {
            auto image = ColorWheel::renderRadialImage(radius, brightness);
            ASSERT_EQ(image.dim, int(2 * radius));
            const auto& pixels = *image.pixels;
            size_t mismatches = 0;
            for (int y = 0; y < image.dim; ++y) {
                for (int x = 0; x < image.dim; ++x) {
                    uint32_t expected = ColorWheel::colorAtPoint({ double(x), double(y) }, radius, brightness);
                    size_t at = (size_t(y) * image.dim + x) * 3;
                    uint32_t got = pixels[at] | pixels[at + 1] << 8 | pixels[at + 2] << 16;
                    if (got != expected && mismatches++ < 5)
                        ADD_FAILURE() << "radius " << radius << " brightness " << brightness << " at (" << x << ", " << y << "): " << unpack(got)
                                      << " instead of " << unpack(expected);
                }
            }
            EXPECT_EQ(mismatches, 0u) << "radius " << radius << " brightness " << brightness;
        }
    }
}

TEST(ColorWheel, ViewPointsMapToImageSpaceWithYUpward)
{
    auto wheel = ColorWheel::create({ 0, 0, 200, 300 }); // radius 99, disc centred at view (100, 150)
    const struct { Point view; Point image; } cases[] = {
        { { 100, 150 }, { 99, 99 } },
        { { 150, 150 }, { 149, 99 } },
        { { 100, 100 }, { 99, 149 } }, // up on screen is up in the image
        { { 1, 249 }, { 0, 0 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(wheel->viewToImageSpace(c.view), c.image) << c.view.x << "," << c.view.y;

    // What the cursor shows is the colour at its image point, as the raster holds it.
    for (Point p : { Point { 100, 150 }, Point { 160, 150 }, Point { 100, 90 }, Point { 40, 200 } }) {
        wheel->setTouchPoint(p);
        Point image = wheel->viewToImageSpace(wheel->touchPoint());
        RGB expected = unpack(wheel->colorAtPoint(image));
        const auto& pixels = *wheel->radialImage().pixels;
        size_t at = (size_t(image.y) * wheel->radialImage().dim + size_t(image.x)) * 3;
        EXPECT_EQ((RGB { pixels[at], pixels[at + 1], pixels[at + 2] }), expected);
        Colour shown = wheel->currentColor();
        EXPECT_EQ((RGB { int(std::lround(shown.red * 255)), int(std::lround(shown.green * 255)), int(std::lround(shown.blue * 255)) }), expected);
        EXPECT_EQ(shown.alpha, 1.0);
    }
}

TEST(ColorWheel, CursorStaysOnTheDisc)
{
    auto wheel = ColorWheel::create({ 0, 0, 200, 300 });
    EXPECT_EQ(wheel->touchPoint(), (Point { 100, 150 }));
    EXPECT_EQ(unpack(wheel->colorAtPoint(wheel->viewToImageSpace(wheel->touchPoint()))), (RGB { 255, 255, 255 }));
    const struct { Point touch; Point placed; } cases[] = {
        { { 120, 170 }, { 120, 170 } },            // inside: taken as it is
        { { 400, 150 }, { 199, 150 } },            // right, far out: on the rim to the right
        { { 100, 0 }, { 100, 51 } },               // above: on the top of the rim
        { { 200, 250 }, { 100 + 99 / std::sqrt(2.0), 150 + 99 / std::sqrt(2.0) } },
    };
    for (const auto& c : cases) {
        wheel->setTouchPoint(c.touch);
        EXPECT_NEAR(wheel->touchPoint().x, c.placed.x, 1e-4);
        EXPECT_NEAR(wheel->touchPoint().y, c.placed.y, 1e-4);
    }
    wheel->setTouchPoint({ 400, 150 });
    EXPECT_EQ(unpack(wheel->colorAtPoint(wheel->viewToImageSpace(wheel->touchPoint()))), (RGB { 127, 0, 255 }));
}

TEST(ColorWheel, DragReportsChangesOnlyWhenContinuous)
{
    for (bool continuous : { false, true }) {
        auto wheel = ColorWheel::create({ 0, 0, 200, 200 });
        auto delegate = std::make_shared<RecordingDelegate>();
        wheel->setDelegate(delegate);
        wheel->setContinuous(continuous);
        EXPECT_TRUE(wheel->beginTouch({ 120, 100 }));
        EXPECT_TRUE(wheel->moveTouch({ 150, 100 }));
        EXPECT_EQ(wheel->touchPoint(), (Point { 150, 100 }));
        EXPECT_TRUE(wheel->moveTouch({ 500, 100 }));
        EXPECT_EQ(wheel->touchPoint(), (Point { 199, 100 }));
        EXPECT_TRUE(wheel->endTouch({ 500, 100 }));
        EXPECT_EQ(delegate->changes, continuous ? 3 : 0);
        EXPECT_EQ(delegate->finishes, 1);
    }
    auto plain = View::create({ 0, 0, 10, 10 });
    EXPECT_FALSE(plain->beginTouch({ 5, 5 })); // ordinary views track no touches
}

} // namespace
} // namespace quindle
