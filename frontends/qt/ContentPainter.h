#pragma once

#include "ui/TableView.h"

#include <QPixmap>
#include <QRectF>
#include <QTransform>

#include <map>
#include <optional>
#include <memory>
#include <vector>

class QPainter;

namespace quindle::qt {

/// Places inside a cell that the painter draws and the input router hit-tests alike.
namespace CellMetrics {
/// Left strip holding the delete button in reorder mode.
inline constexpr double editInset = 38;
/// Right strip holding the drag handle in reorder mode.
inline constexpr double handleWidth = 40;
}

/// What one frame painted that the window acts on afterwards.
struct PaintReport {
    /// Views with a registry `step` handler, for the frame clock.
    std::vector<std::weak_ptr<View>> stepping;
    /// Views hosted as native widgets, with their rectangle in window points.
    std::vector<std::pair<std::weak_ptr<View>, QRectF>> hosted;
    /// Event rows on screen, whose countdown ticks.
    std::vector<std::weak_ptr<TableViewCell>> eventCells;
    /// Something shown moves by itself (a refresh spinner, a row fading).
    bool animating { false };
    /// A caret blinks: a few frames a second will do.
    bool blinking { false };
};

/// A row fading in after it was inserted or reloaded, or a picture of a deleted row fading out.
struct RowFade {
    IndexPath row;
    double start { 0 };
    bool appearing { true };
    QPixmap ghost; // the deleted row as last painted
    QRectF ghostRect; // where it was, in the table's content
};

/// A row being dragged by its handle in reorder mode.
struct RowDrag {
    std::weak_ptr<TableView> table;
    IndexPath from;
    double pointerY { 0 }; // in the table's content
    double grabOffset { 0 }; // pointer y less the row's top when it was grabbed
};

/// Paints views of the ui model: generic views recursively, tables with their rows, and every
/// cell kind, consulting the view registry first. Keeps what must outlive a frame (fades,
/// the rows last drawn per table).
class ContentPainter {
public:
    static constexpr double fadeDuration = 0.25;
    /// How far a table must be pulled down past its top before a release refreshes it.
    static constexpr double pullThreshold = 60;

    /// Paints the view with the painter's origin at the view's top left; `now` in seconds.
    void paint(QPainter& painter, View& view, double now, PaintReport& report);

    /// Rows of a table as last painted, in the table's content coordinates.
    struct DrawnTable {
        std::weak_ptr<TableView> table;
        std::vector<std::pair<IndexPath, QRectF>> rows;
        double contentHeight { 0 };
        /// From the table's content to window points, as last painted.
        QTransform contentToWindow;
    };
    const DrawnTable* drawn(const TableView& table) const;
    /// Content heights of the tables last painted, for scrolling limits.
    std::map<const TableView*, double> contentHeights() const;
    /// The table reported a change of rows: starts the fades.
    /// The table reported a change of rows: starts the fades; deleted rows fade out from
    /// `lastFrame`, the window as last painted.
    void rowsChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation,
                     double now, const QPixmap& lastFrame);
    /// Ends every fade at once.
    void finishFades() { m_fades.clear(); }
    void setRowDrag(std::optional<RowDrag> drag) { m_drag = std::move(drag); }
    const std::optional<RowDrag>& rowDrag() const { return m_drag; }

private:
    void paintView(QPainter& painter, View& view);
    bool paintKnownView(QPainter& painter, View& view, const QRectF& rect);
    void paintTable(QPainter& painter, TableView& table);
    void paintCell(QPainter& painter, TableView& table, TableViewCell& cell, IndexPath path, const QRectF& frame);
    void paintRefresh(QPainter& painter, TableView& table, double offset, double width);

    double m_now { 0 };
    PaintReport* m_report { nullptr };
    std::map<const TableView*, DrawnTable> m_drawn;
    std::map<const TableView*, std::vector<RowFade>> m_fades;
    std::optional<RowDrag> m_drag;
};

} // namespace quindle::qt
