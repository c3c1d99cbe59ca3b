#pragma once

#include "ui/View.h"

#include <functional>

namespace quindle {

/// Whether typed characters are shown.
enum class SecureEntry { No, Yes };

/// A one-line editable text.
class TextField : public View {
public:
    static std::shared_ptr<TextField> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    /// Sets the text as code does; does not fire onChange.
    void setText(std::string text);
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder) { m_placeholder = std::move(placeholder); }
    bool isSecureTextEntry() const { return m_secure == SecureEntry::Yes; }
    void setSecureTextEntry(SecureEntry secure) { m_secure = secure; }

    /// What the user does: replaces the text and fires onChange if it differs.
    void type(std::string text);
    /// The user presses return.
    void pressReturn();

    std::function<void(TextField&)> onChange;
    std::function<void(TextField&)> onReturn;

private:
    explicit TextField(Rect frame) : View(frame) { }
    std::string m_text;
    std::string m_placeholder;
    SecureEntry m_secure { SecureEntry::No };
};

} // namespace quindle
