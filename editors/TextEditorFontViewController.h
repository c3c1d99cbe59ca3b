#pragma once

#include "editors/TextEditorChoiceViewController.h"

namespace quindle {

/// Every font the platform offers, sorted case-insensitively, each drawn in itself; the
/// current one ticked.
class TextEditorFontViewController : public TextEditorChoiceViewController {
public:
    static constexpr double rowFontSize = 16;

    static std::shared_ptr<TextEditorFontViewController> create(std::string selection = {}, CompletionHandler completionHandler = {});

    /// The font names, filled when the view loads.
    const std::vector<std::string>& fonts() const { return choices(); }

protected:
    std::vector<std::string> makeChoices() const override;
    void styleCell(TableViewCell& cell, const std::string& name) const override;

private:
    using TextEditorChoiceViewController::TextEditorChoiceViewController;
};

} // namespace quindle
