#pragma once

#include <cstddef>
#include <string>

namespace quindle {

/// A span of a text in bytes of its UTF-8 form.
struct TextRange {
    size_t location { 0 };
    size_t length { 0 };
    bool operator==(const TextRange&) const = default;

    /// The text with the range (clamped to the text) replaced.
    std::string applyTo(const std::string& text, const std::string& replacement) const
    {
        size_t start = location < text.size() ? location : text.size();
        size_t count = length < text.size() - start ? length : text.size() - start;
        std::string result = text;
        result.replace(start, count, replacement);
        return result;
    }
};

/// The keyboard a text input asks for.
enum class KeyboardType { Default, EmailAddress, NumberPad, DecimalPad, URL };

} // namespace quindle
