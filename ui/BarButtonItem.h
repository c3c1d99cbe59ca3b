#pragma once

#include <functional>
#include <memory>
#include <string>

namespace quindle {

class ViewController;

/// The look of a bar button: Done is the emphasised one.
enum class BarButtonStyle { Plain, Done };

/// The built-in bar buttons; Custom uses the title.
enum class SystemItem { Custom, Add, Edit, Done, Save, Cancel };

/// A button in a navigation bar; its action is the target it calls.
class BarButtonItem {
public:
    static std::shared_ptr<BarButtonItem> create(std::string title, BarButtonStyle style, std::function<void()> action);
    /// Done and Save come emphasised, as the platform draws them.
    static std::shared_ptr<BarButtonItem> create(SystemItem system, std::function<void()> action);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    /// What a renderer shows: the title, or for a system item its platform wording ("Add", "Edit", ...).
    std::string displayTitle() const;
    BarButtonStyle style() const { return m_style; }
    SystemItem systemItem() const { return m_system; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    /// The user presses the button: the action runs unless the button is disabled, has none, or
    /// an alert covers the screen whose bar holds it. Returns whether it ran.
    bool press();

    std::function<void()> action;

private:
    friend class ViewController;
    BarButtonItem() = default;
    /// The screen whose bar shows the button, set when a screen takes it.
    std::weak_ptr<const ViewController> m_owner;
    std::string m_title;
    BarButtonStyle m_style { BarButtonStyle::Plain };
    SystemItem m_system { SystemItem::Custom };
    bool m_enabled { true };
};

} // namespace quindle
