#include "server/ReplyCache.h"

namespace quindle {

std::optional<std::string> ReplyCache::find(const std::string& key, uint64_t generation)
{
    std::lock_guard lock(m_mutex);
    auto found = m_entries.find(key);
    if (found == m_entries.end() || found->second.generation != generation)
        return std::nullopt;
    return found->second.body;
}

void ReplyCache::store(const std::string& key, uint64_t generation, std::string body)
{
    std::lock_guard lock(m_mutex);
    if (body.size() > m_maxBytes)
        return;
    auto found = m_entries.find(key);
    if (found != m_entries.end()) {
        m_bytes -= found->second.body.size();
        m_entries.erase(found);
    }
    // Stale bodies go first; when all are current and the cache is full, it starts afresh.
    if (m_entries.size() >= m_maxEntries || m_bytes + body.size() > m_maxBytes) {
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->second.generation != generation) {
                m_bytes -= it->second.body.size();
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
        if (m_entries.size() >= m_maxEntries || m_bytes + body.size() > m_maxBytes) {
            m_entries.clear();
            m_bytes = 0;
        }
    }
    m_bytes += body.size();
    m_entries.emplace(key, Entry { generation, std::move(body) });
}

void ReplyCache::setLimits(size_t maxEntries, size_t maxBytes)
{
    std::lock_guard lock(m_mutex);
    m_maxEntries = maxEntries;
    m_maxBytes = maxBytes;
    m_entries.clear();
    m_bytes = 0;
}

size_t ReplyCache::size() const
{
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

} // namespace quindle
