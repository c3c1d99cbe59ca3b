#include "editors/ColorWell.h"

namespace quindle {

std::shared_ptr<ColorWell> ColorWell::create(std::string caption, Rect frame)
{
    return std::shared_ptr<ColorWell>(new ColorWell(std::move(caption), frame));
}

ColorWell::ColorWell(std::string caption, Rect frame)
    : View(frame)
    , m_caption(std::move(caption))
{
    setBackgroundColour({ 0, 0, 0, 0 });
    setBorder(1, Colour::black());
}

void ColorWell::setColour(std::optional<Colour> colour)
{
    m_colour = colour;
    setBackgroundColour(colour.value_or(Colour { 0, 0, 0, 0 }));
}

} // namespace quindle
