#include "forms/FollowupViewController.h"

#include "content/ApplicationShell.h"
#include "forms/CareRequest.h"
#include "ui/NavigationController.h"
#include "ui/RefreshControl.h"
#include "ui/TableViewCell.h"

namespace quindle {

namespace {
constexpr const char* screenTitle = "Followups";
} // namespace

FollowupViewController::FollowupViewController()
    : ViewController(screenTitle)
{
    setTabBarItem({ screenTitle, "second.png", {} });
}

std::shared_ptr<FollowupViewController> FollowupViewController::create()
{
    auto screen = std::shared_ptr<FollowupViewController>(new FollowupViewController());
    screen->fetchFollowups();
    return screen;
}

void FollowupViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<FollowupViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
    m_refreshControl = RefreshControl::create();
    std::weak_ptr<FollowupViewController> weak = self;
    m_refreshControl->onRefresh = [weak](RefreshControl&) {
        if (auto screen = weak.lock())
            screen->fetchFollowups();
    };
    m_table->setRefreshControl(m_refreshControl);
}

std::shared_ptr<TableView> FollowupViewController::tableView()
{
    view();
    return m_table;
}

void FollowupViewController::fetchFollowups()
{
    std::weak_ptr<FollowupViewController> weak = std::static_pointer_cast<FollowupViewController>(shared_from_this());
    CareRequest::send("currentUserOverdueActions.php", weak, [weak](const std::optional<JsonValue>& payload) {
        auto self = weak.lock();
        if (!self)
            return;
        if (self->m_refreshControl)
            self->m_refreshControl->endRefreshing();
        auto list = CareRequest::listOf(payload);
        if (!list)
            return;
        self->m_objects = JsonArray::create(list->items());
        self->update();
    });
}

void FollowupViewController::update()
{
    setBadgeValue(std::to_string(m_objects ? m_objects->size() : 0));
    if (m_table)
        m_table->reloadData();
}

JsonObjectPtr FollowupViewController::followup(int row) const
{
    if (!m_objects || row < 0 || static_cast<size_t>(row) >= m_objects->size())
        return nullptr;
    return m_objects->at(static_cast<size_t>(row)).object();
}

int FollowupViewController::numberOfRowsInSection(TableView&, int)
{
    return m_objects && !m_objects->empty() ? static_cast<int>(m_objects->size()) : 1;
}

std::shared_ptr<TableViewCell> FollowupViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("FollowupCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Subtitle, "FollowupCell");
    if (!m_objects || m_objects->empty()) {
        cell->textLabel()->setText("No Followups found");
        cell->detailTextLabel()->setText({});
        cell->setAccessoryType(AccessoryType::None);
        return cell;
    }
    auto item = followup(path.row);
    cell->textLabel()->setText(item ? CareRequest::textOf(item->get("message"), "No message") : "No message");
    cell->detailTextLabel()->setText(item ? CareRequest::textOf(item->get("date")) : std::string());
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

void FollowupViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    auto item = followup(path.row);
    if (!item)
        return;
    nextForm(item, CareRequest::idText(item->get("linkID")), CareRequest::idText(item->get("resDocID")));
}

JsonObjectPtr FollowupViewController::formStateFromPayload(const std::optional<JsonValue>& payload)
{
    if (!payload || !payload->isObject())
        return nullptr;
    const JsonValue& list = payload->object()->get("list");
    if (!list.isObject() || payload->object()->get("modified").isNull())
        return nullptr;
    return JsonObject::create(list.object()->entries());
}

void FollowupViewController::nextForm(const JsonObjectPtr& item, const std::string& assetID, const std::string& resDocID)
{
    std::weak_ptr<FollowupViewController> weak = std::static_pointer_cast<FollowupViewController>(shared_from_this());
    CareRequest::send("currentState.php?a=" + resDocID, weak, [weak, item, assetID, resDocID](const std::optional<JsonValue>& payload) {
        auto self = weak.lock();
        auto shell = ApplicationShell::shared();
        if (!self || !shell)
            return;
        ResidentFormSetup setup;
        setup.url = CareRequest::textOf(item->get("url"));
        setup.assetID = assetID;
        setup.resID = CareRequest::idText(item->get("resID"));
        setup.name = CareRequest::textOf(item->get("resName"));
        setup.date = CareRequest::textOf(item->get("date"));
        setup.message = CareRequest::textOf(item->get("message"));
        setup.formState = formStateFromPayload(payload);
        setup.resDocID = resDocID;
        auto form = shell->makeMasterViewController(setup);
        auto stack = self->navigationController();
        if (form && stack)
            stack->pushViewController(form, Animated::Yes);
    });
}

} // namespace quindle
