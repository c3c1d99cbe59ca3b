#pragma once

#include "platform/JsonValue.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace quindle {

/// Small persistent settings: string, boolean and number values by key, kept as one JSON
/// object file. Every change is written to disk at once, atomically (a temporary file in the
/// same folder, flushed, then renamed over the old one), so a crash leaves either the old or the
/// new file. A missing, unreadable or corrupt file reads as empty. Safe to use from any thread.
class UserDefaults {
public:
    /// Files larger than this are treated as corrupt.
    static constexpr uintmax_t defaultMaxFileSize = 1024 * 1024;

    /// The program's defaults, kept at defaultPath() as it is on first use.
    static UserDefaults& standardUserDefaults();
    /// Defaults kept in the given file, read at once.
    static std::shared_ptr<UserDefaults> create(std::filesystem::path file);
    /// $XDG_CONFIG_HOME (when set to an absolute path) or ~/.config, then
    /// "quindle/UserDefaults.json".
    static std::filesystem::path defaultPath();

    explicit UserDefaults(std::filesystem::path file);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    std::filesystem::path path() const;
    /// Switches to another file and reads it; values held so far are dropped.
    void setPath(std::filesystem::path file);
    void setMaxFileSize(uintmax_t bytes);

    /// The string under the key; nothing when absent or not a string.
    std::optional<std::string> stringForKey(const std::string& key) const;
    /// A boolean, a non-zero number, or the text "true", "yes" or "1" (any case) is true;
    /// anything else, absence too, is false.
    bool boolForKey(const std::string& key) const;
    /// The number under the key (a boolean counts 0 or 1); 0 otherwise.
    double doubleForKey(const std::string& key) const;
    /// The number under the key, truncated; 0 otherwise.
    int64_t integerForKey(const std::string& key) const;
    bool containsKey(const std::string& key) const;

    void setObject(std::string value, const std::string& key);
    void setBool(bool value, const std::string& key);
    void setDouble(double value, const std::string& key);
    void setInteger(int64_t value, const std::string& key);
    void removeObjectForKey(const std::string& key);

    /// Writes any change that could not be written yet; false when the file cannot be written.
    bool synchronize();

private:
    void set(const std::string& key, JsonValue value);
    JsonValue valueLocked(const std::string& key) const;
    void loadLocked();
    bool writeLocked();

    mutable std::mutex m_mutex;
    std::filesystem::path m_path;
    uintmax_t m_maxFileSize { defaultMaxFileSize };
    JsonObjectPtr m_values;
    bool m_unwritten { false };
};

} // namespace quindle
