#pragma once

#include "platform/Image.h"
#include "ui/Geometry.h"
#include "ui/TableView.h"

#include <functional>
#include <memory>

namespace quindle {

class DataManager;
class DataManagerScreen;
class ViewController;

/// What a page screen asks of the data source that fills its table. The table data source
/// operations come from `TableViewDataSource`; the members with bodies here are optional and
/// do nothing (or answer the table's own value) unless a data source needs them.
class DataSourceProtocol : public TableViewDataSource {
public:
    using ImageHandler = std::function<void(std::shared_ptr<Image>)>;

    /// The page's coordinator (may be empty for data sources without one).
    virtual std::shared_ptr<DataManager> dataManager() const = 0;
    /// The screen is about to appear.
    virtual void isActive() = 0;
    /// The screen is about to disappear.
    virtual void isInactive() = 0;
    /// Reloads the content.
    virtual void reload() = 0;
    /// Item edit mode, as the screen last set it.
    virtual bool isEditing() const = 0;
    virtual void setIsEditing(bool editing) = 0;

    /// A row was selected on `screen`, in item edit mode or not. True when the selection opens a
    /// screen, now or once a reply is in; the screen then takes no further taps until it is over.
    virtual bool didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode)
    {
        (void)screen, (void)path, (void)editMode;
        return false;
    }
    virtual double heightForRowAtIndexPath(TableView& table, IndexPath path)
    {
        (void)path;
        return table.rowHeight();
    }
    /// Registers the cell kinds and remembers the table.
    virtual void registerCellsForTableView(const std::shared_ptr<TableView>& table) { (void)table; }
    virtual void configureBarbuttonsForViewController(ViewController& controller) { (void)controller; }
    /// The header picture was tapped.
    virtual void changeImage() { }
    /// A picture for the header, or nothing.
    virtual std::shared_ptr<Image> imageWithCompletionHandler(ImageHandler handler)
    {
        (void)handler;
        return nullptr;
    }
};

} // namespace quindle
