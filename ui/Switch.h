#pragma once

#include "ui/View.h"

#include <functional>

namespace quindle {

/// An on/off control.
class Switch : public View {
public:
    static std::shared_ptr<Switch> create(Rect frame = {});

    bool isOn() const { return m_on; }
    /// Sets the state as code does; fires no onValueChanged.
    void setOn(bool on) { update(m_on, on, ChangeKind::Value); }
    /// The user flips the switch (ignored when it is not touchable or under an alert).
    void toggle();

    std::function<void(Switch&)> onValueChanged;

private:
    explicit Switch(Rect frame) : View(frame) { }
    bool m_on { false };
};

} // namespace quindle
