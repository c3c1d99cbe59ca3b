#pragma once

#include "ui/AlertView.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

class TextField;

/// A table screen of a few fixed rows in one section, each row a cell made once (a text
/// field, a caption): the screens of the account area. The screen is its table's data source
/// and delegate.
class StaticTableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr double defaultFieldRowHeight = 44;

    struct Row {
        std::shared_ptr<TableViewCell> cell;
        double height { TableView::defaultRowHeight };
        /// Runs when the row is tapped; rows without one ignore taps.
        std::function<void()> onSelect;
    };

    /// The table, made with the view.
    std::shared_ptr<TableView> tableView();
    const std::vector<Row>& rows() const { return m_rows; }
    /// The alert this screen showed last (it stays here after it is dismissed).
    std::shared_ptr<AlertView> alert() const { return m_alert; }

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    double heightForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    explicit StaticTableViewController(std::string title);
    void loadView() override;
    /// Replaces the rows and reloads the table.
    void setRows(std::vector<Row> rows);

    /// Shows a one-button alert over this screen; `dismissed` runs after it has gone.
    void showAlert(std::string title, std::string message, std::string button, std::function<void()> dismissed = {});
    /// Closes the screen: the stack it was presented in, or itself.
    void close();

    /// A cell holding one text field that fills it.
    static std::shared_ptr<TableViewCell> fieldCell(const std::shared_ptr<TextField>& field);
    /// A cell showing a caption, with an optional accessory.
    static std::shared_ptr<TableViewCell> captionCell(std::string caption, AccessoryType accessory = AccessoryType::None);
    /// A text field for a row; secure ones hide what is typed.
    static std::shared_ptr<TextField> makeField(std::string placeholder, SecureEntry secure = SecureEntry::No,
        KeyboardType keyboard = KeyboardType::Default);

private:
    std::shared_ptr<TableView> m_table;
    std::vector<Row> m_rows;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
