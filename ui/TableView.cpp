#include "ui/TableView.h"

#include <algorithm>
#include <limits>

namespace quindle {

double TableViewDelegate::heightForRowAtIndexPath(TableView& table, IndexPath) { return table.rowHeight(); }

std::shared_ptr<TableView> TableView::create(Rect frame, TableViewStyle style)
{
    return std::shared_ptr<TableView>(new TableView(frame, style));
}

void TableView::registerCell(const std::string& identifier, CellFactory factory)
{
    m_reusePool.registerCell(identifier, std::move(factory));
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    return m_reusePool.dequeue(identifier);
}

void TableView::enqueueReusableCell(const std::shared_ptr<TableViewCell>& cell)
{
    if (!cell)
        return;
    setHost(*cell, nullptr);
    m_reusePool.enqueue(cell);
}

int TableView::numberOfSections()
{
    auto source = m_dataSource.lock();
    return source ? std::max(0, source->numberOfSectionsInTableView(*this)) : 0;
}

int TableView::numberOfRowsInSection(int section)
{
    auto source = m_dataSource.lock();
    if (!source || section < 0 || section >= numberOfSections())
        return 0;
    return std::max(0, source->numberOfRowsInSection(*this, section));
}

std::string TableView::titleForHeaderInSection(int section)
{
    auto source = m_dataSource.lock();
    if (!source || section < 0 || section >= numberOfSections())
        return {};
    return source->titleForHeaderInSection(*this, section);
}

double TableView::heightForRowAtIndexPath(IndexPath path)
{
    auto delegate = m_delegate.lock();
    double height = delegate ? delegate->heightForRowAtIndexPath(*this, path) : m_rowHeight;
    return std::max(0.0, height);
}

bool TableView::exists(IndexPath path)
{
    return path.row >= 0 && path.row < numberOfRowsInSection(path.section);
}

TableLayout TableView::layoutRows(double top, double height)
{
    TableLayout layout;
    auto source = m_dataSource.lock();
    double bottom = top + height;
    double y = m_headerView ? m_headerView->frame().height : 0;
    double width = frame().width;
    std::vector<std::pair<IndexPath, Rect>> inView;
    int sections = numberOfSections();
    for (int section = 0; section < sections; ++section) {
        auto title = titleForHeaderInSection(section);
        if (!title.empty()) {
            Rect header { 0, y, width, m_headerHeight };
            if (header.maxY() > top && header.y < bottom)
                layout.headers.push_back({ section, title, header });
            y += m_headerHeight;
        }
        int rows = numberOfRowsInSection(section);
        for (int row = 0; row < rows; ++row) {
            IndexPath path { section, row };
            Rect cellFrame { 0, y, width, heightForRowAtIndexPath(path) };
            // A row of no height is in view when its top is.
            if ((cellFrame.maxY() > top || (cellFrame.height == 0 && cellFrame.y >= top)) && cellFrame.y < bottom)
                inView.emplace_back(path, cellFrame);
            y += cellFrame.height;
        }
    }
    layout.contentHeight = y;

    // Rows that left the view give their cells back first, so the data source can reuse them.
    for (auto it = m_visible.begin(); it != m_visible.end();) {
        bool stays = std::ranges::any_of(inView, [&](auto& entry) { return entry.first == it->first; });
        if (stays) {
            ++it;
            continue;
        }
        enqueueReusableCell(it->second);
        it = m_visible.erase(it);
    }
    auto self = std::static_pointer_cast<TableView>(shared_from_this());
    for (auto& [path, cellFrame] : inView) {
        auto& cell = m_visible[path];
        if (!cell && source)
            cell = source->cellForRowAtIndexPath(*this, path);
        if (!cell) {
            m_visible.erase(path);
            continue;
        }
        setHost(*cell, self);
        cell->setFrame(cellFrame);
        cell->setSelected(m_selected == path);
        layout.rows.push_back({ path, cellFrame, cell });
    }
    return layout;
}

TableLayout TableView::layoutAllRows() { return layoutRows(0, std::numeric_limits<double>::infinity()); }

std::shared_ptr<TableViewCell> TableView::cellForRowAtIndexPath(IndexPath path) const
{
    auto it = m_visible.find(path);
    return it != m_visible.end() ? it->second : nullptr;
}

void TableView::dropVisibleCell(IndexPath path)
{
    auto it = m_visible.find(path);
    if (it == m_visible.end())
        return;
    enqueueReusableCell(it->second);
    m_visible.erase(it);
}

void TableView::dropVisibleCells()
{
    for (auto& [path, cell] : m_visible)
        enqueueReusableCell(cell);
    m_visible.clear();
}

void TableView::report(RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation)
{
    if (auto o = observer())
        o->tableChanged(*this, change, rows, animation);
}

void TableView::reloadData()
{
    dropVisibleCells();
    m_selected.reset();
    report(RowChange::ReloadAll, {}, RowAnimation::None);
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation)
{
    for (auto& path : rows)
        dropVisibleCell(path);
    report(RowChange::Reload, rows, animation);
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation)
{
    // Rows below move up, so every shown cell may now belong to another row.
    dropVisibleCells();
    m_selected.reset();
    report(RowChange::Delete, rows, animation);
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation)
{
    dropVisibleCells();
    m_selected.reset();
    report(RowChange::Insert, rows, animation);
}

void TableView::setEditing(Editing editing, Animated animated)
{
    if (editing == m_editing)
        return;
    m_editing = editing;
    m_editingAnimated = animated;
    report(RowChange::Editing, {}, animated == Animated::Yes ? RowAnimation::Automatic : RowAnimation::None);
}

void TableView::selectRowAtIndexPath(IndexPath path, Animated)
{
    if (!exists(path) || m_selected == path)
        return;
    if (m_selected)
        if (auto old = cellForRowAtIndexPath(*m_selected))
            old->setSelected(false);
    m_selected = path;
    if (auto cell = cellForRowAtIndexPath(path))
        cell->setSelected(true);
    report(RowChange::Selection, { path }, RowAnimation::None);
}

void TableView::deselectRowAtIndexPath(IndexPath path, Animated)
{
    if (m_selected != path)
        return;
    m_selected.reset();
    if (auto cell = cellForRowAtIndexPath(path))
        cell->setSelected(false);
    report(RowChange::Selection, { path }, RowAnimation::None);
}

void TableView::setRefreshControl(std::shared_ptr<RefreshControl> control)
{
    if (control == m_refreshControl)
        return;
    if (m_refreshControl)
        m_refreshControl->removeFromSuperview();
    m_refreshControl = std::move(control);
    if (m_refreshControl)
        addSubview(m_refreshControl);
}

void TableView::setTableHeaderView(std::shared_ptr<View> view)
{
    if (view == m_headerView)
        return;
    if (m_headerView)
        m_headerView->removeFromSuperview();
    m_headerView = std::move(view);
    if (m_headerView)
        addSubview(m_headerView);
}

void TableView::setContentOffset(Point offset, Animated)
{
    update(m_offset, offset, ChangeKind::Content);
}

bool TableView::selectRow(IndexPath path)
{
    if ((isEditing() && !m_selectWhileEditing) || !exists(path) || !takesUserInput())
        return false;
    selectRowAtIndexPath(path, Animated::No);
    if (auto delegate = m_delegate.lock())
        delegate->didSelectRowAtIndexPath(*this, path);
    return true;
}

bool TableView::deleteRow(IndexPath path)
{
    auto source = m_dataSource.lock();
    if (!source || !isEditing() || !exists(path) || !takesUserInput() || !source->canEditRowAtIndexPath(*this, path))
        return false;
    auto delegate = m_delegate.lock();
    auto style = delegate ? delegate->editingStyleForRowAtIndexPath(*this, path) : EditingStyle::Delete;
    if (style != EditingStyle::Delete)
        return false;
    source->commitEditingStyle(*this, EditingStyle::Delete, path);
    // Shown cells may now belong to other rows, whether or not the source told the table.
    dropVisibleCells();
    return true;
}

bool TableView::moveRow(IndexPath from, IndexPath to)
{
    auto source = m_dataSource.lock();
    if (!source || !isEditing() || !exists(from) || !takesUserInput() || !source->canMoveRowAtIndexPath(*this, from))
        return false;
    // Moving into another section adds a row there, so one past its end is a valid target.
    int limit = numberOfRowsInSection(to.section) + (to.section == from.section ? 0 : 1);
    if (to.section < 0 || to.section >= numberOfSections() || to.row < 0 || to.row >= limit)
        return false;
    if (from == to)
        return true;
    source->moveRowAtIndexPath(*this, from, to);
    dropVisibleCells();
    m_selected.reset();
    report(RowChange::Move, { from, to }, RowAnimation::None);
    return true;
}

void TableView::scrollTo(Point offset)
{
    setContentOffset(offset, Animated::No);
    if (auto delegate = m_delegate.lock())
        delegate->scrollViewDidScroll(*this);
}

} // namespace quindle
