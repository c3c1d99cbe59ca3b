#include "forms/HistoryViewController.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "forms/HistorySnapshot.h"
#include "platform/MainQueue.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

HistoryViewController::HistoryViewController(Model& model)
    : ViewController("History")
    , m_model(model)
{
}

std::shared_ptr<HistoryViewController> HistoryViewController::create(Model& model, std::string assetID, std::string resDocID, std::string name)
{
    auto screen = std::shared_ptr<HistoryViewController>(new HistoryViewController(model));
    screen->m_assetID = std::move(assetID);
    screen->m_resDocID = std::move(resDocID);
    screen->m_name = std::move(name);
    return screen;
}

void HistoryViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void HistoryViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<HistoryViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    if (!m_objects)
        load();
}

std::shared_ptr<TableView> HistoryViewController::tableView()
{
    view();
    return m_table;
}

std::string HistoryViewController::requestURL() const
{
    std::string url = m_url.empty() ? m_model.legacyBaseURL() + "start.php" : m_url;
    // Entries name their start address as a path ("/json/start.php") on the legacy server.
    const std::string base = m_model.legacyBaseURL();
    if (!m_url.empty() && m_url.front() == '/' && base.size() >= 6)
        url = base.substr(0, base.size() - 6) + m_url;
    if (!m_resDocID.empty())
        url += "?a=" + m_resDocID;
    return url;
}

void HistoryViewController::load()
{
    std::weak_ptr<HistoryViewController> weak = std::static_pointer_cast<HistoryViewController>(shared_from_this());
    m_model.requestWithURL(requestURL(), [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)]() mutable {
            if (auto self = weak.lock())
                self->takeReply(std::move(content));
        });
    });
}

void HistoryViewController::takeReply(std::optional<JsonValue> payload)
{
    // A failed request, or a reply without a list, leaves what the screen shows.
    if (!payload || !payload->isObject())
        return;
    m_reply = payload;
    const JsonValue& list = payload->object()->get("list");
    if (!list.isArray())
        return;
    setObjects(JsonArray::create(list.array()->items()));
    update();
}

void HistoryViewController::setObjects(JsonArrayPtr objects)
{
    m_objects = std::move(objects);
    m_displayed = HistorySnapshot::displayedRecords(m_objects);
    checkforNumericData();
}

void HistoryViewController::checkforNumericData()
{
    m_hasNumbers = HistorySnapshot::hasNumbers(m_objects);
}

void HistoryViewController::update()
{
    std::weak_ptr<HistoryViewController> weak = std::static_pointer_cast<HistoryViewController>(shared_from_this());
    MainQueue::shared().dispatch([weak] {
        if (auto self = weak.lock(); self && self->m_table)
            self->m_table->reloadData();
    });
}

JsonObjectPtr HistoryViewController::snapshotForRow(int row) const
{
    return row < 0 ? nullptr : HistorySnapshot::snapshotAt(m_displayed, static_cast<size_t>(row));
}

int HistoryViewController::numberOfRowsInSection(TableView&, int section)
{
    if (section == 0)
        return m_hasNumbers ? 2 : 1;
    return section == 1 ? static_cast<int>(m_displayed->size()) : 0;
}

std::shared_ptr<TableViewCell> HistoryViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Subtitle, cellIdentifier);
    cell->detailTextLabel()->setText({});
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    cell->setSelectionStyle(SelectionStyle::Default);
    if (path.section == 0) {
        if (path.row == 0) {
            cell->textLabel()->setText(m_name);
            cell->setAccessoryType(AccessoryType::None);
            cell->setSelectionStyle(SelectionStyle::None);
        } else {
            cell->textLabel()->setText("Graph");
        }
        return cell;
    }
    const JsonValue& value = path.row >= 0 && static_cast<size_t>(path.row) < m_displayed->size() ? m_displayed->at(path.row) : JsonValue {};
    if (value.isObject()) {
        cell->textLabel()->setText(HistorySnapshot::recordText(value.object()));
        cell->detailTextLabel()->setText(HistorySnapshot::recordDetail(value.object()));
    }
    return cell;
}

void HistoryViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    auto shell = ApplicationShell::shared();
    if (!shell)
        return;
    if (path.section == 0) {
        if (path.row == 1 && m_hasNumbers)
            push(shell->makeHistoryGraphViewController(m_resDocID, {}));
        return;
    }
    JsonObjectPtr snapshot = snapshotForRow(path.row);
    if (!snapshot)
        return;
    ResidentFormSetup setup;
    setup.assetID = m_assetID;
    setup.resDocID = m_resDocID;
    setup.name = m_name;
    setup.formState = std::move(snapshot);
    setup.suppressHistory = true;
    push(shell->makeMasterViewController(setup));
}

void HistoryViewController::push(const std::shared_ptr<ViewController>& screen)
{
    if (!screen)
        return;
    if (auto stack = navigationController())
        stack->pushViewController(screen, Animated::Yes);
}

} // namespace quindle
