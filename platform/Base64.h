#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quindle::Base64 {

/// Standard alphabet with padding, no line breaks.
std::string encode(std::string_view bytes);
/// Nothing when the text is not valid standard Base64.
std::optional<std::string> decode(std::string_view text);

} // namespace quindle::Base64
