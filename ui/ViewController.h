#pragma once

#include "ui/BarButtonItem.h"
#include "ui/View.h"

namespace quindle {

/// One screen: a root view, a title and the bar buttons shown while it is on top.
class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    static std::shared_ptr<ViewController> create(std::string title = {});
    virtual ~ViewController() = default;

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    std::shared_ptr<View> view() const { return m_view; }

    std::shared_ptr<BarButtonItem> leftBarButtonItem() const { return m_left; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { m_left = std::move(item); }
    std::shared_ptr<BarButtonItem> rightBarButtonItem() const { return m_right; }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) { m_right = std::move(item); }

    /// The stack holding this controller, if any.
    std::shared_ptr<NavigationController> navigationController() const { return m_navigationController.lock(); }

    /// Shows a controller modally over this one; the presented one is owned here.
    void presentViewController(const std::shared_ptr<ViewController>& controller, Animated animated);
    /// Dismisses whatever this controller presents (or, on the presented one, itself).
    void dismissViewController(Animated animated);
    std::shared_ptr<ViewController> presentedViewController() const { return m_presented; }
    std::shared_ptr<ViewController> presentingViewController() const { return m_presenting.lock(); }
    Animated lastPresentationAnimated() const { return m_lastAnimated; }

protected:
    explicit ViewController(std::string title) : m_title(std::move(title)), m_view(View::create()) { }

private:
    friend class NavigationController;
    std::string m_title;
    std::shared_ptr<View> m_view;
    std::shared_ptr<BarButtonItem> m_left;
    std::shared_ptr<BarButtonItem> m_right;
    std::weak_ptr<NavigationController> m_navigationController;
    std::shared_ptr<ViewController> m_presented;
    std::weak_ptr<ViewController> m_presenting;
    Animated m_lastAnimated { Animated::No };
};

} // namespace quindle
