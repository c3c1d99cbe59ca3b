#include "ui/Slider.h"

#include <algorithm>
#include <utility>

namespace quindle {

std::shared_ptr<Slider> Slider::create(Rect frame) { return std::shared_ptr<Slider>(new Slider(frame)); }

void Slider::setValue(double value) { update(m_value, std::clamp(value, m_min, m_max), ChangeKind::Value); }

void Slider::setRange(double minimum, double maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    m_min = minimum;
    m_max = maximum;
    notify(ChangeKind::Appearance);
    setValue(m_value);
}

void Slider::slide(double value)
{
    if (!isUserInteractionEnabled() || !takesUserInput())
        return;
    double before = m_value;
    setValue(value);
    if (m_value != before && onValueChanged)
        onValueChanged(*this);
}

} // namespace quindle
