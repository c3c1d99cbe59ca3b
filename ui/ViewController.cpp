#include "ui/ViewController.h"

namespace quindle {

std::shared_ptr<ViewController> ViewController::create(std::string title)
{
    return std::shared_ptr<ViewController>(new ViewController(std::move(title)));
}

void ViewController::presentViewController(const std::shared_ptr<ViewController>& controller, Animated animated)
{
    // Presenting while something is already shown goes on top of that one, as one chain.
    if (m_presented) {
        m_presented->presentViewController(controller, animated);
        return;
    }
    if (!controller || controller.get() == this)
        return;
    m_presented = controller;
    controller->m_presenting = weak_from_this();
    m_lastAnimated = animated;
}

void ViewController::dismissViewController(Animated animated)
{
    m_lastAnimated = animated;
    if (m_presented) {
        m_presented->m_presenting.reset();
        m_presented.reset();
        return;
    }
    if (auto presenter = presentingViewController())
        presenter->dismissViewController(animated);
}

} // namespace quindle
