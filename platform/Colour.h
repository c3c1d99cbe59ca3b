#pragma once

namespace quindle {

/// An RGBA colour, components from 0 to 1 (values outside are kept as given).
struct Colour {
    double red { 0 };
    double green { 0 };
    double blue { 0 };
    double alpha { 1 };

    static Colour fromRGB(double r, double g, double b, double a = 1) { return { r, g, b, a }; }
    static Colour black() { return { 0, 0, 0, 1 }; }
    static Colour white() { return { 1, 1, 1, 1 }; }
    bool operator==(const Colour&) const = default;
};

} // namespace quindle
