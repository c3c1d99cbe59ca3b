#pragma once

#include "content/DataManagerScreen.h"
#include "content/DataSourceProtocol.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class DataManager;
class Model;

/// The screen of a directory or form page: a table filled by its data source, pull to refresh,
/// an optional header picture, and the item edit and reorder modes its coordinator switches.
class DirectoryViewController : public ViewController, public TableViewDelegate, public DataManagerScreen {
public:
    using Screens = std::vector<std::shared_ptr<ViewController>>;
    /// Height of the header picture above the table.
    static constexpr double headerHeight = 160;
    static constexpr const char* tabImageName = "first.png";

    static std::shared_ptr<DirectoryViewController> create();

    const std::shared_ptr<DataSourceProtocol>& dataSource() const { return m_dataSource; }
    /// The table shows this source from now on (it registers its cells once the view is loaded).
    void setDataSource(std::shared_ptr<DataSourceProtocol> source);
    const std::shared_ptr<DataManager>& dataManager() const { return m_dataManager; }
    void setDataManager(std::shared_ptr<DataManager> manager) { m_dataManager = std::move(manager); }
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const JsonArrayPtr& linkedObjects() const { return m_linkedObjects; }
    void setLinkedObjects(JsonArrayPtr objects) { m_linkedObjects = std::move(objects); }
    const std::shared_ptr<Image>& headerImage() const { return m_headerImage; }
    /// The picture above the table; null shows none.
    void setHeaderImage(std::shared_ptr<Image> image);
    void setRootController(bool root) { m_isRootController = root; }
    const Screens& tabbar() const { return m_tabbar; }
    /// Tabs shown while this screen is on screen (the root page's, at start-up).
    void setTabbar(Screens tabs) { m_tabbar = std::move(tabs); }
    /// A row selection has been handled since the screen last appeared.
    bool hasSelected() const { return m_hasSelected; }

    /// The table (loads the view).
    std::shared_ptr<TableView> tableView();
    std::shared_ptr<RefreshControl> refreshControl() const { return m_refreshControl; }
    /// Pull to refresh: the data source reloads through its coordinator; the list arrives later.
    void refreshData();

    // DataManagerScreen.
    void refresh() override;
    void done() override;
    void selectionEnded() override;
    void editTable() override;
    bool editMode() const override { return m_editMode; }
    bool isRootController() const override { return m_isRootController; }
    bool isTableEditing() const override;
    void setTableEditing(bool editing, Animated animated) override;
    std::shared_ptr<ViewController> screenController() override { return shared_from_this(); }

    // TableViewDelegate.
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    DirectoryViewController() : ViewController({}) { }
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;
    void viewWillDisappear(Animated animated) override;

private:
    void attachDataSource();
    void applyHeader();

    std::shared_ptr<RefreshControl> m_refreshControl;
    Model* m_model = nullptr;
    bool m_hasSelected = false;
    bool m_isRootController = false;
    bool m_editMode = false;
    JsonArrayPtr m_linkedObjects;
    std::string m_assetID;
    std::shared_ptr<DataManager> m_dataManager;
    std::shared_ptr<DataSourceProtocol> m_dataSource;
    Screens m_tabbar;
    std::shared_ptr<Image> m_headerImage;
    std::shared_ptr<TableView> m_tableView;
    bool m_loaded = false;
};

} // namespace quindle
