#pragma once

#include <functional>
#include <string>

namespace quindle {

/// The platform log: one line a call, no level. Goes to stderr unless a sink is set (tests).
namespace Log {
void line(const std::string& text);
void setSink(std::function<void(const std::string&)> sink);
/// Whether lines are kept at all. A program that drops its log turns it off, so callers can
/// skip building costly lines (a whole reply rendered as text).
bool isEnabled();
void setEnabled(bool enabled);
} // namespace Log

} // namespace quindle
