#include "platform/UserDefaults.h"

#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace quindle {

namespace {

std::filesystem::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return std::filesystem::temp_directory_path();
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

/// Writes the bytes to a temporary file beside the target, flushes it and renames it over the
/// target, so readers see the old file or the new one, never a part.
bool replaceFile(const std::filesystem::path& target, const std::string& bytes)
{
    std::error_code error;
    std::filesystem::path folder = target.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    std::string pattern = (folder / (target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(pattern.c_str(), target.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return false;
    }
    // The rename itself lasts only once the folder is flushed.
    int folderFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(defaultPath());
    return defaults;
}

std::shared_ptr<UserDefaults> UserDefaults::create(std::filesystem::path file)
{
    return std::make_shared<UserDefaults>(std::move(file));
}

std::filesystem::path UserDefaults::defaultPath()
{
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute())
        base = xdg;
    else
        base = homeFolder() / ".config";
    return base / "quindle" / "UserDefaults.json";
}

UserDefaults::UserDefaults(std::filesystem::path file)
    : m_path(std::move(file))
{
    std::lock_guard lock(m_mutex);
    loadLocked();
}

std::filesystem::path UserDefaults::path() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

void UserDefaults::setPath(std::filesystem::path file)
{
    std::lock_guard lock(m_mutex);
    m_path = std::move(file);
    m_unwritten = false;
    loadLocked();
}

void UserDefaults::setMaxFileSize(uintmax_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_maxFileSize = bytes;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    JsonValue value = valueLocked(key);
    if (const std::string* text = value.string())
        return *text;
    return std::nullopt;
}

bool UserDefaults::boolForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    JsonValue value = valueLocked(key);
    if (value.isBool())
        return value.asBool();
    if (value.isNumber())
        return value.asDouble() != 0;
    if (const std::string* text = value.string()) {
        std::string lower;
        for (char c : *text)
            lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        return lower == "true" || lower == "yes" || lower == "1";
    }
    return false;
}

double UserDefaults::doubleForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    JsonValue value = valueLocked(key);
    if (value.isBool())
        return value.asBool() ? 1 : 0;
    return value.asDouble(0);
}

int64_t UserDefaults::integerForKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    JsonValue value = valueLocked(key);
    if (value.isBool())
        return value.asBool() ? 1 : 0;
    return value.asInt(0);
}

bool UserDefaults::containsKey(const std::string& key) const
{
    std::lock_guard lock(m_mutex);
    return m_values->contains(key);
}

void UserDefaults::setObject(std::string value, const std::string& key)
{
    set(key, JsonValue(std::move(value)));
}

void UserDefaults::setBool(bool value, const std::string& key)
{
    set(key, JsonValue(value));
}

void UserDefaults::setDouble(double value, const std::string& key)
{
    set(key, JsonValue(value));
}

void UserDefaults::setInteger(int64_t value, const std::string& key)
{
    set(key, JsonValue(static_cast<long long>(value)));
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(m_mutex);
    if (!m_values->erase(key))
        return;
    m_unwritten = true;
    writeLocked();
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (!m_unwritten)
        return true;
    return writeLocked();
}

void UserDefaults::set(const std::string& key, JsonValue value)
{
    std::lock_guard lock(m_mutex);
    m_values->set(key, std::move(value));
    m_unwritten = true;
    writeLocked();
}

JsonValue UserDefaults::valueLocked(const std::string& key) const
{
    if (const JsonValue* value = m_values->find(key))
        return *value;
    return {};
}

void UserDefaults::loadLocked()
{
    m_values = JsonObject::create();
    std::error_code error;
    auto size = std::filesystem::file_size(m_path, error);
    if (error || size > m_maxFileSize)
        return;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return;
    std::ostringstream text;
    text << in.rdbuf();
    auto parsed = JsonParser::parse(text.str());
    if (!parsed || !parsed->isObject())
        return;
    // Only the kinds this store writes are kept; anything else in the file is ignored.
    for (const auto& [key, value] : *parsed->object()) {
        if (value.isString() || value.isBool() || value.isNumber())
            m_values->set(key, value);
    }
}

bool UserDefaults::writeLocked()
{
    auto text = JsonWriter::write(JsonValue(m_values));
    if (!text || !replaceFile(m_path, *text))
        return false;
    m_unwritten = false;
    return true;
}

} // namespace quindle
