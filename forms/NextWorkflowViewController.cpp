#include "forms/NextWorkflowViewController.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "forms/CareRequest.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

NextWorkflowViewController::NextWorkflowViewController(std::string assetID)
    : ViewController("Next workflow")
    , m_assetID(std::move(assetID))
{
}

std::shared_ptr<NextWorkflowViewController> NextWorkflowViewController::create(std::string assetID)
{
    auto screen = std::shared_ptr<NextWorkflowViewController>(new NextWorkflowViewController(std::move(assetID)));
    std::weak_ptr<NextWorkflowViewController> weak = screen;
    screen->setRightBarButtonItem(BarButtonItem::create("add", BarButtonStyle::Plain, [weak] {
        if (auto self = weak.lock())
            self->add();
    }));
    screen->fetchAssociatedAssets();
    return screen;
}

void NextWorkflowViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<NextWorkflowViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

std::shared_ptr<TableView> NextWorkflowViewController::tableView()
{
    view();
    return m_table;
}

void NextWorkflowViewController::fetchAssociatedAssets()
{
    std::weak_ptr<NextWorkflowViewController> weak = std::static_pointer_cast<NextWorkflowViewController>(shared_from_this());
    Model::defaultInstance().fetchAssociatedAssetsForAssetID(m_assetID, [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            // The reply content is the record holding "list", or the list itself.
            JsonArrayPtr list = content && content->isArray() ? content->array() : CareRequest::listOf(content);
            if (!list)
                return;
            self->m_objects = JsonArray::create(list->items());
            if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

void NextWorkflowViewController::add()
{
    auto shell = ApplicationShell::shared();
    std::weak_ptr<NextWorkflowViewController> weak = std::static_pointer_cast<NextWorkflowViewController>(shared_from_this());
    auto chooser = shell ? shell->makeAssociateAssetViewController(m_assetID, [weak](std::optional<JsonValue>) {
        MainQueue::shared().dispatch([weak] {
            auto self = weak.lock();
            if (!self)
                return;
            if (self->presentedViewController())
                self->dismissViewController(Animated::Yes);
            self->fetchAssociatedAssets();
        });
    })
                         : nullptr;
    if (chooser)
        presentViewController(NavigationController::create(chooser), Animated::Yes);
}

int NextWorkflowViewController::numberOfRowsInSection(TableView&, int) { return m_objects ? static_cast<int>(m_objects->size()) : 0; }

std::shared_ptr<TableViewCell> NextWorkflowViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("NextCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "NextCell");
    const JsonValue& record = m_objects->at(static_cast<size_t>(path.row));
    cell->textLabel()->setText(record.isObject() ? CareRequest::textOf(record.object()->get("name")) : std::string());
    return cell;
}

} // namespace quindle
