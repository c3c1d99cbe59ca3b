#include "platform/Log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace quindle::Log {

namespace {
std::mutex& sinkMutex()
{
    static std::mutex m;
    return m;
}
std::function<void(const std::string&)>& sinkSlot()
{
    static std::function<void(const std::string&)> sink;
    return sink;
}
std::atomic<bool> s_enabled { true };

} // namespace

bool isEnabled()
{
    return s_enabled.load(std::memory_order_relaxed);
}

void setEnabled(bool enabled)
{
    s_enabled.store(enabled, std::memory_order_relaxed);
}

void line(const std::string& text)
{
    // One lock keeps lines from two threads from interleaving.
    if (!isEnabled())
        return;
    std::lock_guard lock(sinkMutex());
    if (auto& sink = sinkSlot()) {
        sink(text);
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

void setSink(std::function<void(const std::string&)> sink)
{
    std::lock_guard lock(sinkMutex());
    sinkSlot() = std::move(sink);
}

} // namespace quindle::Log
