#pragma once

#include "ui/TextRange.h"
#include "ui/View.h"

#include <functional>

namespace quindle {

/// Whether typed characters are shown.
enum class SecureEntry { No, Yes };

/// A one-line editable text.
class TextField : public View {
public:
    static constexpr double defaultFontSize = 17;
    static std::shared_ptr<TextField> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    /// Sets the text as code does; reports the change but fires no onChange.
    void setText(std::string text) { update(m_text, std::move(text), ChangeKind::Text); }
    const std::string& placeholder() const { return m_placeholder; }
    void setPlaceholder(std::string placeholder) { update(m_placeholder, std::move(placeholder), ChangeKind::Text); }
    bool isSecureTextEntry() const { return m_secure == SecureEntry::Yes; }
    void setSecureTextEntry(SecureEntry secure) { update(m_secure, secure, ChangeKind::Appearance); }
    KeyboardType keyboardType() const { return m_keyboard; }
    void setKeyboardType(KeyboardType keyboard) { m_keyboard = keyboard; }
    const Font& font() const { return m_font; }
    void setFont(Font font) { update(m_font, std::move(font), ChangeKind::Appearance); }
    Colour textColour() const { return m_textColour; }
    void setTextColour(Colour colour) { update(m_textColour, colour, ChangeKind::Appearance); }

    /// Keyboard focus, one input of a view tree at a time. Taking it is refused for a hidden field.
    bool becomeFirstResponder();

    /// The user edits: refused under an alert, and shouldChangeCharacters may refuse; otherwise
    /// the range is replaced and onChange fires. Returns whether the edit was made.
    bool replaceCharacters(TextRange range, const std::string& replacement);
    /// The user replaces the whole text.
    bool type(const std::string& text) { return replaceCharacters({ 0, m_text.size() }, text); }
    /// The user presses return: refused under an alert, and shouldReturn may refuse; otherwise
    /// onReturn runs.
    bool pressReturn();

    std::function<bool(TextField&, TextRange, const std::string&)> shouldChangeCharacters;
    std::function<bool(TextField&)> shouldReturn;
    std::function<void(TextField&)> onChange;
    std::function<void(TextField&)> onReturn;
    /// Runs when the field gives up keyboard focus: the end of editing.
    std::function<void(TextField&)> onEndEditing;

protected:
    void focusLost() override
    {
        if (onEndEditing)
            onEndEditing(*this);
    }


private:
    explicit TextField(Rect frame) : View(frame) { }
    std::string m_text;
    std::string m_placeholder;
    SecureEntry m_secure { SecureEntry::No };
    KeyboardType m_keyboard { KeyboardType::Default };
    Font m_font { "Helvetica", defaultFontSize };
    Colour m_textColour { Colour::black() };
};

} // namespace quindle
