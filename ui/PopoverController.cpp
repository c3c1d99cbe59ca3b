#include "ui/PopoverController.h"

#include "ui/Window.h"

namespace quindle {

namespace {

std::shared_ptr<Window> windowOf(const std::shared_ptr<View>& view)
{
    auto root = view;
    while (root && root->superview())
        root = root->superview();
    auto controller = root ? root->viewController() : nullptr;
    return controller ? controller->window() : nullptr;
}

}

std::shared_ptr<PopoverController> PopoverController::create(const std::shared_ptr<ViewController>& content)
{
    if (!content || content->parentViewController() || content->presentingViewController() || content->window())
        return nullptr;
    auto popover = std::shared_ptr<PopoverController>(new PopoverController);
    popover->m_content = content;
    return popover;
}

void PopoverController::presentPopoverFromRect(Rect rect, const std::shared_ptr<View>& inView, uint32_t directions, Animated animated)
{
    present(rect, windowOf(inView), directions, animated);
}

void PopoverController::presentPopoverFromRect(Rect rect, const ViewController& from, uint32_t directions, Animated animated)
{
    present(rect, from.window(), directions, animated);
}

void PopoverController::present(Rect rect, const std::shared_ptr<Window>& window, uint32_t directions, Animated animated)
{
    if (m_visible || !window)
        return;
    m_visible = true;
    m_anchor = rect;
    m_directions = directions;
    m_window = window;
    window->addPopover(shared_from_this());
    m_content->appear(animated);
    if (auto o = window->observer())
        o->controllerChanged(*m_content, ControllerChange::Popover, animated);
}

void PopoverController::dismissPopoverAnimated(Animated animated)
{
    if (!m_visible)
        return;
    auto keepAlive = shared_from_this();
    m_visible = false;
    m_content->disappear(animated);
    if (auto window = m_window.lock()) {
        window->removePopover(*this);
        if (auto o = window->observer())
            o->controllerChanged(*m_content, ControllerChange::Popover, animated);
    }
    m_window.reset();
}

void PopoverController::tapOutside()
{
    if (!m_visible)
        return;
    auto keepAlive = shared_from_this();
    dismissPopoverAnimated(Animated::Yes);
    if (auto delegate = m_delegate.lock())
        delegate->popoverControllerDidDismissPopover(*this);
}

} // namespace quindle
