#pragma once

#include "ui/ViewController.h"

#include <cstdint>

namespace quindle {

/// Arrow directions a popover may use, as a bit set.
namespace PopoverArrow {
inline constexpr uint32_t Up = 1;
inline constexpr uint32_t Down = 2;
inline constexpr uint32_t Left = 4;
inline constexpr uint32_t Right = 8;
inline constexpr uint32_t Any = Up | Down | Left | Right;
}

class PopoverController;

/// Told when the user closes a popover; held weakly.
class PopoverControllerDelegate {
public:
    virtual ~PopoverControllerDelegate() = default;
    virtual void popoverControllerDidDismissPopover(PopoverController&) { }
};

/// A controller shown in a bubble anchored to a rectangle, on large screens. Owns the content;
/// the window holds a shown popover until it is dismissed.
class PopoverController : public std::enable_shared_from_this<PopoverController> {
public:
    /// Null for a null content or one already held elsewhere.
    static std::shared_ptr<PopoverController> create(const std::shared_ptr<ViewController>& content);

    std::shared_ptr<ViewController> contentViewController() const { return m_content; }
    Size popoverContentSize() const { return m_size; }
    void setPopoverContentSize(Size size) { m_size = size; }
    void setDelegate(std::weak_ptr<PopoverControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    /// Anchors in the view's window; a view that is in no window shows nothing.
    void presentPopoverFromRect(Rect rect, const std::shared_ptr<View>& inView, uint32_t directions, Animated animated);
    /// Anchors in the controller's window.
    void presentPopoverFromRect(Rect rect, const ViewController& from, uint32_t directions, Animated animated);
    bool isPopoverVisible() const { return m_visible; }
    Rect anchorRect() const { return m_anchor; }
    uint32_t permittedArrowDirections() const { return m_directions; }

    /// Code closes the popover; the delegate is not told.
    void dismissPopoverAnimated(Animated animated);
    /// The user taps outside: the popover closes and the delegate is told.
    void tapOutside();

private:
    PopoverController() = default;
    void present(Rect rect, const std::shared_ptr<Window>& window, uint32_t directions, Animated animated);
    std::shared_ptr<ViewController> m_content;
    Size m_size;
    Rect m_anchor;
    uint32_t m_directions { PopoverArrow::Any };
    bool m_visible { false };
    std::weak_ptr<Window> m_window;
    std::weak_ptr<PopoverControllerDelegate> m_delegate;
};

} // namespace quindle
