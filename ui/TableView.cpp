#include "ui/TableView.h"

namespace quindle {

double TableViewDelegate::heightForRowAtIndexPath(TableView& table, IndexPath) { return table.rowHeight(); }

std::shared_ptr<TableView> TableView::create(Rect frame) { return std::shared_ptr<TableView>(new TableView(frame)); }

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = m_reusePool.find(identifier);
    if (it == m_reusePool.end() || it->second.empty())
        return nullptr;
    auto cell = it->second.back();
    it->second.pop_back();
    return cell;
}

void TableView::enqueueReusableCell(const std::shared_ptr<TableViewCell>& cell)
{
    if (cell)
        m_reusePool[cell->reuseIdentifier()].push_back(cell);
}

int TableView::numberOfSections()
{
    auto source = m_dataSource.lock();
    return source ? source->numberOfSectionsInTableView(*this) : 0;
}

int TableView::numberOfRowsInSection(int section)
{
    auto source = m_dataSource.lock();
    if (!source || section < 0 || section >= numberOfSections())
        return 0;
    return source->numberOfRowsInSection(*this, section);
}

bool TableView::exists(IndexPath path, int extraRows)
{
    return path.row >= 0 && path.row < numberOfRowsInSection(path.section) + extraRows;
}

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath path)
{
    auto source = m_dataSource.lock();
    if (!source || !exists(path))
        return nullptr;
    return source->cellForRowAtIndexPath(*this, path);
}

void TableView::reloadData()
{
    if (auto o = observer())
        o->tableReloaded(*this, {}, RowAnimation::None);
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation)
{
    if (auto o = observer())
        o->tableReloaded(*this, rows, animation);
}

void TableView::selectRow(IndexPath path)
{
    auto delegate = m_delegate.lock();
    if (delegate && exists(path))
        delegate->didSelectRowAtIndexPath(*this, path);
}

bool TableView::deleteRow(IndexPath path)
{
    auto source = m_dataSource.lock();
    if (!source || !isEditing() || !exists(path) || !source->canEditRowAtIndexPath(*this, path))
        return false;
    auto delegate = m_delegate.lock();
    auto style = delegate ? delegate->editingStyleForRowAtIndexPath(*this, path) : EditingStyle::Delete;
    if (style != EditingStyle::Delete)
        return false;
    source->commitEditingStyle(*this, EditingStyle::Delete, path);
    reloadData();
    return true;
}

bool TableView::moveRow(IndexPath from, IndexPath to)
{
    auto source = m_dataSource.lock();
    if (!source || !isEditing() || !exists(from) || !source->canMoveRowAtIndexPath(*this, from))
        return false;
    // Moving into another section adds a row there, so one past its end is a valid target.
    if (!exists(to, to.section == from.section ? 0 : 1))
        return false;
    if (from == to)
        return true;
    source->moveRowAtIndexPath(*this, from, to);
    reloadData();
    return true;
}

} // namespace quindle
