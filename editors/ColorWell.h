#pragma once

#include "ui/View.h"

#include <optional>
#include <string>

namespace quindle {

/// A swatch showing one colour, with a 1-point black border; empty until it gets a colour.
class ColorWell : public View {
public:
    /// `caption` names the well for renderers that print it ("new colour").
    static std::shared_ptr<ColorWell> create(std::string caption, Rect frame = {});

    const std::string& caption() const { return m_caption; }
    std::optional<Colour> colour() const { return m_colour; }
    /// Shows the colour as the well's background; nothing empties the well.
    void setColour(std::optional<Colour> colour);

private:
    ColorWell(std::string caption, Rect frame);
    std::string m_caption;
    std::optional<Colour> m_colour;
};

} // namespace quindle
