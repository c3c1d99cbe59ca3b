#pragma once

#include "ui/TextField.h"

#include <functional>

namespace quindle {

enum class AlertViewStyle { Default, PlainTextInput, SecureTextInput, LoginAndPasswordInput };

/// A modal message with buttons and optional text fields.
class AlertView {
public:
    static std::shared_ptr<AlertView> create(std::string title, std::string message, std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return m_title; }
    const std::string& message() const { return m_message; }
    /// Cancel first (if given), then the others, in order.
    const std::vector<std::string>& buttonTitles() const { return m_buttons; }
    AlertViewStyle alertViewStyle() const { return m_style; }
    void setAlertViewStyle(AlertViewStyle style);
    /// The text field at an index, or null if the style has none there.
    std::shared_ptr<TextField> textFieldAtIndex(size_t index) const;

    void show(const std::shared_ptr<ViewObserver>& observer);
    bool isVisible() const { return m_visible; }
    /// The user chooses a button; out-of-range indexes and a hidden alert are ignored.
    bool chooseButton(int buttonIndex);

    std::function<void(AlertView&, int buttonIndex)> onDismiss;

private:
    AlertView() = default;
    std::string m_title;
    std::string m_message;
    std::vector<std::string> m_buttons;
    AlertViewStyle m_style { AlertViewStyle::Default };
    std::vector<std::shared_ptr<TextField>> m_fields;
    bool m_visible { false };
    std::weak_ptr<ViewObserver> m_observer;
};

} // namespace quindle
