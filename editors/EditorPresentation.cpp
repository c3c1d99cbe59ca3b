#include "editors/EditorPresentation.h"

#include "content/ViewControllerUtilities.h"
#include "ui/NavigationController.h"

namespace quindle {

void EditorPresentation::dismissStack(ViewController& screen)
{
    std::shared_ptr<ViewController> stack = screen.navigationController();
    if (!stack)
        stack = screen.shared_from_this();
    for (const auto& popover : ViewControllerUtilities::defaultInstance()->popups()) {
        if (popover->isPopoverVisible() && popover->contentViewController() == stack) {
            popover->dismissPopoverAnimated(Animated::Yes);
            return;
        }
    }
    if (stack->presentingViewController() && !stack->parentViewController())
        stack->dismissViewController(Animated::Yes);
}

bool EditorPresentation::hasText(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") != std::string::npos;
}

} // namespace quindle
