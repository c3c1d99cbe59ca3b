#pragma once

namespace quindle {

class ColorWheel;

/// Told when the colour under a colour wheel's cursor changes.
class ColorWheelDelegate {
public:
    virtual ~ColorWheelDelegate() = default;
    /// The cursor moved while the wheel reports continuously.
    virtual void colorWheelDidChangeColor(ColorWheel& wheel) = 0;
    /// The finger lifted.
    virtual void colorWheelDidFinishChangingColor() = 0;
};

} // namespace quindle
