#pragma once

#include "ui/Forward.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

namespace quindle::qt {

/// Heights of the phone's bars, in points.
namespace Metrics {
inline constexpr double statusBar = 20;
inline constexpr double navigationBar = 44;
inline constexpr double tabBar = 49;
inline constexpr double barButtonPadding = 10;
}

/// A bar button where it is drawn.
struct BarButtonSlot {
    std::shared_ptr<BarButtonItem> item;
    QRectF rect;
    QString label;
};

/// One tab where it is drawn.
struct TabSlot {
    QRectF rect;
    QString title;
    QString badge;
    QString imageName;
    bool selected { false };
};

/// What one frame shows and where: the screen on top, the bars and their buttons. Painters draw
/// it and the input router hit-tests the same rectangles, so a click lands on what is drawn.
struct Scene {
    QRectF bounds;
    QRectF statusBar;
    QRectF navigationBar; // empty when the bar is hidden
    QRectF content;
    QRectF tabBar; // empty when no tab bar shows
    std::shared_ptr<TabBarController> tabs;
    /// The screen on top: a presented one, else the selected tab's top screen.
    std::shared_ptr<ViewController> top;
    /// Shown over the tabs rather than inside them.
    bool modal { false };
    QString title;
    QString backTitle;
    QRectF backRect; // empty without a back button
    std::vector<BarButtonSlot> barButtons;
    std::vector<TabSlot> tabSlots;

    /// Works out the frame for a window of `size` points: lays the top screen's view into the
    /// content area (a screen's view is sized by whoever shows it).
    static Scene build(const Window& window, QSizeF size);
};

/// What a tab shows as its title: its own tab item's, else its root screen's tab item or title.
QString tabTitle(const ViewController& tab, QString* badge = nullptr, QString* imageName = nullptr);

} // namespace quindle::qt
