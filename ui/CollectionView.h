#pragma once

#include "ui/ReusePool.h"
#include "ui/CollectionViewCell.h"

#include <functional>
#include <map>
#include <optional>

namespace quindle {

/// Supplies the items of a collection, one section.
class CollectionViewDataSource {
public:
    virtual ~CollectionViewDataSource() = default;
    virtual int numberOfItemsInSection(CollectionView&, int section) = 0;
    virtual std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView&, IndexPath) = 0;
};

/// Told about selection.
class CollectionViewDelegate {
public:
    virtual ~CollectionViewDelegate() = default;
    virtual void didSelectItemAtIndexPath(CollectionView&, IndexPath) { }
};

/// Where a renderer draws one item and which cell it shows.
struct VisibleItem {
    IndexPath indexPath;
    Rect frame;
    std::shared_ptr<CollectionViewCell> cell;
};

/// A grid of equal items, filled row by row across the width. Data source and delegate are
/// observed, not owned.
class CollectionView : public View {
public:
    static constexpr Size defaultItemSize { 75, 75 };
    static constexpr double defaultSpacing = 5;
    static std::shared_ptr<CollectionView> create(Rect frame = {});

    void setDataSource(std::weak_ptr<CollectionViewDataSource> source) { m_dataSource = std::move(source); }
    void setDelegate(std::weak_ptr<CollectionViewDelegate> delegate) { m_delegate = std::move(delegate); }

    Size itemSize() const { return m_itemSize; }
    void setItemSize(Size size) { update(m_itemSize, size, ChangeKind::Frame); }
    double spacing() const { return m_spacing; }
    void setSpacing(double spacing) { update(m_spacing, spacing, ChangeKind::Frame); }

    using CellFactory = ReusePool<CollectionViewCell>::Factory;
    void registerCell(const std::string& identifier, CellFactory factory);
    /// A pooled cell with this identifier (prepared for reuse), else one from the registered
    /// factory, else null.
    std::shared_ptr<CollectionViewCell> dequeueReusableCellWithReuseIdentifier(const std::string& identifier);

    int numberOfItems();
    /// The height of all rows of items.
    double contentHeight();
    /// How far the grid is scrolled; kept between 0 and the content height less the view's.
    Point contentOffset() const { return m_offset; }
    void setContentOffset(Point offset);
    /// The renderer's walk: every item with its place in the grid (content coordinates, before
    /// the offset). Cells are asked for once
    /// and kept until the next reload.
    std::vector<VisibleItem> layoutItems();
    void reloadData();
    /// Asks the data source again for these items only; the others and the selection stay.
    void reloadItemsAtIndexPaths(const std::vector<IndexPath>& paths);

    std::optional<IndexPath> indexPathForSelectedItem() const { return m_selected; }
    /// The user taps an item: it is marked selected and the delegate told. Returns whether it was
    /// taken: the item exists and no alert covers the view.
    bool selectItem(IndexPath path);

private:
    explicit CollectionView(Rect frame) : View(frame) { }
    std::weak_ptr<CollectionViewDataSource> m_dataSource;
    std::weak_ptr<CollectionViewDelegate> m_delegate;
    ReusePool<CollectionViewCell> m_reusePool;
    std::map<IndexPath, std::shared_ptr<CollectionViewCell>> m_shown;
    std::optional<IndexPath> m_selected;
    Point m_offset {};
    Size m_itemSize { defaultItemSize };
    double m_spacing { defaultSpacing };
};

} // namespace quindle
