#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class ActionViewController;

/// The devices an action can notify; the chosen one goes back to the action screen, which
/// sends it with its next interval.
class DevicesViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// `objects` may be null: the chooser then asks the server for the devices.
    static std::shared_ptr<DevicesViewController> create(JsonArrayPtr objects, std::weak_ptr<ActionViewController> parent, std::string assetID);

    const JsonArrayPtr& objects() const { return m_objects; }
    const std::string& assetID() const { return m_assetID; }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    DevicesViewController(JsonArrayPtr objects, std::weak_ptr<ActionViewController> parent, std::string assetID);
    JsonObjectPtr device(int row) const;

    JsonArrayPtr m_objects;
    std::weak_ptr<ActionViewController> m_parent;
    std::string m_assetID;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
