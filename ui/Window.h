#pragma once

#include "ui/ViewController.h"

#include <vector>

namespace quindle {

/// The device kind, which decides between popovers and modal screens.
enum class UserInterfaceIdiom { Phone, Pad };

/// The application window: holds the root controller, the shown alerts and popovers, and the
/// observer that every object on screen reports to.
class Window : public std::enable_shared_from_this<Window> {
public:
    /// A phone-sized screen in points.
    static constexpr Rect defaultBounds { 0, 0, 320, 568 };
    static std::shared_ptr<Window> create(Rect bounds = defaultBounds, UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone);

    Rect bounds() const { return m_bounds; }
    UserInterfaceIdiom userInterfaceIdiom() const { return m_idiom; }

    std::shared_ptr<ViewController> rootViewController() const { return m_root; }
    /// Ignored for a controller held by a container or presented elsewhere.
    void setRootViewController(const std::shared_ptr<ViewController>& root);
    /// From here on the root and what it shows appear.
    void makeKeyAndVisible();
    bool isVisible() const { return m_visible; }

    /// What the user sees: the deepest shown controller, a presented one counting.
    std::shared_ptr<ViewController> visibleViewController() const;
    /// The user goes back: dismisses the top modal screen if there is one, else pops the visible
    /// stack; nothing while an alert is shown. Returns whether anything changed.
    bool back();

    /// Alerts on screen, the last on top. Shown alerts are held here until dismissed.
    const std::vector<std::shared_ptr<AlertView>>& alerts() const { return m_alerts; }
    std::shared_ptr<AlertView> topAlert() const { return m_alerts.empty() ? nullptr : m_alerts.back(); }
    /// While an alert is shown the screens under it take no user input (the alert's own
    /// buttons and fields still do); what the code changes goes through as before.
    bool takesScreenInput() const { return m_alerts.empty(); }
    /// Popovers shown and not dismissed.
    const std::vector<std::shared_ptr<PopoverController>>& popovers() const { return m_popovers; }

    void setObserver(std::weak_ptr<ViewObserver> observer) { m_observer = std::move(observer); }
    std::shared_ptr<ViewObserver> observer() const { return m_observer.lock(); }

private:
    friend class AlertView;
    friend class PopoverController;
    Window(Rect bounds, UserInterfaceIdiom idiom) : m_bounds(bounds), m_idiom(idiom) { }
    void addAlert(const std::shared_ptr<AlertView>& alert);
    void removeAlert(const AlertView& alert);
    void addPopover(const std::shared_ptr<PopoverController>& popover);
    void removePopover(const PopoverController& popover);
    Rect m_bounds;
    UserInterfaceIdiom m_idiom;
    bool m_visible { false };
    std::shared_ptr<ViewController> m_root;
    std::vector<std::shared_ptr<AlertView>> m_alerts;
    std::vector<std::shared_ptr<PopoverController>> m_popovers;
    std::weak_ptr<ViewObserver> m_observer;
};

} // namespace quindle
