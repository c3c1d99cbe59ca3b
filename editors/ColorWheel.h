#pragma once

#include "editors/ColorWheelDelegate.h"
#include "ui/View.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quindle {

/// A hue/saturation disc at one brightness: the angle around the centre is the hue, the
/// distance from it the saturation. A ring cursor marks the colour picked.
class ColorWheel : public View {
public:
    static constexpr float defaultCursorRadius = 8.0f;
    /// The largest hue, 1 - 2^-23, so that the colour sector never reaches 6.
    static constexpr float maximumHue = 0.99999988f;

    /// The rendered disc: a square raster of `dim` x `dim` pixels, 3 bytes each (red, green,
    /// blue), rows of exactly `dim` * 3 bytes. Row 0 holds image y = 0, the bottom of the disc.
    struct RadialImage {
        int dim { 0 };
        std::shared_ptr<const std::vector<uint8_t>> pixels;
    };

    static std::shared_ptr<ColorWheel> create(Rect frame = {});

    float radius() const { return m_radius; }
    float cursorRadius() const { return m_cursorRadius; }
    void setCursorRadius(float radius) { update(m_cursorRadius, radius, ChangeKind::Appearance); }
    /// The cursor, in view coordinates.
    Point touchPoint() const { return m_touchPoint; }
    /// Moves the cursor; a point off the disc goes to the rim in its direction.
    void setTouchPoint(Point point);
    float brightness() const { return m_brightness; }
    /// Takes effect on the next updateImage.
    void setBrightness(float brightness) { m_brightness = brightness; }
    bool continuous() const { return m_continuous; }
    void setContinuous(bool continuous) { m_continuous = continuous; }
    std::shared_ptr<ColorWheelDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ColorWheelDelegate> delegate) { m_delegate = std::move(delegate); }
    const RadialImage& radialImage() const { return m_radialImage; }

    /// The packed colour (red bits 0-7, green 8-15, blue 16-23) at an image-space point.
    uint32_t colorAtPoint(Point point) const { return colorAtPoint(point, m_radius, m_brightness); }
    static uint32_t colorAtPoint(Point point, float radius, float brightness);
    /// A view point in image space, whose y grows upward.
    Point viewToImageSpace(Point point) const;
    /// The colour under the cursor, opaque. There is no setter: only touches move the cursor.
    Colour currentColor() const;

    /// The radius follows the frame; the disc is rendered again.
    void layoutSubviews() override;
    /// Renders the disc at the current radius and brightness and asks for a redraw.
    void updateImage();
    /// The raster for a radius and brightness, equal pixel for pixel to colorAtPoint; written
    /// into `spare` when it has the size.
    static RadialImage renderRadialImage(float radius, float brightness, std::shared_ptr<std::vector<uint8_t>> spare = {});

    bool tracksTouches() const override { return true; }

protected:
    void touchesBegan(Point location) override;
    void touchesMoved(Point location) override;
    void touchesEnded(Point location) override;

private:
    explicit ColorWheel(Rect frame);
    void follow(Point location);
    Point centre() const;

    float m_radius { 0 };
    float m_cursorRadius { defaultCursorRadius };
    Point m_touchPoint;
    float m_brightness { 1.0f };
    bool m_continuous { false };
    std::weak_ptr<ColorWheelDelegate> m_delegate;
    RadialImage m_radialImage;
};

} // namespace quindle
