#pragma once

namespace quindle {

/// The visual styles, numbered as stored in a carousel record's options.
enum class CarouselType : int {
    Linear = 0,
    Rotary = 1,
    InvertedRotary = 2,
    Cylinder = 3,
    InvertedCylinder = 4,
    Wheel = 5,
    InvertedWheel = 6,
    CoverFlow = 7,
    CoverFlow2 = 8,
    TimeMachine = 9,
    InvertedTimeMachine = 10,
    Custom = 11,
};

inline constexpr int carouselTypeCount = 12;

/// The style for a stored number; numbers outside 0 to 11 give Linear.
inline constexpr CarouselType carouselTypeFromInteger(int value)
{
    return value >= 0 && value < carouselTypeCount ? static_cast<CarouselType>(value) : CarouselType::Linear;
}

/// The tunable values asked of the delegate.
enum class CarouselOption : int {
    Wrap = 0,
    ShowBackfaces = 1,
    OffsetMultiplier = 2,
    VisibleItems = 3,
    Count = 4,
    Arc = 5,
    Angle = 6,
    Radius = 7,
    Tilt = 8,
    Spacing = 9,
    FadeMin = 10,
    FadeMax = 11,
    FadeRange = 12,
    FadeMinAlpha = 13,
};

struct CarouselSize {
    double width { 0 };
    double height { 0 };
    bool operator==(const CarouselSize&) const = default;
};

struct CarouselPoint {
    double x { 0 };
    double y { 0 };
    bool operator==(const CarouselPoint&) const = default;
};

/// Whether a drag that just ended goes on as a deceleration.
enum class CarouselDeceleration { WillDecelerate, WillNotDecelerate };

/// Whether a scroll is animated.
enum class CarouselAnimation { Animated, Immediate };

}
