#pragma once

#include "ui/Forward.h"
#include "ui/Geometry.h"

#include <vector>

namespace quindle {

/// What changed on a view, so a renderer can redraw only that part.
enum class ChangeKind { Frame, Visibility, Appearance, Text, Subviews };

/// How a table change is to be animated.
enum class RowAnimation { None, Fade, Automatic };

/// Whether a navigation change is animated.
enum class Animated { No, Yes };

/// Told about every change the window sees; a front end implements it to redraw.
class ViewObserver {
public:
    virtual ~ViewObserver() = default;
    virtual void changed(const View&, ChangeKind) { }
    virtual void tableReloaded(const TableView&, const std::vector<IndexPath>& /*rows, empty for all*/, RowAnimation) { }
    virtual void alertShown(const AlertView&) { }
    virtual void alertDismissed(const AlertView&, int /*buttonIndex*/) { }
    virtual void controllerPushed(const NavigationController&, const ViewController&, Animated) { }
    virtual void controllerPopped(const NavigationController&, const ViewController&, Animated) { }
};

} // namespace quindle
