#pragma once

#include "platform/Colour.h"
#include "platform/Font.h"

#include <optional>
#include <string_view>

namespace quindle {

/// How an input item asks to be drawn: "font name:size:r,g,b:r,g,b" (size a whole number,
/// colour components fractions from 0 to 1, always opaque).
struct InputStyle {
    Font font;
    Colour textColour;
    Colour backgroundColour;

    /// Nothing when the string has fewer than four parts, a size that is no whole number, or a
    /// colour with fewer than three readable components: the input then keeps its defaults.
    static std::optional<InputStyle> fromOptions(std::string_view options);
};

} // namespace quindle
