#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace quindle {

class Model;

/// The history of one resident document: its yes/no and number records, newest first. A record
/// opens the form read-only as it stood then; "Graph" opens the chart of the numbers.
class HistoryViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "HistoryCell";

    static std::shared_ptr<HistoryViewController> create(Model& model, std::string assetID = {}, std::string resDocID = {},
        std::string name = {});

    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const std::string& resDocID() const { return m_resDocID; }
    void setResDocID(std::string id) { m_resDocID = std::move(id); }
    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    /// Where the history is fetched: an address, or a path on the legacy server's host;
    /// "/json/start.php" when empty.
    const std::string& url() const { return m_url; }
    void setUrl(std::string url) { m_url = std::move(url); }
    /// Every record received (null until a reply carried a list).
    const JsonArrayPtr& objects() const { return m_objects; }
    /// Sets the full record list and derives the displayed records and `hasNumbers` from it.
    void setObjects(JsonArrayPtr objects);
    /// The "Bool" and "Number" records, newest first.
    const JsonArrayPtr& displayed() const { return m_displayed; }
    /// The last payload received, as it came.
    const std::optional<JsonValue>& reply() const { return m_reply; }
    bool hasNumbers() const { return m_hasNumbers; }

    /// The address the history request goes to.
    std::string requestURL() const;
    /// Sets `hasNumbers` from the full record list.
    void checkforNumericData();
    /// Reloads the table on the main queue.
    void update();
    /// The form state as it stood at row `row` of the displayed records (null when out of range).
    JsonObjectPtr snapshotForRow(int row) const;
    std::shared_ptr<TableView> tableView();

    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit HistoryViewController(Model& model);
    void load();
    void takeReply(std::optional<JsonValue> payload);
    void push(const std::shared_ptr<ViewController>& screen);

    Model& m_model;
    std::string m_assetID;
    std::string m_resDocID;
    std::string m_name;
    std::string m_url;
    JsonArrayPtr m_objects;
    JsonArrayPtr m_displayed = JsonArray::create();
    std::optional<JsonValue> m_reply;
    bool m_hasNumbers = false;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
