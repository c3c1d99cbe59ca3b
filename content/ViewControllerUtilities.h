#pragma once

#include "ui/Geometry.h"
#include "ui/PopoverController.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quindle {

class View;
class ViewController;

/// Shows a screen as a popover on large screens and modally elsewhere.
class ViewControllerUtilities : public PopoverControllerDelegate, public std::enable_shared_from_this<ViewControllerUtilities> {
public:
    /// The single instance, made once even when first asked from several threads.
    static std::shared_ptr<ViewControllerUtilities> defaultInstance();

    /// Popover around `controller` when the presenting screen's window is not a phone's
    /// (returned, and kept in `popups`); otherwise (a phone, or no window to ask) `controller`
    /// is presented modally from `presenting`, animated, and nothing is returned.
    std::shared_ptr<PopoverController> presentPopoverWithController(const std::shared_ptr<ViewController>& controller,
        const std::shared_ptr<View>& inView, Rect fromRect, Size size, uint32_t direction, const std::shared_ptr<ViewController>& presenting);

    std::vector<std::shared_ptr<PopoverController>> popups() const;

private:
    ViewControllerUtilities() = default;
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<PopoverController>> m_popups;
};

} // namespace quindle
