#pragma once

#include "ui/TextRange.h"
#include "ui/View.h"

#include <functional>

namespace quindle {

/// Whether the user may change a text.
enum class Editable { No, Yes };

/// A multi-line text, editable or read-only.
class TextView : public View {
public:
    static constexpr double defaultFontSize = 17;
    static std::shared_ptr<TextView> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    /// Sets the text as code does; reports the change but fires no onChange.
    void setText(std::string text) { update(m_text, std::move(text), ChangeKind::Text); }
    bool isEditable() const { return m_editable == Editable::Yes; }
    void setEditable(Editable editable) { update(m_editable, editable, ChangeKind::Appearance); }
    const Font& font() const { return m_font; }
    void setFont(Font font) { update(m_font, std::move(font), ChangeKind::Appearance); }
    Colour textColour() const { return m_textColour; }
    void setTextColour(Colour colour) { update(m_textColour, colour, ChangeKind::Appearance); }
    KeyboardType keyboardType() const { return m_keyboard; }
    void setKeyboardType(KeyboardType keyboard) { m_keyboard = keyboard; }

    /// Keyboard focus, one input of a view tree at a time; refused for a read-only, hidden or
    /// untouchable view.
    bool becomeFirstResponder();

    /// The user edits: refused for a read-only or untouchable view, under an alert, or by shouldChangeText;
    /// otherwise the range is replaced and onChange fires. Returns whether the edit was made.
    bool replaceText(TextRange range, const std::string& replacement);
    /// The user replaces the whole text.
    bool type(const std::string& text) { return replaceText({ 0, m_text.size() }, text); }

    std::function<bool(TextView&, TextRange, const std::string&)> shouldChangeText;
    std::function<void(TextView&)> onChange;

private:
    explicit TextView(Rect frame) : View(frame) { }
    std::string m_text;
    Editable m_editable { Editable::Yes };
    Font m_font { "Helvetica", defaultFontSize };
    Colour m_textColour { Colour::black() };
    KeyboardType m_keyboard { KeyboardType::Default };
};

} // namespace quindle
