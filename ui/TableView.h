#pragma once

#include "ui/TableViewCell.h"

#include <functional>
#include <map>

namespace quindle {

enum class EditingStyle { None, Delete, Insert };
enum class Editing { Off, On };

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
    virtual void commitEditingStyle(TableView&, EditingStyle, IndexPath) { }
    virtual void moveRowAtIndexPath(TableView&, IndexPath, IndexPath) { }
};

/// Told about selection and asked about layout.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual void didSelectRowAtIndexPath(TableView&, IndexPath) { }
    virtual double heightForRowAtIndexPath(TableView& table, IndexPath);
    virtual EditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath) { return EditingStyle::Delete; }
};

/// A sectioned list. Data source and delegate are observed, not owned.
class TableView : public View {
public:
    static std::shared_ptr<TableView> create(Rect frame = {});

    void setDataSource(std::weak_ptr<TableViewDataSource> source) { m_dataSource = std::move(source); }
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate) { m_delegate = std::move(delegate); }

    double rowHeight() const { return m_rowHeight; }
    void setRowHeight(double height) { m_rowHeight = height; }
    static constexpr double defaultRowHeight = 44;

    /// Returns a cell handed back by an earlier walk with this identifier, or null.
    std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    int numberOfSections();
    int numberOfRowsInSection(int section);
    /// Asks the data source for the cell, as a renderer does when the row comes into view.
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(IndexPath path);
    /// Returns a cell to the reuse pool once it is off screen.
    void enqueueReusableCell(const std::shared_ptr<TableViewCell>& cell);

    void reloadData();
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& rows, RowAnimation animation);

    bool isEditing() const { return m_editing == Editing::On; }
    void setEditing(Editing editing) { m_editing = editing; notify(ChangeKind::Appearance); }

    /// User actions.
    void selectRow(IndexPath path);
    /// Deletes a row in edit mode if the data source allows it. Returns whether it was passed on.
    bool deleteRow(IndexPath path);
    /// Moves a row in edit mode if the data source allows it and both positions exist.
    bool moveRow(IndexPath from, IndexPath to);
    void pullToRefresh() { if (onRefresh) onRefresh(); }

    std::function<void()> onRefresh;

private:
    explicit TableView(Rect frame) : View(frame) { }
    bool exists(IndexPath path, int extraRows = 0);
    std::weak_ptr<TableViewDataSource> m_dataSource;
    std::weak_ptr<TableViewDelegate> m_delegate;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> m_reusePool;
    double m_rowHeight { defaultRowHeight };
    Editing m_editing { Editing::Off };
};

} // namespace quindle
