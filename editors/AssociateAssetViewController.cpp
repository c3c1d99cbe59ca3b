#include "editors/AssociateAssetViewController.h"

#include "core/Model.h"
#include "editors/EditorAlert.h"
#include "platform/MainQueue.h"

namespace quindle {

std::shared_ptr<AssociateAssetViewController> AssociateAssetViewController::create(std::string assetID, EditorCompletion completionHandler)
{
    return create(Model::defaultInstance(), std::move(assetID), std::move(completionHandler));
}

std::shared_ptr<AssociateAssetViewController> AssociateAssetViewController::create(Model& model, std::string assetID,
    EditorCompletion completionHandler)
{
    return std::shared_ptr<AssociateAssetViewController>(
        new AssociateAssetViewController(model, std::move(assetID), std::move(completionHandler)));
}

AssociateAssetViewController::AssociateAssetViewController(Model& model, std::string assetID, EditorCompletion handler)
    : ViewController({})
    , m_model(model)
    , m_assetID(std::move(assetID))
    , m_completionHandler(std::move(handler))
{
}

void AssociateAssetViewController::loadView()
{
    m_table = TableView::create();
    m_table->registerCell(cellIdentifier, [](const std::string& identifier) { return TableViewCell::create(CellStyle::Default, identifier); });
    setView(m_table);
    auto self = std::static_pointer_cast<AssociateAssetViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
}

void AssociateAssetViewController::viewDidLoad()
{
    m_assetList = m_model.workflow();
}

std::shared_ptr<TableView> AssociateAssetViewController::tableView()
{
    view();
    return m_table;
}

JsonObjectPtr AssociateAssetViewController::recordAt(int row) const
{
    if (!m_assetList || row < 0 || static_cast<size_t>(row) >= m_assetList->size())
        return nullptr;
    const JsonValue& value = m_assetList->at(static_cast<size_t>(row));
    return value.isObject() ? value.object() : nullptr;
}

int AssociateAssetViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == 0 && m_assetList ? static_cast<int>(m_assetList->size()) : 0;
}

std::shared_ptr<TableViewCell> AssociateAssetViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    auto record = recordAt(path.row);
    cell->textLabel()->setText(record ? record->get("name").asString() : std::string {});
    return cell;
}

void AssociateAssetViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    auto record = recordAt(path.row);
    if (path.section != 0 || !record)
        return;
    table.deselectRowAtIndexPath(path, Animated::Yes);
    std::weak_ptr<AssociateAssetViewController> weak = std::static_pointer_cast<AssociateAssetViewController>(shared_from_this());
    m_model.associateAssetID(record->get("assetID").asString(), m_assetID, [weak](std::optional<JsonValue> content, std::optional<Error> error) {
        const bool stored = content.has_value() && !error;
        MainQueue::shared().dispatch([weak, stored, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            if (!stored) {
                self->m_alert = EditorAlert::show(*self, "Not linked", "The workflow was not linked; nothing was changed.");
                return;
            }
            if (self->m_completionHandler)
                self->m_completionHandler(content);
        });
    });
}

} // namespace quindle
