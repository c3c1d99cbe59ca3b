#include "forms/ActionViewController.h"

#include "content/FollowUpInterval.h"
#include "core/Model.h"
#include "forms/CareRequest.h"
#include "forms/DevicesViewController.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

namespace {
constexpr int detailsSection = 0;
constexpr int notifyRow = 1;
constexpr const char* notSent = " (not sent)";
} // namespace

ActionViewController::ActionViewController(std::string name, JsonObjectPtr actionDict, std::string assetID)
    : ViewController(name)
    , m_name(std::move(name))
    , m_actionDict(std::move(actionDict))
    , m_assetID(std::move(assetID))
{
}

std::shared_ptr<ActionViewController> ActionViewController::create(std::string name, JsonObjectPtr actionDict, std::string assetID)
{
    return std::shared_ptr<ActionViewController>(new ActionViewController(std::move(name), std::move(actionDict), std::move(assetID)));
}

void ActionViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<ActionViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void ActionViewController::viewDidLoad()
{
    if (m_actionDict) {
        m_devID = CareRequest::idText(m_actionDict->get("linkID"));
        m_selectedRow = FollowUpInterval::integerValue(CareRequest::idText(m_actionDict->get("val")));
    }
    m_savedDevID = m_devID;
    for (long i = 0; i < FollowUpInterval::count; ++i)
        m_objects.push_back(FollowUpInterval::label(i));
    fetchDevices();
}

std::shared_ptr<TableView> ActionViewController::tableView()
{
    view();
    return m_table;
}

void ActionViewController::reload()
{
    if (m_table)
        m_table->reloadData();
}

void ActionViewController::fetchDevices()
{
    std::weak_ptr<ActionViewController> weak = std::static_pointer_cast<ActionViewController>(shared_from_this());
    CareRequest::send("devices.php", weak, [weak](const std::optional<JsonValue>& payload) {
        auto self = weak.lock();
        auto list = CareRequest::listOf(payload);
        if (!self || !list)
            return;
        self->m_devs = JsonArray::create(list->items());
        if (!self->m_devID.empty())
            self->m_selectedDev = self->deviceName(self->m_devID);
        self->reload();
    });
}

std::string ActionViewController::deviceName(const std::string& devID) const
{
    for (const JsonValue& device : m_devs ? m_devs->items() : std::vector<JsonValue> {})
        if (device.isObject() && CareRequest::idText(device.object()->get("assetID")) == devID)
            return CareRequest::textOf(device.object()->get("name"));
    return {};
}

void ActionViewController::setDevID(std::string devID)
{
    m_devID = std::move(devID);
    reload();
}

std::string ActionViewController::notifyText() const
{
    if (m_devID == m_savedDevID)
        return m_selectedDev;
    std::string chosen = deviceName(m_devID);
    return chosen.empty() ? std::string() : chosen + notSent;
}

int ActionViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == detailsSection ? 3 : static_cast<int>(m_objects.size());
}

std::string ActionViewController::titleForHeaderInSection(TableView&, int section)
{
    return section == detailsSection ? "Details" : "Followup interval";
}

std::shared_ptr<TableViewCell> ActionViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("ActionCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Value1, "ActionCell");
    cell->setAccessoryType(AccessoryType::None);
    if (path.section == detailsSection) {
        switch (path.row) {
        case 0:
            cell->textLabel()->setText(m_name);
            cell->detailTextLabel()->setText({});
            break;
        case notifyRow:
            cell->textLabel()->setText("Notify");
            cell->detailTextLabel()->setText(notifyText());
            cell->setAccessoryType(AccessoryType::DisclosureIndicator);
            break;
        default:
            cell->textLabel()->setText("Next update required on");
            cell->detailTextLabel()->setText(m_actionDict ? CareRequest::textOf(m_actionDict->get("date")) : std::string());
        }
        return cell;
    }
    cell->textLabel()->setText(m_objects.at(static_cast<size_t>(path.row)));
    cell->detailTextLabel()->setText({});
    cell->setAccessoryType(path.row == m_selectedRow ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void ActionViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.section == detailsSection) {
        if (path.row != notifyRow)
            return;
        auto chooser = DevicesViewController::create(m_devs, std::static_pointer_cast<ActionViewController>(shared_from_this()),
            m_actionDict ? CareRequest::idText(m_actionDict->get("linkID")) : std::string());
        if (auto stack = navigationController())
            stack->pushViewController(chooser, Animated::Yes);
        return;
    }
    if (path.row >= 0 && path.row < static_cast<int>(m_objects.size()))
        chooseInterval(path.row);
}

// The choice shows at once; a refusal puts back what the server holds and says so.
void ActionViewController::chooseInterval(long row)
{
    if (m_sending)
        return;
    const long previousRow = m_selectedRow;
    const JsonValue previousDate = m_actionDict ? m_actionDict->get("date") : JsonValue();
    const JsonValue previousVal = m_actionDict ? m_actionDict->get("val") : JsonValue();
    const std::string date = FollowUpInterval::dateString(row, DateFormat::now());
    m_selectedRow = row;
    if (m_actionDict) {
        m_actionDict->set("date", date);
        m_actionDict->set("val", std::to_string(row));
    }
    m_sending = true;
    reload();
    const std::string sentDevID = m_devID;
    std::weak_ptr<ActionViewController> weak = std::static_pointer_cast<ActionViewController>(shared_from_this());
    CareRequest::send("setAction.php?a=" + m_assetID + "&date=" + Model::encodeIllegal(date) + "&devID=" + sentDevID
            + "&val=" + std::to_string(row),
        weak, [weak, row, previousRow, previousDate, previousVal, sentDevID](const std::optional<JsonValue>& payload) {
            if (auto self = weak.lock())
                self->intervalAnswered(payload && payload->isObject(), row, previousRow, previousDate, previousVal, sentDevID);
        });
}

void ActionViewController::intervalAnswered(bool taken, long row, long previousRow, const JsonValue& previousDate,
    const JsonValue& previousVal, const std::string& sentDevID)
{
    m_sending = false;
    if (taken) {
        m_savedDevID = sentDevID;
        m_selectedDev = deviceName(sentDevID);
        if (m_actionDict)
            m_actionDict->set("linkID", sentDevID);
        reload();
        return;
    }
    if (m_selectedRow == row)
        m_selectedRow = previousRow;
    if (m_actionDict) {
        m_actionDict->set("date", previousDate);
        m_actionDict->set("val", previousVal);
    }
    m_devID = m_savedDevID;
    reload();
    m_alert = CareRequest::alert(*this, "Not saved", "The server did not take the follow-up interval, so the previous one still stands.");
}

} // namespace quindle
