#include "forms/WorkflowViewController.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "forms/CareRequest.h"
#include "forms/NextWorkflowViewController.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

namespace {
constexpr const char* screenTitle = "Workflow";
} // namespace

WorkflowViewController::WorkflowViewController()
    : ViewController(screenTitle)
{
    setTabBarItem({ screenTitle, "second.png", {} });
}

std::shared_ptr<WorkflowViewController> WorkflowViewController::create()
{
    return std::shared_ptr<WorkflowViewController>(new WorkflowViewController());
}

void WorkflowViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<WorkflowViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void WorkflowViewController::viewDidLoad()
{
    m_objects = Model::defaultInstance().workflow();
    configureBarbuttons();
}

std::shared_ptr<TableView> WorkflowViewController::tableView()
{
    view();
    return m_table;
}

void WorkflowViewController::configureBarbuttons()
{
    std::weak_ptr<WorkflowViewController> weak = std::static_pointer_cast<WorkflowViewController>(shared_from_this());
    auto add = BarButtonItem::create(SystemItem::Add, [weak] {
        if (auto self = weak.lock())
            self->addAsset();
    });
    auto toggle = BarButtonItem::create(m_editMode ? SystemItem::Done : SystemItem::Edit, [weak] {
        if (auto self = weak.lock())
            self->editTable();
    });
    if (!m_editMode && m_table)
        m_table->setEditing(Editing::Off, Animated::Yes);
    setRightBarButtonItems({ add, toggle });
}

void WorkflowViewController::editTable()
{
    m_editMode = !m_editMode;
    configureBarbuttons();
    m_table->reloadData();
}

void WorkflowViewController::addAsset()
{
    auto shell = ApplicationShell::shared();
    std::weak_ptr<WorkflowViewController> weak = std::static_pointer_cast<WorkflowViewController>(shared_from_this());
    auto adder = shell ? shell->makeFormAddAssetViewController(Model::defaultInstance().userAssetID(), [weak](std::optional<JsonValue>) {
        MainQueue::shared().dispatch([weak] {
            if (auto self = weak.lock(); self && self->m_table)
                self->m_table->reloadData();
        });
    })
                       : nullptr;
    if (adder)
        presentViewController(NavigationController::create(adder), Animated::Yes);
}

JsonObjectPtr WorkflowViewController::item(int row) const
{
    if (!m_objects || row < 0 || static_cast<size_t>(row) >= m_objects->size())
        return nullptr;
    return m_objects->at(static_cast<size_t>(row)).object();
}

int WorkflowViewController::numberOfRowsInSection(TableView&, int) { return m_objects ? static_cast<int>(m_objects->size()) : 0; }

std::shared_ptr<TableViewCell> WorkflowViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("WorkflowCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "WorkflowCell");
    auto workflow = item(path.row);
    cell->textLabel()->setText(workflow ? CareRequest::textOf(workflow->get("name")) : std::string());
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

void WorkflowViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    auto workflow = item(path.row);
    auto stack = navigationController();
    if (workflow && stack)
        stack->pushViewController(NextWorkflowViewController::create(CareRequest::idText(workflow->get("assetID"))), Animated::Yes);
}

} // namespace quindle
