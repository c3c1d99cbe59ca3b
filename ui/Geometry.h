#pragma once

#include <compare>

namespace quindle {

/// A rectangle in points, origin at the top left.
struct Rect {
    double x { 0 };
    double y { 0 };
    double width { 0 };
    double height { 0 };
    bool operator==(const Rect&) const = default;
};

/// A row position inside a table: section first, then row.
struct IndexPath {
    int section { 0 };
    int row { 0 };
    auto operator<=>(const IndexPath&) const = default;
};

} // namespace quindle
