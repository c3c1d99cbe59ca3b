#pragma once

#include "ui/BarButtonItem.h"
#include "ui/View.h"

#include <vector>

namespace quindle {

/// What a tab shows for its screen.
struct TabBarItem {
    std::string title;
    std::string imageName;
    /// Empty shows no badge.
    std::string badgeValue;
    bool operator==(const TabBarItem&) const = default;
};

/// One screen: a root view, a title, the bar buttons shown while it is on top and its tab.
/// Containers own their children; children, presented screens and views point back weakly.
class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    static std::shared_ptr<ViewController> create(std::string title = {});
    virtual ~ViewController() = default;

    const std::string& title() const { return m_title; }
    void setTitle(std::string title);

    /// The root view, made and loaded on first use (loadView, then viewDidLoad).
    std::shared_ptr<View> view();
    bool isViewLoaded() const { return m_view != nullptr; }

    std::shared_ptr<BarButtonItem> leftBarButtonItem() const { return m_left; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item);
    /// The first right button, or null.
    std::shared_ptr<BarButtonItem> rightBarButtonItem() const { return m_right.empty() ? nullptr : m_right.front(); }
    /// One right button, or none for null.
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item);
    /// Right buttons, the first at the far right.
    const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const { return m_right; }
    void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items);

    const TabBarItem& tabBarItem() const { return m_tabBarItem; }
    void setTabBarItem(TabBarItem item);
    void setBadgeValue(std::string badge);

    /// The container holding this controller, if any.
    std::shared_ptr<ViewController> parentViewController() const { return m_parent.lock(); }
    /// The nearest navigation stack holding this controller (or the one presenting it), if any.
    std::shared_ptr<NavigationController> navigationController() const;
    /// The nearest tab bar controller holding this controller, if any.
    std::shared_ptr<TabBarController> tabBarController() const;
    /// The window showing this controller's chain, if any.
    std::shared_ptr<Window> window() const;

    /// Shows a controller modally over this one; the presented one is owned here. When
    /// something is already presented, the new one goes on top of that.
    void presentViewController(const std::shared_ptr<ViewController>& controller, Animated animated);
    /// Dismisses whatever this controller presents (or, on a presented one, itself and what it presents).
    void dismissViewController(Animated animated);
    std::shared_ptr<ViewController> presentedViewController() const { return m_presented; }
    /// The controller presenting this one or the container holding it, if any.
    std::shared_ptr<ViewController> presentingViewController() const;
    Animated lastPresentationAnimated() const { return m_lastAnimated; }

    /// What the user sees of this controller: the end of its presented chain, else itself
    /// (containers answer with their shown child).
    virtual std::shared_ptr<ViewController> visibleViewController();

    /// Between appearing and disappearing.
    bool isVisible() const { return m_visible; }

    /// Observer of the window (or of a detached chain's root, for tests and previews).
    std::shared_ptr<ViewObserver> observer() const;
    void setObserver(std::weak_ptr<ViewObserver> observer) { m_observer = std::move(observer); }

protected:
    explicit ViewController(std::string title) : m_title(std::move(title)) { }
    /// Makes the root view; overrides install their own with setView.
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillAppear(Animated) { }
    virtual void viewWillDisappear(Animated) { }
    /// The children that show while this controller shows.
    virtual std::vector<std::shared_ptr<ViewController>> shownChildren() const { return {}; }
    void setView(std::shared_ptr<View> view);
    void notify(ControllerChange change, Animated animated = Animated::No) const;

    /// For containers: take a child, refused (false) when it is null, this controller, or
    /// already held by a container or a window; or let one go.
    bool adoptChild(const std::shared_ptr<ViewController>& child);
    static void releaseChild(const std::shared_ptr<ViewController>& child);
    void appear(Animated animated);
    void disappear(Animated animated);

private:
    // Containers and the window drive appearance and presentation of the controllers they hold.
    friend class Window;
    friend class NavigationController;
    friend class TabBarController;
    friend class PopoverController;
    std::string m_title;
    std::shared_ptr<View> m_view;
    std::shared_ptr<BarButtonItem> m_left;
    std::vector<std::shared_ptr<BarButtonItem>> m_right;
    TabBarItem m_tabBarItem;
    std::weak_ptr<ViewController> m_parent;
    std::weak_ptr<Window> m_window;
    std::shared_ptr<ViewController> m_presented;
    std::weak_ptr<ViewController> m_presenting;
    std::weak_ptr<ViewObserver> m_observer;
    Animated m_lastAnimated { Animated::No };
    bool m_visible { false };
    bool m_loading { false };
};

} // namespace quindle
