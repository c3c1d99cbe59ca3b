#include "forms/DocumentViewController.h"

#include "ui/NavigationController.h"

namespace quindle {

DocumentViewController::DocumentViewController(std::shared_ptr<DocumentDatasource> datasource)
    : ViewController({})
    , m_datasource(std::move(datasource))
    , m_objects(m_datasource ? m_datasource->objects() : nullptr)
{
}

std::shared_ptr<DocumentViewController> DocumentViewController::create(std::shared_ptr<DocumentDatasource> datasource)
{
    std::shared_ptr<DocumentViewController> screen(new DocumentViewController(std::move(datasource)));
    if (screen->m_datasource)
        screen->m_datasource->setDocumentViewController(screen);
    return screen;
}

std::shared_ptr<DocumentViewController> DocumentViewController::createForDocument(const JsonObjectPtr& document, std::string assetID)
{
    JsonArrayPtr list;
    JsonObjectPtr state;
    if (document) {
        JsonValue linked = document->get("_linkedAsset");
        if (linked.isObject() && linked.object()->get("list").isArray())
            list = linked.object()->get("list").array();
        if (document->get("dict").isObject())
            state = document->get("dict").object();
    }
    auto screen = create(DocumentDatasource::create(list, state, std::move(assetID)));
    screen->setTitle(document ? document->get("name").asString() : std::string {});
    return screen;
}

void DocumentViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void DocumentViewController::viewDidLoad()
{
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(m_datasource));
    m_table->setDelegate(std::static_pointer_cast<DocumentViewController>(shared_from_this()));
    m_table->reloadData();
}

std::shared_ptr<TableView> DocumentViewController::tableView()
{
    view();
    return m_table;
}

void DocumentViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (!m_datasource || m_datasource->resendIfUnsaved(path))
        return;
    auto next = m_datasource->viewControllerFofIndexPath(path);
    if (auto stack = navigationController(); next && stack)
        stack->pushViewController(next, Animated::Yes);
}

} // namespace quindle
