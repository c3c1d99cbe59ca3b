#pragma once

#include "ui/TextField.h"

#include <functional>

namespace quindle {

enum class AlertViewStyle { Default, PlainTextInput, SecureTextInput, LoginAndPasswordInput };

/// Told which button closed an alert; held weakly.
class AlertViewDelegate {
public:
    virtual ~AlertViewDelegate() = default;
    /// Before the alert goes.
    virtual void clickedButtonAtIndex(AlertView&, int /*buttonIndex*/) { }
    /// After the alert has gone.
    virtual void didDismissWithButtonIndex(AlertView&, int /*buttonIndex*/) { }
};

/// A modal message with buttons and optional text fields. The window holds a shown alert
/// until a button dismisses it.
class AlertView : public std::enable_shared_from_this<AlertView> {
public:
    /// Buttons are indexed from 0: the cancel button first (when given), then the others in order.
    static std::shared_ptr<AlertView> create(std::string title, std::string message, std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }
    const std::vector<std::string>& buttonTitles() const { return m_buttons; }
    int numberOfButtons() const { return static_cast<int>(m_buttons.size()); }
    /// Empty for an index out of range.
    std::string buttonTitleAtIndex(int index) const;
    /// Adds a button at the end; returns its index.
    int addButtonWithTitle(std::string title);
    /// -1 when the alert has no cancel button.
    int cancelButtonIndex() const { return m_cancelIndex; }

    AlertViewStyle alertViewStyle() const { return m_style; }
    /// Makes the style's text fields afresh: one plain, one secure, or a login and a secure password.
    void setAlertViewStyle(AlertViewStyle style);
    /// The text field at an index, or null if the style has none there.
    std::shared_ptr<TextField> textFieldAtIndex(size_t index) const;
    size_t numberOfTextFields() const { return m_fields.size(); }

    void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { m_delegate = std::move(delegate); }

    /// Shows the alert in the window (held there until dismissed). Without a window it is
    /// marked visible and lives only as long as its caller holds it.
    void show(const std::shared_ptr<Window>& window);
    /// Shows the alert in the controller's window.
    void show(const ViewController& over);
    bool isVisible() const { return m_visible; }

    /// The user chooses a button: the delegate's clickedButtonAtIndex, the alert goes, then
    /// didDismissWithButtonIndex and onDismiss. Out-of-range indexes and a hidden alert are ignored.
    bool chooseButton(int buttonIndex);
    /// Chooses the first button with this title.
    bool chooseButtonWithTitle(const std::string& title);

    std::function<void(AlertView&, int buttonIndex)> onDismiss;

private:
    AlertView() = default;
    std::string m_title;
    std::string m_message;
    std::vector<std::string> m_buttons;
    int m_cancelIndex { -1 };
    AlertViewStyle m_style { AlertViewStyle::Default };
    std::vector<std::shared_ptr<TextField>> m_fields;
    bool m_visible { false };
    std::weak_ptr<Window> m_window;
    std::weak_ptr<AlertViewDelegate> m_delegate;
};

} // namespace quindle
