#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class FormEngine;

/// The option screen of a "Select" entry: one row per option, the current choice ticked;
/// choosing sends the option's label with its row number, then closes.
class SelectViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<SelectViewController> create(JsonObjectPtr data, std::weak_ptr<FormEngine> parent, size_t index, std::string state);

    const JsonObjectPtr& data() const { return m_data; }
    size_t index() const { return m_index; }
    const std::string& state() const { return m_state; }
    const std::vector<std::string>& rows() const { return m_rows; }
    std::shared_ptr<TableView> tableView();
    /// The labels of an entry's options: its "val" (else "data") split into lines, each cut at its first ":".
    static std::vector<std::string> optionLabels(const JsonObjectPtr& entry);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;

private:
    SelectViewController(JsonObjectPtr data, std::weak_ptr<FormEngine> parent, size_t index, std::string state);
    JsonObjectPtr m_data;
    std::weak_ptr<FormEngine> m_parent;
    size_t m_index;
    std::string m_state;
    std::vector<std::string> m_rows;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
