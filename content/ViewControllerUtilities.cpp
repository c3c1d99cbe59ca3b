#include "content/ViewControllerUtilities.h"

#include "ui/ViewController.h"
#include "ui/Window.h"

namespace quindle {

std::shared_ptr<ViewControllerUtilities> ViewControllerUtilities::defaultInstance()
{
    static const std::shared_ptr<ViewControllerUtilities> instance(new ViewControllerUtilities());
    return instance;
}

std::shared_ptr<PopoverController> ViewControllerUtilities::presentPopoverWithController(const std::shared_ptr<ViewController>& controller,
    const std::shared_ptr<View>& inView, Rect fromRect, Size size, uint32_t direction, const std::shared_ptr<ViewController>& presenting)
{
    if (!controller)
        return nullptr;
    auto window = presenting ? presenting->window() : nullptr;
    if (window && window->userInterfaceIdiom() != UserInterfaceIdiom::Phone) {
        auto popover = PopoverController::create(controller);
        if (!popover)
            return nullptr;
        {
            std::lock_guard lock(m_mutex);
            m_popups.push_back(popover);
        }
        popover->setDelegate(weak_from_this());
        popover->setPopoverContentSize(size);
        // Callers pass no anchor view; the presenting screen's window serves then.
        if (inView || !presenting)
            popover->presentPopoverFromRect(fromRect, inView, direction, Animated::Yes);
        else
            popover->presentPopoverFromRect(fromRect, *presenting, direction, Animated::Yes);
        return popover;
    }
    if (presenting)
        presenting->presentViewController(controller, Animated::Yes);
    return nullptr;
}

std::vector<std::shared_ptr<PopoverController>> ViewControllerUtilities::popups() const
{
    std::lock_guard lock(m_mutex);
    return m_popups;
}

} // namespace quindle
