#pragma once

#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <string>
#include <vector>

namespace quindle {

/// The font sizes "12" to "50" in steps of 2, the current one ticked. Choosing one reports
/// it; the opener closes the chooser.
class TextEditorSizeViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using CompletionHandler = std::function<void(const std::string&)>;
    static constexpr int smallestSize = 12;
    static constexpr int largestSize = 50;

    static std::shared_ptr<TextEditorSizeViewController> create(std::string selection = {}, CompletionHandler completionHandler = {});

    const std::string& selection() const { return m_selection; }
    void setSelection(std::string selection) { m_selection = std::move(selection); }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    /// The sizes as text, filled when the view loads.
    const std::vector<std::string>& sizes() const { return m_sizes; }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    TextEditorSizeViewController(std::string selection, CompletionHandler completionHandler);
    std::string m_selection;
    CompletionHandler m_completionHandler;
    std::vector<std::string> m_sizes;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
