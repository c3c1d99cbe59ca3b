#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace quindle {

class ViewController;

/// What the content coordinators ask of the application shell (implemented by the app's
/// delegate): the tab bar and the account screens, which live above this layer.
class ApplicationShell {
public:
    using Screens = std::vector<std::shared_ptr<ViewController>>;
    virtual ~ApplicationShell() = default;

    virtual void updateTabbarWithArray(const Screens& screens) = 0;
    virtual Screens tabbarItems() = 0;
    virtual void addLoginItemsToTabbar(const Screens& screens) = 0;
    /// Shows exactly these tabs, without changing the base tabs; hides the bar for one tab.
    virtual void resetTabbarWithArray(const Screens& screens) = 0;
    /// A login screen whose completion handler is `done`.
    virtual std::shared_ptr<ViewController> makeLoginViewController(std::function<void()> done) = 0;
    /// An account creation screen whose completion handler is `done`.
    virtual std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()> done) = 0;

    /// The shell the program runs with (none until the app sets one).
    static std::shared_ptr<ApplicationShell> shared();
    static void setShared(std::shared_ptr<ApplicationShell> shell);
};

} // namespace quindle
