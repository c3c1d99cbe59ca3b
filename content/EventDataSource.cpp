#include "content/EventDataSource.h"

#include "content/ApplicationShell.h"
#include "content/DataManager.h"
#include "content/DatePickerCell.h"
#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/ViewController.h"

namespace quindle {

namespace {

struct DateRowInfo {
    const char* key;
    const char* header;
};

/// The date a picker row edits and the text above its picker.
DateRowInfo dateRowInfo(int row)
{
    switch (row) {
    case EventDataSource::StartDateRow: return { "startDate", "Enter date from which to show the event" };
    case EventDataSource::DateRow: return { "date", "Enter the start time of the event" };
    default: return { "endDate", "Enter end date of the event" };
    }
}

std::string eventName(const AssetRecord& event)
{
    if (!event)
        return {};
    if (const std::string* name = event->get("name").string())
        return *name;
    return asset::name(event);
}

} // namespace

std::shared_ptr<EventDataSource> EventDataSource::create(AssetRecord event)
{
    return std::shared_ptr<EventDataSource>(new EventDataSource(std::move(event)));
}

void EventDataSource::registerCellsForTableView(const std::shared_ptr<TableView>& table)
{
    m_tableView = table;
    if (!table)
        return;
    table->registerCell(datePickerCellIdentifier,
        [](const std::string& identifier) { return DatePickerCell::create(CellStyle::Default, identifier); });
    table->registerCell(eventCellIdentifier,
        [](const std::string& identifier) { return TableViewCell::create(CellStyle::Default, identifier); });
}

int EventDataSource::numberOfRowsInSection(TableView&, int section)
{
    if (section != 0)
        return 0;
    return m_isEditing ? editModeRows : viewModeRows;
}

std::shared_ptr<TableViewCell> EventDataSource::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    return m_isEditing ? editCellForRowAtIndexPath(table, path) : nonEditCellForRowAtIndexPath(table, path);
}

std::shared_ptr<TableViewCell> EventDataSource::nonEditCellForRowAtIndexPath(TableView& table, IndexPath path)
{
    switch (path.row) {
    case 0: return plainCell(table, eventName(m_event));
    case 1: return plainCell(table, asset::displayDate(m_event));
    case 2: return plainCell(table, asset::displayEndDate(m_event));
    default: return plainCell(table, asset::text(m_event));
    }
}

std::shared_ptr<TableViewCell> EventDataSource::editCellForRowAtIndexPath(TableView& table, IndexPath path)
{
    int row = path.row;
    if (showsPicker(row)) {
        std::shared_ptr<TableViewCell> dequeued = table.dequeueReusableCellWithIdentifier(datePickerCellIdentifier);
        auto cell = std::dynamic_pointer_cast<DatePickerCell>(dequeued);
        if (!cell)
            cell = DatePickerCell::create(CellStyle::Default, datePickerCellIdentifier);
        DateRowInfo info = dateRowInfo(row);
        cell->configureWithAsset(m_event, info.key, info.header);
        return cell;
    }
    switch (row) {
    case NameRow: return plainCell(table, eventName(m_event));
    case StartDateRow: return plainCell(table, asset::displayStartDate(m_event));
    case DateRow: return plainCell(table, asset::displayDate(m_event));
    case EndDateRow: return plainCell(table, asset::displayEndDate(m_event));
    default: {
        std::string text = asset::text(m_event);
        return plainCell(table, text.empty() ? noDescriptionText : text);
    }
    }
}

std::shared_ptr<TableViewCell> EventDataSource::plainCell(TableView& table, const std::string& text)
{
    std::shared_ptr<TableViewCell> cell = table.dequeueReusableCellWithIdentifier(eventCellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, eventCellIdentifier);
    cell->textLabel()->setText(text);
    return cell;
}

bool EventDataSource::showsPicker(int row) const
{
    return m_isEditing && row == m_selectedRow && row >= StartDateRow && row <= EndDateRow;
}

double EventDataSource::heightForRowAtIndexPath(TableView&, IndexPath path)
{
    return showsPicker(path.row) ? pickerRowHeight : rowHeight;
}

bool EventDataSource::didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool)
{
    // The screen passes no edit mode of its own; the mode set through setIsEditing counts.
    int row = path.row;
    if (m_isEditing && row != m_selectedRow)
        save();
    m_selectedRow = row;
    if (m_isEditing && row == DescriptionRow) {
        std::shared_ptr<ViewController> controller = screen ? screen->screenController() : nullptr;
        std::shared_ptr<NavigationController> navigation = controller ? controller->navigationController() : nullptr;
        if (!navigation)
            return false;
        auto shell = ApplicationShell::shared();
        auto shown = std::make_shared<std::weak_ptr<ViewController>>();
        auto editor = shell ? shell->makeTextEditorViewController(m_event, TextEditorMode::Text, popWhenCompleted(shown)) : nullptr;
        if (!editor)
            return false;
        *shown = editor;
        navigation->pushViewController(editor, Animated::Yes);
        return true;
    }
    reloadTable();
    return false;
}

void EventDataSource::setIsEditing(bool editing)
{
    // "Done" closes the open date row, so its dates go out first.
    if (m_isEditing && !editing)
        save();
    m_isEditing = editing;
    m_selectedRow = -1;
    reloadTable();
}

void EventDataSource::save()
{
    // Each row sends the date its picker edits. A new start time widens the end date on the
    // server as it does here, so the end date is not sent with it: two requests in flight could
    // otherwise land in either order. The show-from date has no request of its own.
    switch (m_selectedRow) {
    case DateRow: sendDate("date"); break;
    case EndDateRow: sendDate("endDate"); break;
    default: break;
    }
}

void EventDataSource::sendDate(const std::string& key)
{
    if (!m_event)
        return;
    std::string id = m_event->get("assetID").asString();
    if (id.empty())
        id = asset::ident(m_event).value_or(std::string());
    std::optional<Date> date = key == "date" ? asset::date(m_event) : asset::endDate(m_event);
    // Without an identifier or a date there is nothing the server could store.
    if (id.empty() || !date)
        return;
    Model::defaultInstance().sendDateForAssetID(id, key, *date, {});
}

void EventDataSource::changeImage()
{
    if (m_dataManager)
        m_dataManager->changeImageForAsset(m_event);
}

void EventDataSource::reloadTable()
{
    if (auto table = m_tableView.lock())
        table->reloadData();
}

} // namespace quindle
