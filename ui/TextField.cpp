#include "ui/TextField.h"

namespace quindle {

std::shared_ptr<TextField> TextField::create(Rect frame) { return std::shared_ptr<TextField>(new TextField(frame)); }

bool TextField::becomeFirstResponder()
{
    if (isHidden())
        return false;
    return takeFocus();
}

bool TextField::replaceCharacters(TextRange range, const std::string& replacement)
{
    if (!takesUserInput())
        return false;
    if (shouldChangeCharacters && !shouldChangeCharacters(*this, range, replacement))
        return false;
    auto changed = range.applyTo(m_text, replacement);
    if (changed == m_text)
        return true;
    setText(std::move(changed));
    if (onChange)
        onChange(*this);
    return true;
}

bool TextField::pressReturn()
{
    if (!takesUserInput())
        return false;
    if (shouldReturn && !shouldReturn(*this))
        return false;
    if (onReturn)
        onReturn(*this);
    return true;
}

} // namespace quindle
