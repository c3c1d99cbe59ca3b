#include "editors/TextEditorSizeViewController.h"

namespace quindle {

std::shared_ptr<TextEditorSizeViewController> TextEditorSizeViewController::create(std::string selection, CompletionHandler completionHandler)
{
    return std::shared_ptr<TextEditorSizeViewController>(new TextEditorSizeViewController("Size", std::move(selection), std::move(completionHandler)));
}

std::vector<std::string> TextEditorSizeViewController::makeChoices() const
{
    std::vector<std::string> sizes;
    for (int size = smallestSize; size <= largestSize; size += 2)
        sizes.push_back(std::to_string(size));
    return sizes;
}

} // namespace quindle
