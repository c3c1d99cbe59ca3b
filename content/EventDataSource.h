#pragma once

#include "content/DataSourceProtocol.h"
#include "core/Asset.h"

#include <memory>
#include <string>

namespace quindle {

class DataManager;
class TableViewCell;

/// Fills the event screen: the event's name, dates and description, and in item edit mode
/// date picker rows for its show-from, start and end dates. Leaving a date row sends the
/// changed dates to the server.
class EventDataSource : public DataSourceProtocol, public std::enable_shared_from_this<EventDataSource> {
public:
    static constexpr const char* datePickerCellIdentifier = "DatePickerCell";
    static constexpr const char* eventCellIdentifier = "EventCell";
    static constexpr double rowHeight = 42;
    static constexpr double pickerRowHeight = 200;
    static constexpr const char* noDescriptionText = "No description";

    /// The rows of the table, in view mode the first four.
    enum Row { NameRow = 0, StartDateRow = 1, DateRow = 2, EndDateRow = 3, DescriptionRow = 4 };
    static constexpr int viewModeRows = 4;
    static constexpr int editModeRows = 5;

    static std::shared_ptr<EventDataSource> create(AssetRecord event);

    const AssetRecord& event() const { return m_event; }
    /// The row last selected; -1 after a switch of item edit mode.
    int selectedRow() const { return m_selectedRow; }
    /// The coordinator that opened the screen. Held strongly: the coordinator points at its
    /// screens only weakly, so no cycle forms.
    void setDataManager(std::shared_ptr<DataManager> manager) { m_dataManager = std::move(manager); }
    std::shared_ptr<TableView> tableView() const { return m_tableView.lock(); }

    /// Sends the dates the row being left may have changed; answers are ignored.
    void save();

    // DataSourceProtocol.
    std::shared_ptr<DataManager> dataManager() const override { return m_dataManager; }
    void isActive() override { }
    void isInactive() override { }
    /// The event record is the screen's whole content and changes in place, so there is
    /// nothing to fetch.
    void reload() override { }
    bool isEditing() const override { return m_isEditing; }
    void setIsEditing(bool editing) override;
    bool didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;
    void registerCellsForTableView(const std::shared_ptr<TableView>& table) override;
    void changeImage() override;

    // TableViewDataSource.
    int numberOfRowsInSection(TableView& table, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    std::shared_ptr<TableViewCell> editCellForRowAtIndexPath(TableView& table, IndexPath path);
    std::shared_ptr<TableViewCell> nonEditCellForRowAtIndexPath(TableView& table, IndexPath path);

private:
    explicit EventDataSource(AssetRecord event) : m_event(std::move(event)) { }
    std::shared_ptr<TableViewCell> plainCell(TableView& table, const std::string& text);
    /// The selected row opens as a date picker (rows 1 to 3 in item edit mode).
    bool showsPicker(int row) const;
    void reloadTable();
    void sendDate(const std::string& key);

    bool m_isEditing { false };
    int m_selectedRow { 0 };
    std::shared_ptr<DataManager> m_dataManager;
    AssetRecord m_event;
    std::weak_ptr<TableView> m_tableView;
};

} // namespace quindle
