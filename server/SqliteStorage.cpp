#include "server/SqliteStorage.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace quindle {

int64_t Storage::integer(const SqlValue& value)
{
    if (auto i = std::get_if<int64_t>(&value))
        return *i;
    if (auto d = std::get_if<double>(&value))
        return static_cast<int64_t>(*d);
    return 0;
}

double Storage::real(const SqlValue& value)
{
    if (auto d = std::get_if<double>(&value))
        return *d;
    if (auto i = std::get_if<int64_t>(&value))
        return static_cast<double>(*i);
    return 0;
}

std::string Storage::text(const SqlValue& value)
{
    if (auto s = std::get_if<std::string>(&value))
        return *s;
    if (auto i = std::get_if<int64_t>(&value))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(&value))
        return std::to_string(*d);
    return {};
}

namespace {

class SqliteDatabase final : public Storage {
public:
    explicit SqliteDatabase(sqlite3* db)
        : m_db(db)
    {
    }

    ~SqliteDatabase() override
    {
        for (auto& [sql, statement] : m_statements)
            sqlite3_finalize(statement);
        sqlite3_close(m_db);
    }

    void configure()
    {
        run("PRAGMA journal_mode=WAL", {});
        run("PRAGMA synchronous=FULL", {});
        run("PRAGMA foreign_keys=ON", {});
        execute("CREATE TABLE IF NOT EXISTS schema_versions (component TEXT PRIMARY KEY, version INTEGER NOT NULL)", {});
    }

    void migrate(std::string_view component, const std::vector<std::string>& steps) override
    {
        std::lock_guard lock(m_mutex);
        auto rows = query("SELECT version FROM schema_versions WHERE component = ?", { std::string(component) });
        int64_t version = rows.empty() ? 0 : integer(rows[0][0]);
        if (version > static_cast<int64_t>(steps.size()))
            throw StorageError("schema of " + std::string(component) + " is newer than this server");
        for (size_t i = static_cast<size_t>(version); i < steps.size(); ++i) {
            transaction([&] {
                char* message = nullptr;
                // A step may hold several statements; none takes parameters.
                if (sqlite3_exec(m_db, steps[i].c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
                    std::string text = message ? message : "migration failed";
                    sqlite3_free(message);
                    throw StorageError(text);
                }
                if (i == 0)
                    execute("INSERT INTO schema_versions (component, version) VALUES (?, 1)", { std::string(component) });
                else
                    execute("UPDATE schema_versions SET version = ? WHERE component = ?",
                        { static_cast<int64_t>(i + 1), std::string(component) });
            });
        }
    }

    int64_t execute(std::string_view sql, const std::vector<SqlValue>& params) override
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        run(sql, params);
        // Once more after the change, so a reply built while it ran is never taken as current.
        ++m_generation;
        return sqlite3_changes64(m_db);
    }

    std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& params) override
    {
        std::lock_guard lock(m_mutex);
        return run(sql, params);
    }

    int64_t lastInsertId() override
    {
        std::lock_guard lock(m_mutex);
        return sqlite3_last_insert_rowid(m_db);
    }

    void transaction(const std::function<void()>& work) override
    {
        std::lock_guard lock(m_mutex);
        if (m_depth > 0) {
            // Joins the outer transaction; its failure unwinds to the outermost call.
            ++m_depth;
            try {
                work();
            } catch (...) {
                --m_depth;
                throw;
            }
            --m_depth;
            return;
        }
        run("BEGIN IMMEDIATE", {});
        m_depth = 1;
        try {
            work();
            m_depth = 0;
            run("COMMIT", {});
            ++m_generation;
        } catch (...) {
            m_depth = 0;
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            ++m_generation;
            throw;
        }
    }

    uint64_t generation() const override
    {
        return m_generation.load();
    }

private:
    sqlite3_stmt* prepare(std::string_view sql)
    {
        auto found = m_statements.find(std::string(sql));
        if (found != m_statements.end()) {
            sqlite3_reset(found->second);
            sqlite3_clear_bindings(found->second);
            return found->second;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK) {
            std::string message = sqlite3_errmsg(m_db);
            sqlite3_finalize(statement);
            throw StorageError(message + " in " + std::string(sql));
        }
        if (m_statements.size() >= maxCachedStatements) {
            for (auto& [text, cached] : m_statements)
                sqlite3_finalize(cached);
            m_statements.clear();
        }
        m_statements.emplace(std::string(sql), statement);
        return statement;
    }

    std::vector<SqlRow> run(std::string_view sql, const std::vector<SqlValue>& params)
    {
        sqlite3_stmt* statement = prepare(sql);
        if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(statement))
            throw StorageError("wrong number of parameters for " + std::string(sql));
        for (size_t i = 0; i < params.size(); ++i) {
            int slot = static_cast<int>(i + 1);
            const SqlValue& value = params[i];
            int rc = SQLITE_OK;
            if (auto n = std::get_if<int64_t>(&value))
                rc = sqlite3_bind_int64(statement, slot, *n);
            else if (auto d = std::get_if<double>(&value))
                rc = sqlite3_bind_double(statement, slot, *d);
            else if (auto s = std::get_if<std::string>(&value))
                rc = sqlite3_bind_text64(statement, slot, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            else
                rc = sqlite3_bind_null(statement, slot);
            if (rc != SQLITE_OK)
                throw StorageError(sqlite3_errmsg(m_db));
        }
        std::vector<SqlRow> rows;
        int rc;
        int columns = sqlite3_column_count(statement);
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            SqlRow row;
            row.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(statement, c)) {
                case SQLITE_INTEGER:
                    row.emplace_back(static_cast<int64_t>(sqlite3_column_int64(statement, c)));
                    break;
                case SQLITE_FLOAT:
                    row.emplace_back(sqlite3_column_double(statement, c));
                    break;
                case SQLITE_NULL:
                    row.emplace_back(std::monostate {});
                    break;
                default: {
                    const void* bytes = sqlite3_column_blob(statement, c);
                    int size = sqlite3_column_bytes(statement, c);
                    row.emplace_back(std::string(static_cast<const char*>(bytes), static_cast<size_t>(size)));
                }
                }
            }
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            std::string message = sqlite3_errmsg(m_db);
            sqlite3_reset(statement);
            throw StorageError(message);
        }
        sqlite3_reset(statement);
        return rows;
    }

    static constexpr size_t maxCachedStatements = 256;

    sqlite3* m_db;
    std::recursive_mutex m_mutex;
    int m_depth = 0;
    std::atomic<uint64_t> m_generation { 0 };
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

} // namespace

std::unique_ptr<Storage> SqliteStorage::open(const std::string& path, std::string* error)
{
    sqlite3* db = nullptr;
    // The connection is used under our own lock only.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? sqlite3_errmsg(db) : "cannot open database";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, defaultBusyTimeoutMs);
    auto storage = std::make_unique<SqliteDatabase>(db);
    try {
        storage->configure();
    } catch (const StorageError& e) {
        if (error)
            *error = e.what();
        return nullptr;
    }
    return storage;
}

} // namespace quindle
