#pragma once

#include "ui/ViewObserver.h"

#include <memory>

namespace quindle {

class ViewController;

/// What a content coordinator asks of the screen that shows its page.
class DataManagerScreen {
public:
    virtual ~DataManagerScreen() = default;

    /// Reloads the table.
    virtual void refresh() = 0;
    /// Leaves reorder mode and item edit mode.
    virtual void done() = 0;
    /// Toggles item edit mode, or ends row reordering.
    virtual void editTable() = 0;
    /// Item edit mode is on.
    virtual bool editMode() const = 0;
    /// The screen is the root of the first tab.
    virtual bool isRootController() const = 0;
    /// The table is in row reorder/delete mode.
    virtual bool isTableEditing() const = 0;
    virtual void setTableEditing(bool editing, Animated animated) = 0;
    /// The loading a selection started is over, whether a screen opened or not.
    virtual void selectionEnded() { }
    /// The controller itself: title, bar buttons, navigation stack, modal presentation.
    virtual std::shared_ptr<ViewController> screenController() = 0;
};

} // namespace quindle
