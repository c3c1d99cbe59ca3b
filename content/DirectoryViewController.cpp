#include "content/DirectoryViewController.h"

#include "content/ApplicationShell.h"
#include "content/DataManager.h"
#include "core/Model.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"

namespace quindle {

std::shared_ptr<DirectoryViewController> DirectoryViewController::create()
{
    return std::shared_ptr<DirectoryViewController>(new DirectoryViewController());
}

void DirectoryViewController::loadView()
{
    m_tableView = TableView::create();
    setView(m_tableView);
}

void DirectoryViewController::viewDidLoad()
{
    auto item = tabBarItem();
    item.imageName = tabImageName;
    setTabBarItem(std::move(item));
    m_model = &Model::defaultInstance();
    auto self = std::static_pointer_cast<DirectoryViewController>(shared_from_this());
    m_tableView->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    m_tableView->setSeparatorStyle(SeparatorStyle::None);
    applyHeader();
    m_refreshControl = RefreshControl::create();
    std::weak_ptr<DirectoryViewController> weak = self;
    m_refreshControl->onRefresh = [weak](RefreshControl&) {
        if (auto screen = weak.lock())
            screen->refreshData();
    };
    m_tableView->setRefreshControl(m_refreshControl);
    m_loaded = true;
    attachDataSource();
}

std::shared_ptr<TableView> DirectoryViewController::tableView()
{
    view();
    return m_tableView;
}

void DirectoryViewController::setDataSource(std::shared_ptr<DataSourceProtocol> source)
{
    m_dataSource = std::move(source);
    if (m_loaded)
        attachDataSource();
}

void DirectoryViewController::attachDataSource()
{
    m_tableView->setDataSource(std::weak_ptr<TableViewDataSource>(m_dataSource));
    if (m_dataSource)
        m_dataSource->registerCellsForTableView(m_tableView);
    m_tableView->reloadData();
}

void DirectoryViewController::setHeaderImage(std::shared_ptr<Image> image)
{
    m_headerImage = std::move(image);
    if (m_loaded)
        applyHeader();
}

void DirectoryViewController::applyHeader()
{
    if (!m_headerImage) {
        m_tableView->setTableHeaderView(nullptr);
        return;
    }
    // The picture fills the width and scrolls with the table's content.
    auto header = ImageView::create(Rect { 0, 0, m_tableView->frame().width, headerHeight });
    header->setImage(m_headerImage);
    header->setContentMode(ContentMode::AspectFill);
    header->setClipsToBounds(true);
    m_tableView->setTableHeaderView(header);
}

void DirectoryViewController::viewWillAppear(Animated animated)
{
    if (m_dataSource)
        m_dataSource->isActive();
    if (auto nav = navigationController())
        nav->setNavigationBarHidden(BarVisibility::Shown, animated);
    if (!m_tabbar.empty()) {
        if (auto shell = ApplicationShell::shared())
            shell->resetTabbarWithArray(m_tabbar);
    }
    m_hasSelected = false;
    // The coordinator follows the screens it pushes (an event screen); once back on this page
    // it must answer to this screen again, or refreshes and bar buttons would go nowhere.
    if (auto manager = m_dataSource ? m_dataSource->dataManager() : nullptr)
        manager->setViewController(std::static_pointer_cast<DirectoryViewController>(shared_from_this()));
    if (m_dataSource)
        m_dataSource->configureBarbuttonsForViewController(*this);
}

void DirectoryViewController::viewWillDisappear(Animated)
{
    if (m_dataSource)
        m_dataSource->isInactive();
}

void DirectoryViewController::refreshData()
{
    if (m_dataSource)
        m_dataSource->reload();
    refresh();
    if (m_refreshControl)
        m_refreshControl->endRefreshing();
}

void DirectoryViewController::refresh()
{
    tableView()->reloadData();
}

void DirectoryViewController::editTable()
{
    auto table = tableView();
    if (table->isEditing()) {
        table->setEditing(Editing::Off, Animated::Yes);
        return;
    }
    m_editMode = !m_editMode;
    if (m_dataSource)
        m_dataSource->setIsEditing(m_editMode);
}

void DirectoryViewController::done()
{
    tableView()->setEditing(Editing::Off, Animated::Yes);
    if (m_dataSource)
        m_dataSource->setIsEditing(false);
    m_editMode = false;
}

bool DirectoryViewController::isTableEditing() const
{
    return m_tableView && m_tableView->isEditing();
}

void DirectoryViewController::setTableEditing(bool editing, Animated animated)
{
    tableView()->setEditing(editing ? Editing::On : Editing::Off, animated);
}

void DirectoryViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    // A second tap while the first one's screen loads is dropped. A tap that opens nothing, or
    // a load that ends without a screen, leaves the page taking taps again: otherwise one tap
    // on a text would leave the page dead until it is shown anew.
    if (m_hasSelected)
        return;
    m_hasSelected = true;
    if (!m_dataSource || !m_dataSource->didSelectObjectAtIndexPath(std::static_pointer_cast<DirectoryViewController>(shared_from_this()), path, m_editMode))
        m_hasSelected = false;
}

void DirectoryViewController::selectionEnded()
{
    m_hasSelected = false;
}

double DirectoryViewController::heightForRowAtIndexPath(TableView& table, IndexPath path)
{
    return m_dataSource ? m_dataSource->heightForRowAtIndexPath(table, path) : table.rowHeight();
}

} // namespace quindle
