#pragma once

#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <string>
#include <vector>

namespace quindle {

/// A list of choices of the text editor (fonts, sizes), the current one ticked. Choosing one
/// reports it; the opener closes the chooser.
class TextEditorChoiceViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using CompletionHandler = std::function<void(const std::string&)>;
    static constexpr const char* cellIdentifier = "TextEditorFontCell";

    const std::string& selection() const { return m_selection; }
    void setSelection(std::string selection) { m_selection = std::move(selection); }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    TextEditorChoiceViewController(std::string title, std::string selection, CompletionHandler completionHandler);
    void loadView() override;
    void viewDidLoad() override;
    /// The choices, built when the view loads.
    virtual std::vector<std::string> makeChoices() const = 0;
    /// Lets a list draw a row its own way (a font in itself).
    virtual void styleCell(TableViewCell&, const std::string&) const { }
    /// The choices, filled when the view loads.
    const std::vector<std::string>& choices() const { return m_choices; }

private:
    std::string m_selection;
    CompletionHandler m_completionHandler;
    std::vector<std::string> m_choices;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
