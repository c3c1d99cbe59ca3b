#include "editors/ColorWheel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quindle {

namespace {

constexpr double pi = std::numbers::pi;

/// The hue of an angle from atan2(dx, dy): the sum is kept in single precision, then the quotient.
[[gnu::always_inline]] inline float hueOfSum(float sum)
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
[[gnu::always_inline]] inline uint32_t packedColour(float h, float s, float v)
{
    // h is never negative, so truncation is the floor.
    int sector = static_cast<int>(6 * h);
    float f = 6 * h - static_cast<float>(sector);
    float p = v * (1 - s);
    float q = v * (1 - f * s);
    float t = v * (1 - (1 - f) * s);
    // Which of v, q, p, t each component takes in each sector; the table keeps the hot loop
    // free of a branch per pixel.
    static constexpr uint8_t redOf[6] = { 0, 1, 2, 2, 3, 0 }, greenOf[6] = { 3, 0, 0, 1, 2, 2 }, blueOf[6] = { 2, 2, 3, 0, 0, 1 };
    const float values[4] = { v, q, p, t };
    sector = std::min(sector, 5);
    float r = values[redOf[sector]], g = values[greenOf[sector]], b = values[blueOf[sector]];
    auto byte = [](float component) { return static_cast<uint32_t>(static_cast<int>(component * 255)); };
    return (byte(r) | byte(g) << 8 | byte(b) << 16) & 0xFFFFFFu;
}

// The raster spends its time in the arctangent. A series close to it decides the hue's
// single-precision sum whenever the sum cannot round either way within the series' error;
// only the rare pixels near a rounding edge fall back to the library's atan2, so the raster
// matches colorAtPoint bit for bit.

/// Bound on |series - atan2|, far above the series' own error (below 2e-11); about one pixel
/// in a hundred lies this close to a rounding edge.
constexpr double seriesError = 1e-9;
constexpr double tan15 = 0.26794919243112270; // tan(pi / 12)
constexpr double invSqrt3 = 0.57735026918962576;

/// atan(u) for |u| <= tan(pi / 12), by its Taylor series to u^15.
double atanSmall(double u)
{
    static constexpr double coefficients[] = { -1.0 / 15, 1.0 / 13, -1.0 / 11, 1.0 / 9, -1.0 / 7, 1.0 / 5, -1.0 / 3, 1.0 };
    double u2 = u * u;
    double sum = 0;
    for (double c : coefficients)
        sum = sum * u2 + c;
    return u * sum;
}

/// atan2(a, b) for positive a and b (the angle in the first quadrant), within seriesError.
double approximateQuadrantAngle(double a, double b)
{
    bool steep = a > b;
    double t = steep ? b / a : a / b;
    double angle = t > tan15 ? pi / 6 + atanSmall((t - invSqrt3) / (1 + t * invSqrt3)) : atanSmall(t);
    return steep ? pi / 2 - angle : angle;
}

/// The single-precision sum atan2(dx, dy) + pi, given the first-quadrant angle of |dx|, |dy|
/// within seriesError (NaN when either is 0), exactly as the plain formula rounds it.
[[gnu::always_inline]] inline float angleSum(double dx, double dy, double quadrantAngle)
{
    if (!std::isnan(quadrantAngle)) {
        double angle = dy < 0 ? pi - quadrantAngle : quadrantAngle;
        if (dx < 0)
            angle = -angle;
        float low = static_cast<float>((angle - seriesError) + pi);
        float high = static_cast<float>((angle + seriesError) + pi);
        if (low == high)
            return low;
    }
    return static_cast<float>(std::atan2(dx, dy) + pi);
}

double quadrantAngle(double dx, double dy)
{
    return dx != 0 && dy != 0 ? approximateQuadrantAngle(std::fabs(dx), std::fabs(dy)) : std::numeric_limits<double>::quiet_NaN();
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
    // A raster nobody else holds any more is written over instead of allocating another.
    std::shared_ptr<std::vector<uint8_t>> spare;
    if (m_radialImage.pixels.use_count() == 1)
        spare = std::const_pointer_cast<std::vector<uint8_t>>(std::move(m_radialImage.pixels));
    m_radialImage = renderRadialImage(m_radius, m_brightness, std::move(spare));
    notify(ChangeKind::Content);
}

ColorWheel::RadialImage ColorWheel::renderRadialImage(float radius, float brightness, std::shared_ptr<std::vector<uint8_t>> spare)
{
    RadialImage image;
    image.dim = radius > 0 ? static_cast<int>(2 * radius) : 0;
    const auto dim = static_cast<size_t>(image.dim);
    auto pixels = spare && spare->size() == dim * dim * 3 ? std::move(spare) : std::make_shared<std::vector<uint8_t>>(dim * dim * 3);
    std::vector<double> dxs(dim);
    for (size_t x = 0; x < dim; ++x)
        dxs[x] = static_cast<double>(x) - radius;

    // With the centre on a whole or half pixel, the offsets from it repeat with either sign and
    // in either axis, so the angle and saturation of |dx|, |dy| are worked out once for up to
    // eight pixels. Any other radius works them out for every pixel.
    const bool symmetric = dim > 0 && 2.0 * radius == std::floor(2.0 * radius);
    const size_t side = symmetric ? static_cast<size_t>(std::floor(radius)) + 1 : 0;
    std::vector<double> angles(side * side);
    std::vector<float> saturations(side * side);
    std::vector<size_t> index(dim);
    if (symmetric) {
        const double fraction = radius - std::floor(radius);
        for (size_t x = 0; x < dim; ++x)
            index[x] = static_cast<size_t>(std::fabs(dxs[x]));
        for (size_t j = 0; j < side; ++j) {
            for (size_t i = 0; i <= j; ++i) {
                double a = static_cast<double>(i) + fraction, b = static_cast<double>(j) + fraction;
                double angle = quadrantAngle(a, b);
                // Swapping the axes turns the angle about pi/4, as the series itself computes it.
                angles[j * side + i] = angle;
                angles[i * side + j] = std::isnan(angle) ? angle : pi / 2 - angle;
                saturations[j * side + i] = saturations[i * side + j] = saturationOf(a * a + b * b, radius);
            }
        }
    }

    auto put = [out = pixels->data()](uint32_t packed) mutable {
        out[0] = static_cast<uint8_t>(packed);
        out[1] = static_cast<uint8_t>(packed >> 8);
        out[2] = static_cast<uint8_t>(packed >> 16);
        out += 3;
    };
    if (symmetric) {
        // Signs per column and per row turn the first-quadrant angle into atan2(dx, dy) exactly
        // as approximateQuadrantAngle would have: -(pi - a), pi - a, -a or a.
        std::vector<double> columnSigns(dim);
        for (size_t x = 0; x < dim; ++x)
            columnSigns[x] = dxs[x] < 0 ? -1.0 : 1.0;
        for (size_t y = 0; y < dim; ++y) {
            double dy = static_cast<double>(y) - radius;
            size_t row = static_cast<size_t>(std::fabs(dy)) * side;
            const double* rowAngles = &angles[row];
            const float* rowSaturations = &saturations[row];
            const double offset = dy < 0 ? pi : 0.0, sign = dy < 0 ? -1.0 : 1.0;
            for (size_t x = 0; x < dim; ++x) {
                double quadrant = rowAngles[index[x]];
                float sum;
                double angle = columnSigns[x] * (offset + sign * quadrant);
                float low = static_cast<float>((angle - seriesError) + pi);
                float high = static_cast<float>((angle + seriesError) + pi);
                // Unequal bounds (or NaN on the axes) leave the rounding to the library.
                if (low == high) [[likely]]
                    sum = low;
                else
                    sum = static_cast<float>(std::atan2(dxs[x], dy) + pi);
                put(packedColour(hueOfSum(sum), rowSaturations[index[x]], brightness));
            }
        }
    } else {
        for (size_t y = 0; y < dim; ++y) {
            double dy = static_cast<double>(y) - radius;
            double dySquare = dy * dy;
            for (size_t x = 0; x < dim; ++x) {
                double dx = dxs[x];
                put(packedColour(hueOfSum(angleSum(dx, dy, quadrantAngle(dx, dy))), saturationOf(dx * dx + dySquare, radius), brightness));
            }
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
