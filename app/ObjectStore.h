#pragma once

#include "platform/Error.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace quindle {

/// The application's object store: one SQLite file. Nothing in the program defines or keeps an
/// object in it, so it never has changes to save; it is opened only when the application ends.
class ObjectStore {
public:
    /// Opens (creating it and its folder when needed) the store at `file`. On failure nothing is
    /// returned and `error` holds the store's own error.
    static std::shared_ptr<ObjectStore> open(const std::filesystem::path& file, Error* error = nullptr);
    ~ObjectStore();
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// Objects inserted, changed or deleted since the last save: never any, as no object kind exists.
    bool hasChanges() const { return false; }
    /// Writes the pending changes in one transaction; false with `error` when that fails.
    bool save(Error* error = nullptr);

private:
    ObjectStore(sqlite3* db, std::filesystem::path path);
    sqlite3* m_db;
    std::filesystem::path m_path;
};

} // namespace quindle
