#include "platform/Base64.h"

#include <array>
#include <cstdint>

namespace quindle::Base64 {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t invalid = -1;

constexpr std::array<int8_t, 256> makeReverse()
{
    std::array<int8_t, 256> table {};
    for (auto& entry : table)
        entry = invalid;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<int8_t>(i);
    return table;
}

constexpr std::array<int8_t, 256> reverse = makeReverse();

} // namespace

std::string encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t triple = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8)
            | static_cast<uint8_t>(bytes[i + 2]);
        out.push_back(alphabet[(triple >> 18) & 63]);
        out.push_back(alphabet[(triple >> 12) & 63]);
        out.push_back(alphabet[(triple >> 6) & 63]);
        out.push_back(alphabet[triple & 63]);
    }
    size_t rest = bytes.size() - i;
    if (rest == 1) {
        uint32_t triple = static_cast<uint8_t>(bytes[i]) << 16;
        out.push_back(alphabet[(triple >> 18) & 63]);
        out.push_back(alphabet[(triple >> 12) & 63]);
        out.append("==");
    } else if (rest == 2) {
        uint32_t triple = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
        out.push_back(alphabet[(triple >> 18) & 63]);
        out.push_back(alphabet[(triple >> 12) & 63]);
        out.push_back(alphabet[(triple >> 6) & 63]);
        out.push_back('=');
    }
    return out;
}

std::optional<std::string> decode(std::string_view text)
{
    // Padded text always comes in whole groups of four.
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = 1;
        if (text[text.size() - 2] == '=')
            padding = 2;
    }
    std::string out;
    out.reserve(text.size() / 4 * 3);
    size_t dataChars = text.size() - padding;
    for (size_t group = 0; group < text.size(); group += 4) {
        uint32_t triple = 0;
        for (size_t k = 0; k < 4; ++k) {
            size_t index = group + k;
            int8_t value = 0;
            if (index < dataChars) {
                value = reverse[static_cast<unsigned char>(text[index])];
                if (value == invalid)
                    return std::nullopt;
            } else if (text[index] != '=') {
                return std::nullopt;
            }
            triple = (triple << 6) | static_cast<uint32_t>(value);
        }
        out.push_back(static_cast<char>((triple >> 16) & 0xFF));
        if (group + 4 < text.size() || padding < 2)
            out.push_back(static_cast<char>((triple >> 8) & 0xFF));
        if (group + 4 < text.size() || padding < 1)
            out.push_back(static_cast<char>(triple & 0xFF));
        // Bits below the padding must be zero, or two texts would decode to the same bytes.
        if (group + 4 == text.size()) {
            if (padding == 2 && (triple & 0xFFFF) != 0)
                return std::nullopt;
            if (padding == 1 && (triple & 0xFF) != 0)
                return std::nullopt;
        }
    }
    return out;
}

} // namespace quindle::Base64
