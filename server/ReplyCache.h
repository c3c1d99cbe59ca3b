#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace quindle {

/// Written reply bodies of read endpoints, each labelled with the storage generation it was
/// built at; a body is served only while the storage is still at that generation, so any write
/// makes every older body stale.
class ReplyCache {
public:
    static constexpr size_t defaultMaxEntries = 512;
    static constexpr size_t defaultMaxBytes = 64 * 1024 * 1024;

    std::optional<std::string> find(const std::string& key, uint64_t generation);
    void store(const std::string& key, uint64_t generation, std::string body);

    void setLimits(size_t maxEntries, size_t maxBytes);
    size_t size() const;

private:
    struct Entry {
        uint64_t generation = 0;
        std::string body;
    };

    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Entry> m_entries;
    size_t m_bytes = 0;
    size_t m_maxEntries = defaultMaxEntries;
    size_t m_maxBytes = defaultMaxBytes;
};

} // namespace quindle
