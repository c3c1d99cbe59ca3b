#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace quindle {

class RefreshControl;

/// The current user's overdue follow-ups, counted on the tab's badge; each opens the person's
/// form. Pulling the list down asks the server again.
class FollowupViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// Asks the server for the overdue follow-ups at once.
    static std::shared_ptr<FollowupViewController> create();

    /// The follow-ups shown (null until a reply carried a list).
    const JsonArrayPtr& objects() const { return m_objects; }
    std::shared_ptr<TableView> tableView();
    /// Asks the server for the follow-ups again; a failed reply keeps the list and the badge.
    void fetchFollowups();
    /// Sets the badge to the count and reloads the table.
    void update();
    /// Sends "currentState.php" for the person's document, then opens the person's form.
    void nextForm(const JsonObjectPtr& followup, const std::string& assetID, const std::string& resDocID);
    /// The form state a "currentState.php" payload carries: a copy of its "list" when that is an
    /// object and "modified" is not null; null otherwise.
    static JsonObjectPtr formStateFromPayload(const std::optional<JsonValue>& payload);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;

private:
    FollowupViewController();
    JsonObjectPtr followup(int row) const;

    JsonArrayPtr m_objects;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<RefreshControl> m_refreshControl;
};

} // namespace quindle
