#include "ui/Switch.h"

namespace quindle {

std::shared_ptr<Switch> Switch::create(Rect frame) { return std::shared_ptr<Switch>(new Switch(frame)); }

void Switch::toggle()
{
    if (!isUserInteractionEnabled() || !takesUserInput())
        return;
    setOn(!m_on);
    if (onValueChanged)
        onValueChanged(*this);
}

} // namespace quindle
