#include "forms/SelectViewController.h"

#include "forms/FormEngine.h"
#include "ui/NavigationController.h"

namespace quindle {

SelectViewController::SelectViewController(JsonObjectPtr data, std::weak_ptr<FormEngine> parent, size_t index, std::string state)
    : ViewController(data ? data->get("name").asString() : std::string {})
    , m_data(std::move(data))
    , m_parent(std::move(parent))
    , m_index(index)
    , m_state(std::move(state))
    , m_rows(optionLabels(m_data))
{
}

std::shared_ptr<SelectViewController> SelectViewController::create(JsonObjectPtr data, std::weak_ptr<FormEngine> parent, size_t index, std::string state)
{
    return std::shared_ptr<SelectViewController>(new SelectViewController(std::move(data), std::move(parent), index, std::move(state)));
}

std::vector<std::string> SelectViewController::optionLabels(const JsonObjectPtr& entry)
{
    std::vector<std::string> labels;
    if (!entry)
        return labels;
    JsonValue source = entry->get("val").isString() ? entry->get("val") : entry->get("data");
    if (!source.isString())
        return labels;
    std::string text = source.asString();
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.replace(at, 2, "\n");
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        labels.push_back(line.substr(0, line.find(':')));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return labels;
}

void SelectViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    m_table->setDataSource(std::static_pointer_cast<SelectViewController>(shared_from_this()));
    m_table->setDelegate(std::static_pointer_cast<SelectViewController>(shared_from_this()));
}

std::shared_ptr<TableView> SelectViewController::tableView()
{
    view();
    return m_table;
}

int SelectViewController::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_rows.size()); }

std::shared_ptr<TableViewCell> SelectViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("SelectCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "SelectCell");
    const std::string& label = m_rows.at(static_cast<size_t>(path.row));
    cell->textLabel()->setText(label);
    cell->setAccessoryType(label == m_state ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void SelectViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_rows.size())
        return;
    m_state = m_rows[static_cast<size_t>(path.row)];
    // Closing first: the engine's reload may redraw the screen below.
    auto keep = shared_from_this();
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
    if (auto parent = m_parent.lock())
        parent->setValue(m_state, m_index, std::to_string(path.row));
}

} // namespace quindle
