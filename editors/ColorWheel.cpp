#include "editors/ColorWheel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quindle {

namespace {

constexpr double pi = std::numbers::pi;

/// The hue of an angle from atan2(dx, dy): the sum is kept in single precision, then the quotient.
float hueOfSum(float sum)
{
    float hue = static_cast<float>(static_cast<double>(sum) / (2 * pi));
    return std::clamp(hue, 0.0f, ColorWheel::maximumHue);
}

float saturationOf(double squaredDistance, float radius)
{
    float saturation = std::sqrt(static_cast<float>(squaredDistance)) / radius;
    // At the centre of an unlaid wheel 0/0 gives no number: no saturation there.
    if (!(saturation >= 0.0f))
        return 0.0f;
    return std::min(saturation, 1.0f);
}

/// HSV to packed RGB, all in single precision, components truncated toward zero.
uint32_t packedColour(float h, float s, float v)
{
    float i = std::floor(6 * h);
    float f = 6 * h - i;
    float p = v * (1 - s);
    float q = v * (1 - f * s);
    float t = v * (1 - (1 - f) * s);
    float r, g, b;
    switch (static_cast<int>(i)) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    auto byte = [](float component) { return static_cast<uint32_t>(static_cast<int>(component * 255)); };
    return (byte(r) | byte(g) << 8 | byte(b) << 16) & 0xFFFFFFu;
}

// The raster spends its time in the arctangent. A series close to it decides the hue's
// single-precision sum whenever the sum cannot round either way within the series' error;
// only the rare pixels near a rounding edge fall back to the library's atan2, so the raster
// matches colorAtPoint bit for bit.

/// Bound on |series - atan2|, far above the series' own error (about 1e-13).
constexpr double seriesError = 1e-11;
constexpr double tan15 = 0.26794919243112270; // tan(pi / 12)
constexpr double invSqrt3 = 0.57735026918962576;

/// atan(u) for |u| <= tan(pi / 12), by its Taylor series to u^21.
double atanSmall(double u)
{
    double u2 = u * u;
    double sum = 1.0 / 21;
    for (int k = 19; k >= 1; k -= 2)
        sum = 1.0 / k - u2 * sum;
    return u * sum;
}

/// atan2(y, x) for finite non-zero x and y, within seriesError.
double approximateAtan2(double y, double x)
{
    double ay = std::fabs(y), ax = std::fabs(x);
    bool steep = ay > ax;
    double t = steep ? ax / ay : ay / ax;
    double angle = t > tan15 ? pi / 6 + atanSmall((t - invSqrt3) / (1 + t * invSqrt3)) : atanSmall(t);
    if (steep)
        angle = pi / 2 - angle;
    if (x < 0)
        angle = pi - angle;
    return y < 0 ? -angle : angle;
}

/// The single-precision sum atan2(dx, dy) + pi, exactly as the plain formula rounds it.
float angleSum(double dx, double dy)
{
    if (dx != 0 && dy != 0) {
        double approximate = approximateAtan2(dx, dy);
        float low = static_cast<float>((approximate - seriesError) + pi);
        float high = static_cast<float>((approximate + seriesError) + pi);
        if (low == high)
            return low;
    }
    return static_cast<float>(std::atan2(dx, dy) + pi);
}

} // namespace

std::shared_ptr<ColorWheel> ColorWheel::create(Rect frame)
{
    auto wheel = std::shared_ptr<ColorWheel>(new ColorWheel(frame));
    if (!frame.isEmpty())
        wheel->layoutSubviews();
    return wheel;
}

ColorWheel::ColorWheel(Rect frame)
    : View(frame)
    , m_touchPoint { frame.width / 2, frame.height / 2 }
{
    setBackgroundColour({ 0, 0, 0, 0 });
}

uint32_t ColorWheel::colorAtPoint(Point point, float radius, float brightness)
{
    double dx = point.x - radius;
    double dy = point.y - radius;
    float sum = static_cast<float>(std::atan2(dx, dy) + pi);
    return packedColour(hueOfSum(sum), saturationOf(dx * dx + dy * dy, radius), brightness);
}

Point ColorWheel::centre() const
{
    double width = std::trunc(frame().width), height = std::trunc(frame().height);
    return { width * 0.5, height * 0.5 };
}

Point ColorWheel::viewToImageSpace(Point point) const
{
    auto width = static_cast<long>(frame().width), height = static_cast<long>(frame().height);
    return { point.x - static_cast<double>(width / 2 - m_radius), static_cast<double>(height) - point.y - static_cast<double>(height / 2 - m_radius) };
}

Colour ColorWheel::currentColor() const
{
    uint32_t packed = colorAtPoint(viewToImageSpace(m_touchPoint));
    return { (packed & 0xFF) / 255.0, (packed >> 8 & 0xFF) / 255.0, (packed >> 16 & 0xFF) / 255.0, 1.0 };
}

void ColorWheel::setTouchPoint(Point point)
{
    Point c = centre();
    auto ox = static_cast<float>(point.x - c.x), oy = static_cast<float>(point.y - c.y);
    float distance = std::sqrt(ox * ox + oy * oy);
    Point placed = point;
    if (!(distance < m_radius))
        placed = distance > 0 ? Point { c.x + m_radius * (point.x - c.x) / distance, c.y + m_radius * (point.y - c.y) / distance } : c;
    update(m_touchPoint, placed, ChangeKind::Value);
}

void ColorWheel::layoutSubviews()
{
    m_radius = static_cast<float>(std::min(frame().width, frame().height) * 0.5 - 1.0);
    updateImage();
}

void ColorWheel::updateImage()
{
    m_radialImage = renderRadialImage(m_radius, m_brightness);
    notify(ChangeKind::Content);
}

ColorWheel::RadialImage ColorWheel::renderRadialImage(float radius, float brightness)
{
    RadialImage image;
    image.dim = radius > 0 ? static_cast<int>(2 * radius) : 0;
    const auto dim = static_cast<size_t>(image.dim);
    auto pixels = std::make_shared<std::vector<uint8_t>>(dim * dim * 3);
    // What depends on the column alone is worked out once.
    std::vector<double> dxs(dim), dxSquares(dim);
    for (size_t x = 0; x < dim; ++x) {
        dxs[x] = static_cast<double>(x) - radius;
        dxSquares[x] = dxs[x] * dxs[x];
    }
    uint8_t* out = pixels->data();
    for (size_t y = 0; y < dim; ++y) {
        double dy = static_cast<double>(y) - radius;
        double dySquare = dy * dy;
        for (size_t x = 0; x < dim; ++x) {
            uint32_t packed = packedColour(hueOfSum(angleSum(dxs[x], dy)), saturationOf(dxSquares[x] + dySquare, radius), brightness);
            out[0] = static_cast<uint8_t>(packed);
            out[1] = static_cast<uint8_t>(packed >> 8);
            out[2] = static_cast<uint8_t>(packed >> 16);
            out += 3;
        }
    }
    image.pixels = std::move(pixels);
    return image;
}

void ColorWheel::follow(Point location)
{
    setTouchPoint(location);
    notify(ChangeKind::Appearance);
    if (m_continuous)
        if (auto listener = delegate())
            listener->colorWheelDidChangeColor(*this);
}

void ColorWheel::touchesBegan(Point location) { follow(location); }

void ColorWheel::touchesMoved(Point location) { follow(location); }

void ColorWheel::touchesEnded(Point)
{
    if (auto listener = delegate())
        listener->colorWheelDidFinishChangingColor();
}

} // namespace quindle
