#pragma once
// Percent-encoding of query values for tests and load generators that build addresses by hand.

#include <cctype>
#include <string>
#include <string_view>

namespace quindle::test {

/// Every byte but letters, digits and "-_.~" as %XX.
inline std::string percentEncode(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace quindle::test
