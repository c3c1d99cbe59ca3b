#include "app/ObjectStore.h"

#include <sqlite3.h>

#include <system_error>

namespace quindle {

namespace {

constexpr const char* sqliteDomain = "SQLite";

Error sqliteError(sqlite3* db, int code)
{
    return { sqliteDomain, code, db ? sqlite3_errmsg(db) : sqlite3_errstr(code) };
}

} // namespace

std::shared_ptr<ObjectStore> ObjectStore::open(const std::filesystem::path& file, Error* error)
{
    std::error_code made;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), made);
    if (made) {
        if (error)
            *error = { "ObjectStore", made.value(), "Cannot create " + file.parent_path().string() + ": " + made.message() };
        return nullptr;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    // Reading the schema makes SQLite look at the file, so one that is no database fails here.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA schema_version;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = sqliteError(db, rc);
        sqlite3_close(db);
        return nullptr;
    }
    return std::shared_ptr<ObjectStore>(new ObjectStore(db, file));
}

ObjectStore::ObjectStore(sqlite3* db, std::filesystem::path path)
    : m_db(db)
    , m_path(std::move(path))
{
}

ObjectStore::~ObjectStore()
{
    sqlite3_close(m_db);
}

bool ObjectStore::save(Error* error)
{
    if (!hasChanges())
        return true;
    char* message = nullptr;
    int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE; COMMIT;", nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error)
        *error = { sqliteDomain, rc, message ? message : sqlite3_errstr(rc) };
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

} // namespace quindle
