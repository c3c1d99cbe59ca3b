#pragma once

#include "platform/Font.h" // Size lives beside the text measurement that returns it.

#include <compare>

namespace quindle {

/// A position in points, origin at the top left.
struct Point {
    double x { 0 };
    double y { 0 };
    bool operator==(const Point&) const = default;
};

/// A rectangle in points, origin at the top left.
struct Rect {
    double x { 0 };
    double y { 0 };
    double width { 0 };
    double height { 0 };
    bool operator==(const Rect&) const = default;

    Size size() const { return { width, height }; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    /// The rectangle shrunk by the insets on each side (grown when they are negative).
    Rect inset(double top, double left, double bottom, double right) const
    {
        return { x + left, y + top, width - left - right, height - top - bottom };
    }
};

/// A row position inside a table or an item inside a collection: section first, then row.
struct IndexPath {
    int section { 0 };
    int row { 0 };
    auto operator<=>(const IndexPath&) const = default;
};

} // namespace quindle
