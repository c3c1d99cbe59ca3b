#include "ui/Button.h"

namespace quindle {

Button::Button(std::string title, Rect frame) : View(frame), m_title(std::move(title))
{
    setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
}

std::shared_ptr<Button> Button::create(std::string title, Rect frame)
{
    return std::shared_ptr<Button>(new Button(std::move(title), frame));
}

bool Button::tap()
{
    if (!m_enabled || isHidden() || !isUserInteractionEnabled() || !onTap || !takesUserInput())
        return false;
    // The handler may remove this button from its parent; keep it for the call.
    auto keepAlive = shared_from_this();
    auto handler = onTap;
    handler(*this);
    return true;
}

} // namespace quindle
