#pragma once

#include "ui/Label.h"
#include "ui/View.h"

#include <memory>

namespace quindle {

class FormEngine;

/// The yes/no control of a "Bool" row: "Yes" on the left half, "No" on the right. A touch
/// sets the row's state on the engine it was given.
class BoolView : public View {
public:
    static constexpr double width = 80;
    static constexpr double height = 30;
    /// Touches left of this position mean yes.
    static constexpr double yesLimit = 50;

    /// `state` 1 marks "Yes" (red), 2 marks "No" (green), anything else neither.
    static std::shared_ptr<BoolView> create(Rect frame, std::weak_ptr<FormEngine> parent, int state, size_t index);

    int state() const { return m_state; }
    size_t index() const { return m_index; }
    const std::shared_ptr<Label>& yesLabel() const { return m_yes; }
    const std::shared_ptr<Label>& noLabel() const { return m_no; }
    /// The state a value stands for: 1 for "YES" or "1", 2 for "NO" or "0", else 0.
    static int stateForValue(const std::string& value);

private:
    BoolView(Rect frame, std::weak_ptr<FormEngine> parent, int state, size_t index);
    void touched(Point location);
    std::weak_ptr<FormEngine> m_parent;
    int m_state;
    size_t m_index;
    std::shared_ptr<Label> m_yes;
    std::shared_ptr<Label> m_no;
};

} // namespace quindle
