#pragma once

#include "ui/TextField.h"
#include "ui/View.h"

#include <memory>
#include <string>

namespace quindle {

class FormEngine;

/// The number control of a "Number" row: a bordered field with the current value. The end of
/// editing (return, or focus moving on) sends the typed text to the engine it was given.
class NumberView : public View {
public:
    static constexpr double width = 80;
    static constexpr double height = 30;

    /// `state` is the value text shown.
    static std::shared_ptr<NumberView> create(Rect frame, std::weak_ptr<FormEngine> parent, std::string state, size_t index);

    const std::string& state() const { return m_state; }
    size_t index() const { return m_index; }
    const std::shared_ptr<TextField>& textField() const { return m_field; }

private:
    NumberView(Rect frame, std::weak_ptr<FormEngine> parent, std::string state, size_t index);
    void ended();
    std::weak_ptr<FormEngine> m_parent;
    std::string m_state;
    size_t m_index;
    std::shared_ptr<TextField> m_field;
};

} // namespace quindle
