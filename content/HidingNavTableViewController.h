#pragma once

#include "content/DataManagerScreen.h"
#include "content/DataSourceProtocol.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class Button;
class DataManager;
class ImageView;
class Model;

/// The event screen: no navigation bar, a header picture with "< Back" and "Edit" buttons of
/// its own whose height follows the table's scrolling (shrinks as the content moves up, grows
/// as it comes back, between 0 and the full height).
class HidingNavTableViewController : public ViewController, public TableViewDelegate, public DataManagerScreen {
public:
    static constexpr const char* headerImageName = "selectImage.png";
    /// Metric of the top buttons' height rules.
    static constexpr double buttonHeight = 50;
    static constexpr double buttonTop = 15;
    /// Width of a titled top button (the rules leave it to the title).
    static constexpr double buttonWidth = 80;
    /// Standard spacing between a button and the edge or its neighbour.
    static constexpr double spacing = 8;
    /// Height of the picture-change area under the top buttons.
    static constexpr double imageEditHeight = 100;
    /// What the picture-change area says, so it reads as a control and not as an empty box.
    static constexpr const char* imageEditTitle = "Change picture";

    static std::shared_ptr<HidingNavTableViewController> create(std::shared_ptr<DataSourceProtocol> dataSource, double rowHeight);

    /// The header's full height.
    static double heightOfNavBar() { return 200; }
    double currentNavBarHeight() const { return m_currentNavBarHeight; }
    double lastScrollOffset() const { return m_lastScrollOffset; }
    /// The height the header's one height rule gives it now.
    double navBarHeight() const { return m_navBarHeight; }
    /// The header's current height rule, as stored among the view's rules.
    const std::string& heightConstraint() const { return m_heightConstraint; }
    /// Replaces the header's height rule with one of height `height`.
    void updateNavHeight(double height);

    const std::shared_ptr<DataSourceProtocol>& dataSource() const { return m_dataSource; }
    /// The coordinator: the one set here, else the data source's.
    std::shared_ptr<DataManager> dataManager() const;
    void setDataManager(std::shared_ptr<DataManager> manager) { m_dataManager = std::move(manager); }
    double rowHeight() const { return m_rowHeight; }
    void setRootController(bool root) { m_isRootController = root; }

    /// The table, the header and the buttons (each loads the view).
    std::shared_ptr<TableView> tableView();
    std::shared_ptr<ImageView> navBarView();
    std::shared_ptr<Button> loginButton();
    std::shared_ptr<Button> editButton();
    std::shared_ptr<Button> addButton();
    std::shared_ptr<Button> doneButton();
    std::shared_ptr<Button> backButton();
    std::shared_ptr<Button> imageEditButton();

    /// "Edit"/"Done": toggles item edit mode; the table reloads on leaving it.
    void editAction();
    /// The picture area was tapped.
    void changeImage();
    /// "< Back": pops this screen.
    void backAction();

    void handleScrollOffset(double offset);
    void handleNegativeScrollOffset(double offset);

    // DataManagerScreen.
    void refresh() override;
    /// Leaves item edit mode (as "Done" does) and any row reordering.
    void done() override;
    /// Same as the "Edit"/"Done" button.
    void editTable() override { editAction(); }
    bool editMode() const override { return m_editMode; }
    bool isRootController() const override { return m_isRootController; }
    bool isTableEditing() const override;
    void setTableEditing(bool editing, Animated animated) override;
    std::shared_ptr<ViewController> screenController() override { return shared_from_this(); }

    // TableViewDelegate.
    void scrollViewDidScroll(TableView& table) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    HidingNavTableViewController(std::shared_ptr<DataSourceProtocol> dataSource, double rowHeight);
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

    /// A black-titled button on this screen's view whose tap calls `selector` (none: no effect).
    std::shared_ptr<Button> createButtonWIthTitle(const std::string& title, void (HidingNavTableViewController::*selector)());
    /// Adds a header button rule, with the metric "height" at the buttons' height.
    void navBarConstraintWithFormat(const std::string& format);

private:
    /// Places the subviews as the rules state, in the root view's bounds.
    void layout();

    double m_currentNavBarHeight = 200;
    double m_lastScrollOffset = 0;
    double m_navBarHeight = 200;
    bool m_editMode = false;
    bool m_isRootController = false;
    std::shared_ptr<TableView> m_tableView;
    std::shared_ptr<ImageView> m_navBarView;
    std::string m_heightConstraint;
    std::shared_ptr<DataSourceProtocol> m_dataSource;
    std::shared_ptr<DataManager> m_dataManager;
    double m_rowHeight;
    Model* m_model;
    std::shared_ptr<Button> m_login, m_edit, m_add, m_done, m_back, m_imageEdit;
};

} // namespace quindle
