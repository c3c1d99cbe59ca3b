#pragma once

#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <string>
#include <vector>

namespace quindle {

/// Every font the platform offers, sorted case-insensitively, each drawn in itself; the
/// current one ticked. Choosing one reports its name; the opener closes the chooser.
class TextEditorFontViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using CompletionHandler = std::function<void(const std::string&)>;
    static constexpr double rowFontSize = 16;

    static std::shared_ptr<TextEditorFontViewController> create(std::string selection = {}, CompletionHandler completionHandler = {});

    const std::string& selection() const { return m_selection; }
    void setSelection(std::string selection) { m_selection = std::move(selection); }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    /// The font names, filled when the view loads.
    const std::vector<std::string>& fonts() const { return m_fonts; }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    TextEditorFontViewController(std::string selection, CompletionHandler completionHandler);
    std::string m_selection;
    CompletionHandler m_completionHandler;
    std::vector<std::string> m_fonts;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
