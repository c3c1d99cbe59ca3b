#pragma once

#include "platform/Log.h"

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
    bool contains(const std::string& exact) const
    {
        for (auto& line : lines())
            if (line == exact)
                return true;
        return false;
    }
    bool anyStartsWith(const std::string& prefix) const
    {
        for (auto& line : lines())
            if (line.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

} // namespace quindle::test
