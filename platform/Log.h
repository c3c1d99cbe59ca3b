#pragma once

#include <functional>
#include <string>

namespace quindle {

/// The platform log: one line a call, no level. Goes to stderr unless a sink is set (tests).
namespace Log {
void line(const std::string& text);
void setSink(std::function<void(const std::string&)> sink);
} // namespace Log

} // namespace quindle
