#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class AlertView;

/// When the next update about a person is due and which device hears of it. An interval is
/// sent at once; until the server takes it, the screen shows what it held before.
class ActionViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// `actionDict` may be null; `assetID` is the person's resident document.
    static std::shared_ptr<ActionViewController> create(std::string name, JsonObjectPtr actionDict, std::string assetID);

    const std::string& name() const { return m_name; }
    const JsonObjectPtr& actionDict() const { return m_actionDict; }
    const std::string& assetID() const { return m_assetID; }
    const std::string& devID() const { return m_devID; }
    /// A device chosen but not yet sent: it goes with the next interval.
    void setDevID(std::string devID);
    const JsonArrayPtr& devs() const { return m_devs; }
    const std::string& selectedDev() const { return m_selectedDev; }
    const std::vector<std::string>& objects() const { return m_objects; }
    long selectedRow() const { return m_selectedRow; }
    /// True while an interval is on its way to the server.
    bool isSending() const { return m_sending; }
    std::shared_ptr<TableView> tableView();
    std::shared_ptr<AlertView> alert() const { return m_alert; }
    /// The "Notify" detail: the server's device, or a chosen one marked as not sent yet.
    std::string notifyText() const;

    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int numberOfRowsInSection(TableView&, int section) override;
    std::string titleForHeaderInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    ActionViewController(std::string name, JsonObjectPtr actionDict, std::string assetID);
    void fetchDevices();
    void chooseInterval(long row);
    void intervalAnswered(bool taken, long row, long previousRow, const JsonValue& previousDate, const JsonValue& previousVal,
        const std::string& sentDevID);
    std::string deviceName(const std::string& devID) const;
    void reload();

    std::string m_name;
    JsonObjectPtr m_actionDict;
    std::string m_assetID;
    std::string m_devID;
    /// The device the server holds for this action.
    std::string m_savedDevID;
    JsonArrayPtr m_devs;
    std::string m_selectedDev;
    std::vector<std::string> m_objects;
    long m_selectedRow = 0;
    bool m_sending = false;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
