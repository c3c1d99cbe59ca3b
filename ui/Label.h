#pragma once

#include "ui/View.h"

namespace quindle {

enum class TextAlignment { Left, Center, Right };

/// A read-only text.
class Label : public View {
public:
    static constexpr double defaultFontSize = 17;
    static std::shared_ptr<Label> create(Rect frame = {});

    const std::string& text() const { return m_text; }
    void setText(std::string text) { update(m_text, std::move(text), ChangeKind::Text); }
    const Font& font() const { return m_font; }
    void setFont(Font font) { update(m_font, std::move(font), ChangeKind::Appearance); }
    Colour textColour() const { return m_textColour; }
    void setTextColour(Colour colour) { update(m_textColour, colour, ChangeKind::Appearance); }
    TextAlignment textAlignment() const { return m_alignment; }
    void setTextAlignment(TextAlignment alignment) { update(m_alignment, alignment, ChangeKind::Appearance); }
    /// 0 means as many lines as the text needs.
    int numberOfLines() const { return m_lines; }
    void setNumberOfLines(int lines) { update(m_lines, lines < 0 ? 0 : lines, ChangeKind::Appearance); }
    /// Outline of the glyphs; a negative width fills and outlines, 0 draws no outline.
    Colour strokeColour() const { return m_strokeColour; }
    double strokeWidth() const { return m_strokeWidth; }
    void setStroke(Colour colour, double width);

private:
    explicit Label(Rect frame);
    std::string m_text;
    Font m_font { "Helvetica", defaultFontSize };
    Colour m_textColour { Colour::black() };
    TextAlignment m_alignment { TextAlignment::Left };
    int m_lines { 1 };
    Colour m_strokeColour { Colour::black() };
    double m_strokeWidth { 0 };
};

} // namespace quindle
