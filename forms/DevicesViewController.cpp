#include "forms/DevicesViewController.h"

#include "forms/ActionViewController.h"
#include "forms/CareRequest.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

DevicesViewController::DevicesViewController(JsonArrayPtr objects, std::weak_ptr<ActionViewController> parent, std::string assetID)
    : ViewController("Notify")
    , m_objects(std::move(objects))
    , m_parent(std::move(parent))
    , m_assetID(std::move(assetID))
{
}

std::shared_ptr<DevicesViewController> DevicesViewController::create(JsonArrayPtr objects, std::weak_ptr<ActionViewController> parent, std::string assetID)
{
    return std::shared_ptr<DevicesViewController>(new DevicesViewController(std::move(objects), std::move(parent), std::move(assetID)));
}

void DevicesViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<DevicesViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void DevicesViewController::viewDidLoad()
{
    if (m_objects)
        return;
    std::weak_ptr<DevicesViewController> weak = std::static_pointer_cast<DevicesViewController>(shared_from_this());
    CareRequest::send("devices.php", weak, [weak](const std::optional<JsonValue>& payload) {
        auto self = weak.lock();
        auto list = CareRequest::listOf(payload);
        if (!self || !list)
            return;
        self->m_objects = JsonArray::create(list->items());
        self->m_table->reloadData();
    });
}

std::shared_ptr<TableView> DevicesViewController::tableView()
{
    view();
    return m_table;
}

JsonObjectPtr DevicesViewController::device(int row) const
{
    if (!m_objects || row < 0 || static_cast<size_t>(row) >= m_objects->size())
        return nullptr;
    return m_objects->at(static_cast<size_t>(row)).object();
}

int DevicesViewController::numberOfRowsInSection(TableView&, int) { return m_objects ? static_cast<int>(m_objects->size()) : 0; }

std::shared_ptr<TableViewCell> DevicesViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("DeviceCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "DeviceCell");
    auto record = device(path.row);
    cell->textLabel()->setText(record ? CareRequest::textOf(record->get("name")) : std::string());
    const bool chosen = record && !m_assetID.empty() && CareRequest::idText(record->get("assetID")) == m_assetID;
    cell->setAccessoryType(chosen ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void DevicesViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    auto record = device(path.row);
    if (!record)
        return;
    auto keep = shared_from_this();
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
    if (auto parent = m_parent.lock())
        parent->setDevID(CareRequest::idText(record->get("assetID")));
}

} // namespace quindle
