#include "ui/CollectionView.h"

#include <algorithm>
#include <cmath>

namespace quindle {

std::shared_ptr<CollectionView> CollectionView::create(Rect frame)
{
    return std::shared_ptr<CollectionView>(new CollectionView(frame));
}

void CollectionView::registerCell(const std::string& identifier, CellFactory factory)
{
    m_reusePool.registerCell(identifier, std::move(factory));
}

std::shared_ptr<CollectionViewCell> CollectionView::dequeueReusableCellWithReuseIdentifier(const std::string& identifier)
{
    return m_reusePool.dequeue(identifier);
}

int CollectionView::numberOfItems()
{
    auto source = m_dataSource.lock();
    return source ? std::max(0, source->numberOfItemsInSection(*this, 0)) : 0;
}

namespace {

int columnsFor(double width, Size item, double spacing)
{
    // At least one column, however narrow the view.
    double step = item.width + spacing;
    return step > 0 ? std::max(1, static_cast<int>(std::floor((width + spacing) / step))) : 1;
}

} // namespace

double CollectionView::contentHeight()
{
    int count = numberOfItems();
    if (count == 0)
        return 0;
    int columns = columnsFor(frame().width, m_itemSize, m_spacing);
    int rows = (count + columns - 1) / columns;
    return rows * m_itemSize.height + (rows - 1) * m_spacing;
}

void CollectionView::setContentOffset(Point offset)
{
    double highest = std::max(0.0, contentHeight() - frame().height);
    Point clamped { 0, std::clamp(offset.y, 0.0, highest) };
    if (clamped.x == m_offset.x && clamped.y == m_offset.y)
        return;
    m_offset = clamped;
    notify(ChangeKind::Content);
}

std::vector<VisibleItem> CollectionView::layoutItems()
{
    std::vector<VisibleItem> items;
    auto source = m_dataSource.lock();
    int count = numberOfItems();
    int columns = columnsFor(frame().width, m_itemSize, m_spacing);
    // A row's leftover width goes between its items, so a full row reaches both edges.
    double step = m_itemSize.width + m_spacing;
    if (columns > 1)
        step = m_itemSize.width + std::max(m_spacing, (frame().width - columns * m_itemSize.width) / (columns - 1));
    for (auto it = m_shown.begin(); it != m_shown.end();) {
        if (it->first.row < count) {
            ++it;
            continue;
        }
        setHost(*it->second, nullptr);
        m_reusePool.enqueue(it->second);
        it = m_shown.erase(it);
    }
    auto self = shared_from_this();
    for (int item = 0; item < count; ++item) {
        IndexPath path { 0, item };
        auto& cell = m_shown[path];
        if (!cell && source)
            cell = source->cellForItemAtIndexPath(*this, path);
        if (!cell) {
            m_shown.erase(path);
            continue;
        }
        Rect place { (item % columns) * step, (item / columns) * (m_itemSize.height + m_spacing), m_itemSize.width, m_itemSize.height };
        setHost(*cell, self);
        cell->setFrame(place);
        cell->setSelected(m_selected == path);
        items.push_back({ path, place, cell });
    }
    return items;
}

void CollectionView::reloadData()
{
    for (auto& [path, cell] : m_shown) {
        setHost(*cell, nullptr);
        m_reusePool.enqueue(cell);
    }
    m_shown.clear();
    m_selected.reset();
    // Fewer items may leave the offset past the end.
    m_offset.y = std::min(m_offset.y, std::max(0.0, contentHeight() - frame().height));
    notify(ChangeKind::Content);
}

void CollectionView::reloadItemsAtIndexPaths(const std::vector<IndexPath>& paths)
{
    for (const IndexPath& path : paths) {
        auto shown = m_shown.find(path);
        if (shown == m_shown.end())
            continue;
        setHost(*shown->second, nullptr);
        m_reusePool.enqueue(shown->second);
        m_shown.erase(shown);
    }
    notify(ChangeKind::Content);
}

bool CollectionView::selectItem(IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= numberOfItems() || !takesUserInput())
        return false;
    m_selected = path;
    notify(ChangeKind::Value);
    if (auto delegate = m_delegate.lock())
        delegate->didSelectItemAtIndexPath(*this, path);
    return true;
}

} // namespace quindle
