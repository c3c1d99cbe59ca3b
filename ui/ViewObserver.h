#pragma once

#include "ui/Forward.h"
#include "ui/Geometry.h"

#include <vector>

namespace quindle {

/// What changed on a view, so a renderer can redraw only that part.
enum class ChangeKind { Frame, Visibility, Appearance, Text, Subviews, Value, Content, Focus };

/// What changed in a table's rows or modes.
enum class RowChange { ReloadAll, Reload, Insert, Delete, Move, Editing, Selection, Refreshing };

/// How a table change is to be animated.
enum class RowAnimation { None, Fade, Automatic };

/// Whether a change is animated.
enum class Animated { No, Yes };

/// What changed on a controller.
enum class ControllerChange {
    Title,
    BarButtons,
    TabBarItem,
    Stack,
    Selection,
    BarVisibility,
    Presentation,
    Root,
    Popover
};

/// What happened to an alert.
enum class AlertChange { Shown, Dismissed };

/// Told about every change the window sees; a front end implements it to redraw. Each change
/// is reported once, after the object holds its new state.
class ViewObserver {
public:
    virtual ~ViewObserver() = default;
    virtual void changed(const View&, ChangeKind) { }
    /// `rows` names the rows concerned (for Move: from, then to); empty for ReloadAll and modes.
    virtual void tableChanged(const TableView&, RowChange, const std::vector<IndexPath>& /*rows*/, RowAnimation) { }
    virtual void controllerChanged(const ViewController&, ControllerChange, Animated) { }
    /// `buttonIndex` is the chosen button for Dismissed, -1 for Shown.
    virtual void alertChanged(const AlertView&, AlertChange, int /*buttonIndex*/) { }
};

} // namespace quindle
