#pragma once

#include "platform/Log.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace quindle::test {

/// Captures log lines for the duration of a test.
class LogCapture {
public:
    LogCapture()
    {
        Log::setSink([this](const std::string& text) {
            std::lock_guard lock(m_mutex);
            m_lines.push_back(text);
        });
    }
    ~LogCapture() { Log::setSink({}); }
    std::vector<std::string> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    bool contains(const std::string& exact) const { return std::ranges::count(lines(), exact) > 0; }
    bool anyStartsWith(const std::string& prefix) const
    {
        return std::ranges::any_of(lines(), [&](const std::string& line) { return line.starts_with(prefix); });
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace quindle::test
