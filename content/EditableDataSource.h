#pragma once

#include "content/DataSourceProtocol.h"
#include "core/Asset.h"

#include <memory>
#include <vector>

namespace quindle {

class TableView;

/// The data source of a page screen whose items come from a content coordinator: one row per
/// item, the cell and height chosen by the item's type and the edit state. It reports row
/// deletions and moves to the server and collects the input items a form sends.
class EditableDataSource : public DataSourceProtocol, public std::enable_shared_from_this<EditableDataSource> {
public:
    /// Reuse identifiers.
    static constexpr const char* directoryCellIdentifier = "DirectoryCell";
    static constexpr const char* directoryImageCellIdentifier = "DirectoryImageCell";
    static constexpr const char* carouselCellIdentifier = "CarouselCell";
    static constexpr const char* textCellIdentifier = "TextCell";
    static constexpr const char* textFieldCellIdentifier = "TextFieldCell";
    static constexpr const char* textViewCellIdentifier = "TextViewCell";
    static constexpr const char* eventCellIdentifier = "EventCell";
    static constexpr const char* imageCellIdentifier = "ImageCell";

    /// Row heights in points.
    static constexpr double textViewRowHeight = 200;
    static constexpr double eventRowHeight = 120;
    static constexpr double carouselRowHeight = 200;
    static constexpr double pictureRowHeight = 200;
    static constexpr int carouselItemSize = 200;

    /// Owns the coordinator.
    static std::shared_ptr<EditableDataSource> create(std::shared_ptr<DataManager> dataManager);
    ~EditableDataSource() override;

    std::shared_ptr<DataManager> dataManager() const override { return m_dataManager; }
    /// Answers "SendForm" from now on.
    void isActive() override;
    /// Drops every subscription.
    void isInactive() override;
    void reload() override;
    bool isEditing() const override { return m_isEditing; }
    void setIsEditing(bool editing) override { m_isEditing = editing; }

    void registerCellsForTableView(const std::shared_ptr<TableView>& table) override;
    std::shared_ptr<TableView> tableView() const { return m_tableView.lock(); }
    void configureBarbuttonsForViewController(ViewController& controller) override;
    /// The page has no header picture of its own.
    std::shared_ptr<Image> imageWithCompletionHandler(ImageHandler handler) override;
    /// Hands the collected input items to the coordinator.
    void sendForm();
    /// The input items built into cells since the table last counted its rows, in build order.
    const std::vector<AssetRecord>& formArray() const { return m_formArray; }

    // Table data source.
    int numberOfRowsInSection(TableView& table, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void commitEditingStyle(TableView& table, EditingStyle style, IndexPath path) override;
    void moveRowAtIndexPath(TableView& table, IndexPath from, IndexPath to) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;
    /// Forwarded unchanged to the coordinator.
    bool didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode) override;

private:
    explicit EditableDataSource(std::shared_ptr<DataManager> dataManager);
    AssetRecord objectAt(int row) const;
    std::shared_ptr<TableViewCell> plainCell(const std::string& text);
    std::shared_ptr<TableViewCell> itemCell(TableView& table, IndexPath path, const AssetRecord& record);
    std::shared_ptr<TableViewCell> pictureRowCell(TableView& table, IndexPath path, const AssetRecord& record);
    std::shared_ptr<TableViewCell> pictureItemCell(TableView& table, IndexPath path, const AssetRecord& record);
    /// The record's picture at once, or nothing; the row reloads when it arrives.
    std::shared_ptr<Image> pictureReloadingRow(TableView& table, IndexPath path, const AssetRecord& record);

    bool m_isEditing { false };
    std::shared_ptr<DataManager> m_dataManager;
    std::weak_ptr<TableView> m_tableView;
    std::vector<AssetRecord> m_formArray;
};

} // namespace quindle
