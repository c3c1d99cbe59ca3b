#pragma once

#include "ui/ReusePool.h"
#include "ui/RefreshControl.h"
#include "ui/TableViewCell.h"

#include <functional>
#include <map>
#include <optional>

namespace quindle {

enum class EditingStyle { None, Delete, Insert };
enum class Editing { Off, On };
enum class SeparatorStyle { None, SingleLine };
enum class TableViewStyle { Plain, Grouped };

/// Supplies rows and cells; operations named after the sender-first convention.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int numberOfRowsInSection(TableView&, int section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath) = 0;
    virtual std::string titleForHeaderInSection(TableView&, int) { return {}; }
    virtual bool canEditRowAtIndexPath(TableView&, IndexPath) { return false; }
    virtual bool canMoveRowAtIndexPath(TableView&, IndexPath) { return false; }
    /// The user confirmed a deletion; the source removes the row and tells the table
    /// (deleteRowsAtIndexPaths or reloadData).
    virtual void commitEditingStyle(TableView&, EditingStyle, IndexPath) { }
    /// The user has moved a row; the table already shows it at its new place.
    virtual void moveRowAtIndexPath(TableView&, IndexPath, IndexPath) { }
};

/// Told about selection and scrolling, asked about layout.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void didSelectRowAtIndexPath(TableView&, IndexPath) { }
    /// The table's rowHeight unless overridden.
    virtual double heightForRowAtIndexPath(TableView& table, IndexPath);
    virtual EditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) { return EditingStyle::Delete; }
    virtual void scrollViewDidScroll(TableView&) { }
};

/// Where a renderer draws one row and which cell it shows.
struct VisibleRow {
    IndexPath indexPath;
    Rect frame;
    std::shared_ptr<TableViewCell> cell;
};

/// Where a renderer draws a section's header title.
struct VisibleHeader {
    int section { 0 };
    std::string title;
    Rect frame;
};

/// What lies in a stretch of the table's content, top to bottom.
struct TableLayout {
    std::vector<VisibleHeader> headers;
    std::vector<VisibleRow> rows;
    double contentHeight { 0 };
};

/// A sectioned list. Data source and delegate are observed, not owned. Cells of visible rows
/// are kept until their row leaves the view or is reloaded, then pooled for reuse.
class TableView : public View {
public:
    static constexpr double defaultRowHeight = 44;
    static constexpr double defaultSectionHeaderHeight = 28;
    static std::shared_ptr<TableView> create(Rect frame = {}, TableViewStyle style = TableViewStyle::Plain);
    TableViewStyle style() const { return m_style; }

    void setDataSource(std::weak_ptr<TableViewDataSource> source) { m_dataSource = std::move(source); }
    std::shared_ptr<TableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate) { m_delegate = std::move(delegate); }
    std::shared_ptr<TableViewDelegate> delegate() const { return m_delegate.lock(); }

    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height) { update(m_rowHeight, height, ChangeKind::Frame); }
    /// Height of a header with a title; sections without one get none.
    double sectionHeaderHeight() const { return m_headerHeight; }
    void setSectionHeaderHeight(double height) { update(m_headerHeight, height, ChangeKind::Frame); }
    SeparatorStyle separatorStyle() const { return m_separators; }
    void setSeparatorStyle(SeparatorStyle style) { update(m_separators, style, ChangeKind::Appearance); }

    /// Cells for an identifier are made by the factory when the pool has none.
    using CellFactory = ReusePool<TableViewCell>::Factory;
    void registerCell(const std::string& identifier, CellFactory factory);
    /// A pooled cell with this identifier (prepared for reuse), else a new one from the
    /// registered factory, else null.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    /// Counts from the data source; 0 without one or for a section out of range.
    int numberOfSections();
    int numberOfRowsInSection(int section);
    std::string titleForHeaderInSection(int section);
    double heightForRowAtIndexPath(IndexPath path);
    bool exists(IndexPath path);

    /// The renderer's walk: the headers and rows overlapping [top, top + height) of the
    /// content, asking the data source for cells of rows that came into view. Placing the
    /// cells reports the frames that changed.
    TableLayout layoutRows(double top, double height);
    /// Every row, as a renderer without scrolling (the text front end) shows them.
    TableLayout layoutAllRows();
    /// The cell shown for a row, or null when the row is not in view.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath path) const;
    /// Hands an off-screen cell back to the pool.
    void enqueueReusableCell(const std::shared_ptr<TableViewCell>& cell);

    /// Changes the data source has made. Each drops the affected cells and tells the
    /// observer once; the selection goes when rows are added, removed or all reloaded.
    void reloadData();
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);

    /// Reorder-and-delete mode.
    bool isEditing() const { return m_editing == Editing::On; }
    Animated lastEditingAnimated() const { return m_editingAnimated; }
    void setEditing(Editing editing, Animated animated);
    bool allowsSelectionDuringEditing() const { return m_selectWhileEditing; }
    void setAllowsSelectionDuringEditing(bool allows) { m_selectWhileEditing = allows; }

    std::optional<IndexPath> indexPathForSelectedRow() const { return m_selected; }
    /// Code marks a row selected (the delegate is not told); a row that does not exist is ignored.
    void selectRowAtIndexPath(IndexPath path, Animated animated);
    void deselectRowAtIndexPath(IndexPath path, Animated animated);

    /// The pull-to-refresh control, owned by the table; null removes it.
    std::shared_ptr<RefreshControl> refreshControl() const { return m_refreshControl; }
    void setRefreshControl(std::shared_ptr<RefreshControl> control);
    /// A view above the first section (a header picture); owned by the table.
    std::shared_ptr<View> tableHeaderView() const { return m_headerView; }
    void setTableHeaderView(std::shared_ptr<View> view);

    Point contentOffset() const { return m_offset; }
    void setContentOffset(Point offset, Animated animated);

    /// User actions. Each returns whether it was taken; none is while an alert covers the table.
    /// Taps a row: marks it selected and tells the delegate; ignored in editing mode
    /// unless allowed.
    bool selectRow(IndexPath path);
    /// Deletes a row in editing mode if the data source allows it and the delegate offers
    /// deletion: the data source's commitEditingStyle.
    bool deleteRow(IndexPath path);
    /// Moves a row in editing mode if the data source allows it and both places exist; a row
    /// moved into another section may go one past that section's end.
    bool moveRow(IndexPath from, IndexPath to);
    /// Pulls the refresh control.
    bool pullToRefresh() { return m_refreshControl && m_refreshControl->pull(); }
    /// Scrolls the content; the delegate's scrollViewDidScroll is told.
    void scrollTo(Point offset);

private:
    TableView(Rect frame, TableViewStyle style) : View(frame), m_style(style) { }
    void dropVisibleCell(IndexPath path);
    void dropVisibleCells();
    void report(RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation);
    TableViewStyle m_style;
    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    ReusePool<TableViewCell> m_reusePool;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> m_visible;
    std::optional<IndexPath> m_selected;
    std::shared_ptr<RefreshControl> m_refreshControl;
    std::shared_ptr<View> m_headerView;
    Point m_offset;
    double m_rowHeight { defaultRowHeight };
    double m_headerHeight { defaultSectionHeaderHeight };
    SeparatorStyle m_separators { SeparatorStyle::SingleLine };
    Editing m_editing { Editing::Off };
    Animated m_editingAnimated { Animated::No };
    bool m_selectWhileEditing { false };
};

} // namespace quindle
