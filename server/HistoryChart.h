#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quindle {

/// The graph page of a resident document: an HTML page holding one inline SVG line chart per
/// series of numbers, with value and date labels on its axes.
class HistoryChart {
public:
    struct Point {
        int64_t seconds; ///< when, in seconds since 1970 (UTC)
        double value;
    };
    struct Series {
        std::string name;
        std::vector<Point> points; ///< oldest first
    };

    /// The page for the series; `missing` names a key that was asked for and has no numbers.
    static std::string page(const std::vector<Series>& series, const std::string& missing = {});
    /// Seconds since 1970 of a server date "yyyy-MM-dd HH:mm:ss" (UTC); false when it is not one.
    static bool parseDate(const std::string& text, int64_t& seconds);
    /// "yyyy-MM-dd" of seconds since 1970.
    static std::string dayText(int64_t seconds);
    /// At most about two points a pixel column of `columns`: each column keeps its lowest and
    /// highest value, in time order, so a long series keeps its shape and the page stays small.
    static std::vector<Point> thin(const std::vector<Point>& points, int columns);
};

} // namespace quindle
