#pragma once

#include "ui/View.h"

#include <functional>

namespace quindle {

/// A value picked along a track between a minimum and a maximum.
class Slider : public View {
public:
    static std::shared_ptr<Slider> create(Rect frame = {});

    double value() const { return m_value; }
    /// Clamped to the range; fires no onValueChanged.
    void setValue(double value);
    double minimumValue() const { return m_min; }
    double maximumValue() const { return m_max; }
    /// A reversed range is put in order; the value is clamped into it.
    void setRange(double minimum, double maximum);
    /// The user drags the thumb to a value (clamped); onValueChanged fires if it moved. Ignored
    /// under an alert.
    void slide(double value);

    std::function<void(Slider&)> onValueChanged;

private:
    explicit Slider(Rect frame) : View(frame) { }
    double m_value { 0 };
    double m_min { 0 };
    double m_max { 1 };
};

} // namespace quindle
