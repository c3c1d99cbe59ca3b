#pragma once

#include "ui/Forward.h"

#include <deque>
#include <map>
#include <memory>

namespace quindle::qt {

/// Kinetic scrolling of tables: drags with a rubber band past the ends, flicks that slow down,
/// a spring back into range and wheel steps. The offset itself lives in the table (scrollTo,
/// so its delegate hears of every scroll); this keeps only the motion.
class ScrollState {
public:
    /// Seconds for a flick's speed to fall by a factor e.
    static constexpr double decayTime = 0.325;
    /// Slower than this (points per second) a flick stops.
    static constexpr double restSpeed = 15;

    /// Where the offset may rest: 0 to the content height less the table's height.
    static double maximumOffset(const TableView& table, double contentHeight);

    /// A finger goes down on the table: any flick stops.
    void press(const std::shared_ptr<TableView>& table, double y, double time);
    /// The finger moves; beyond the ends the content follows at half the distance.
    void drag(double y, double time, double contentHeight);
    /// The finger lifts: a flick starts with its speed. Returns how far past the top the
    /// content was pulled (positive), so the caller can decide on a refresh.
    double release(double time, double contentHeight);
    /// Wheel scrolling by `delta` points, clamped at the ends.
    void wheel(const std::shared_ptr<TableView>& table, double delta, double contentHeight);
    /// Advances flicks and springs to `time`; returns whether anything still moves.
    bool step(double time, const std::map<const TableView*, double>& contentHeights);
    bool isDragging() const { return !m_dragged.expired(); }
    bool isMoving() const { return !m_motions.empty(); }
    /// Stops every motion where it is, then puts every table back into range.
    void settle(const std::map<const TableView*, double>& contentHeights);

private:
    struct Sample {
        double y;
        double time;
    };
    struct Motion {
        std::weak_ptr<TableView> table;
        double velocity { 0 }; // points per second of the offset
        double lastTime { 0 };
    };
    std::weak_ptr<TableView> m_dragged;
    double m_startY { 0 };
    double m_startOffset { 0 };
    std::deque<Sample> m_samples;
    std::map<const TableView*, Motion> m_motions;
};

} // namespace quindle::qt
