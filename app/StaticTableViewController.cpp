#include "app/StaticTableViewController.h"

#include "ui/TextField.h"
#include "ui/Window.h"

#include <atomic>

namespace quindle {

namespace {

/// Lays its one field over the whole content area.
class FieldCell : public TableViewCell {
public:
    static std::shared_ptr<FieldCell> create(std::shared_ptr<TextField> field, std::string identifier)
    {
        auto cell = std::shared_ptr<FieldCell>(new FieldCell(std::move(field), std::move(identifier)));
        cell->build();
        cell->contentView()->addSubview(cell->m_field);
        cell->setSelectionStyle(SelectionStyle::None);
        cell->layoutSubviews();
        return cell;
    }
    void layoutSubviews() override
    {
        TableViewCell::layoutSubviews();
        if (m_field)
            m_field->setFrame(contentView()->bounds().inset(4, 15, 4, 15));
    }

private:
    FieldCell(std::shared_ptr<TextField> field, std::string identifier)
        : TableViewCell(CellStyle::Default, std::move(identifier))
        , m_field(std::move(field))
    {
    }
    std::shared_ptr<TextField> m_field;
};

/// Each fixed cell gets an identifier of its own, so the table's pool never hands it to another row.
std::string nextIdentifier()
{
    static std::atomic<unsigned> counter { 0 };
    return "StaticCell" + std::to_string(++counter);
}

} // namespace

StaticTableViewController::StaticTableViewController(std::string title)
    : ViewController(std::move(title))
{
}

void StaticTableViewController::loadView()
{
    Rect frame = TableViewCell::defaultFrame;
    frame.height = Window::defaultBounds.height;
    m_table = TableView::create(frame);
    auto self = std::static_pointer_cast<StaticTableViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
    setView(m_table);
}

std::shared_ptr<TableView> StaticTableViewController::tableView()
{
    view();
    return m_table;
}

void StaticTableViewController::setRows(std::vector<Row> rows)
{
    m_rows = std::move(rows);
    if (m_table)
        m_table->reloadData();
}

int StaticTableViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == 0 ? static_cast<int>(m_rows.size()) : 0;
}

std::shared_ptr<TableViewCell> StaticTableViewController::cellForRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_rows.size()))
        return nullptr;
    return m_rows[path.row].cell;
}

double StaticTableViewController::heightForRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_rows.size()))
        return table.rowHeight();
    return m_rows[path.row].height;
}

void StaticTableViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_rows.size()))
        return;
    table.deselectRowAtIndexPath(path, Animated::Yes);
    // A copy: the action may replace the rows.
    if (auto action = m_rows[path.row].onSelect)
        action();
}

void StaticTableViewController::showAlert(std::string title, std::string message, std::string button, std::function<void()> dismissed)
{
    m_alert = AlertView::create(std::move(title), std::move(message), std::move(button));
    if (dismissed)
        m_alert->onDismiss = [dismissed = std::move(dismissed)](AlertView&, int) { dismissed(); };
    m_alert->show(window());
}

void StaticTableViewController::close()
{
    dismissViewController(Animated::Yes);
}

std::shared_ptr<TableViewCell> StaticTableViewController::fieldCell(const std::shared_ptr<TextField>& field)
{
    return FieldCell::create(field, nextIdentifier());
}

std::shared_ptr<TableViewCell> StaticTableViewController::captionCell(std::string caption, AccessoryType accessory)
{
    auto cell = TableViewCell::create(CellStyle::Default, nextIdentifier());
    cell->textLabel()->setText(std::move(caption));
    cell->setAccessoryType(accessory);
    return cell;
}

std::shared_ptr<TextField> StaticTableViewController::makeField(std::string placeholder, SecureEntry secure, KeyboardType keyboard)
{
    auto field = TextField::create();
    field->setPlaceholder(std::move(placeholder));
    field->setSecureTextEntry(secure);
    field->setKeyboardType(keyboard);
    return field;
}

} // namespace quindle
