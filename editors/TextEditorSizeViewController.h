#pragma once

#include "editors/TextEditorChoiceViewController.h"

namespace quindle {

/// The font sizes "12" to "50" in steps of 2, the current one ticked.
class TextEditorSizeViewController : public TextEditorChoiceViewController {
public:
    static constexpr int smallestSize = 12;
    static constexpr int largestSize = 50;

    static std::shared_ptr<TextEditorSizeViewController> create(std::string selection = {}, CompletionHandler completionHandler = {});

    /// The sizes as text, filled when the view loads.
    const std::vector<std::string>& sizes() const { return choices(); }

protected:
    std::vector<std::string> makeChoices() const override;

private:
    using TextEditorChoiceViewController::TextEditorChoiceViewController;
};

} // namespace quindle
