#include "forms/FormSelectionViewController.h"

#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

FormSelectionViewController::FormSelectionViewController(Model& model)
    : ViewController("Select page")
    , m_model(model)
{
}

std::shared_ptr<FormSelectionViewController> FormSelectionViewController::create(Model& model)
{
    return std::shared_ptr<FormSelectionViewController>(new FormSelectionViewController(model));
}

void FormSelectionViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void FormSelectionViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<FormSelectionViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    std::weak_ptr<FormSelectionViewController> weak = self;
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto chooser = weak.lock())
            chooser->cancel();
    }));
    refresh();
}

std::shared_ptr<TableView> FormSelectionViewController::tableView()
{
    view();
    return m_table;
}

void FormSelectionViewController::refresh()
{
    std::weak_ptr<FormSelectionViewController> weak = std::static_pointer_cast<FormSelectionViewController>(shared_from_this());
    m_model.fetchPageListWithCompletionHandler([weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            // A failed request or a reply without a page list offers no page rather than old ones.
            const JsonValue& pages = content && content->isObject() ? content->object()->get("PageList") : JsonValue {};
            self->setObjects(pages.isArray() ? pages.array() : nullptr);
            if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

int FormSelectionViewController::numberOfRowsInSection(TableView&, int)
{
    return static_cast<int>(m_objects->size());
}

std::shared_ptr<TableViewCell> FormSelectionViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const JsonValue& page = path.row >= 0 && static_cast<size_t>(path.row) < m_objects->size() ? m_objects->at(path.row) : JsonValue {};
    cell->textLabel()->setText(page.isObject() ? page.object()->get("Name").asString() : std::string {});
    return cell;
}

void FormSelectionViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_objects->size() || !m_objects->at(path.row).isObject())
        return;
    JsonObjectPtr page = m_objects->at(path.row).object();
    if (auto target = m_cont.lock()) {
        target->setLinkAssetId(page->get("Id").asString());
        target->setLinkName(page->get("Name").asString());
    }
    close();
}

void FormSelectionViewController::cancel()
{
    close();
}

void FormSelectionViewController::close()
{
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
}

} // namespace quindle
