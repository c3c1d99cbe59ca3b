#pragma once

#include "ui/View.h"

#include <functional>

namespace quindle {

/// A tappable titled area.
class Button : public View {
public:
    static std::shared_ptr<Button> create(std::string title = {}, Rect frame = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { update(m_title, std::move(title), ChangeKind::Text); }
    Colour titleColour() const { return m_titleColour; }
    void setTitleColour(Colour colour) { update(m_titleColour, colour, ChangeKind::Appearance); }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { update(m_enabled, enabled, ChangeKind::Appearance); }

    /// The user taps: onTap runs unless the button is disabled, hidden, not touchable or under
    /// an alert. Returns whether it ran.
    bool tap();

    std::function<void(Button&)> onTap;

private:
    Button(std::string title, Rect frame);
    std::string m_title;
    Colour m_titleColour { Colour::fromRGB(0, 0.48, 1) };
    bool m_enabled { true };
};

} // namespace quindle
