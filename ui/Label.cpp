#include "ui/Label.h"

namespace quindle {

Label::Label(Rect frame) : View(frame) { setBackgroundColour(Colour::fromRGB(0, 0, 0, 0)); }

std::shared_ptr<Label> Label::create(Rect frame) { return std::shared_ptr<Label>(new Label(frame)); }

void Label::setStroke(Colour colour, double width)
{
    if (colour == m_strokeColour && width == m_strokeWidth)
        return;
    m_strokeColour = colour;
    m_strokeWidth = width;
    notify(ChangeKind::Appearance);
}

} // namespace quindle
