#include "content/PendingEditorViewController.h"

namespace quindle {

std::shared_ptr<PendingEditorViewController> PendingEditorViewController::create(std::string editor, std::string title)
{
    return std::shared_ptr<PendingEditorViewController>(new PendingEditorViewController(std::move(editor), std::move(title)));
}

} // namespace quindle
