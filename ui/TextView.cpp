#include "ui/TextView.h"

namespace quindle {

std::shared_ptr<TextView> TextView::create(Rect frame) { return std::shared_ptr<TextView>(new TextView(frame)); }

bool TextView::becomeFirstResponder()
{
    if (!isEditable() || isHidden() || !isUserInteractionEnabled())
        return false;
    return takeFocus();
}

bool TextView::replaceText(TextRange range, const std::string& replacement)
{
    if (!isEditable() || !isUserInteractionEnabled() || !takesUserInput())
        return false;
    if (shouldChangeText && !shouldChangeText(*this, range, replacement))
        return false;
    auto changed = range.applyTo(m_text, replacement);
    if (changed == m_text)
        return true;
    setText(std::move(changed));
    if (onChange)
        onChange(*this);
    return true;
}

} // namespace quindle
