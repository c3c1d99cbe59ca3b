#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quindle {

/// One SQL value: NULL, integer, real or text (blobs travel as text bytes).
using SqlValue = std::variant<std::monostate, int64_t, double, std::string>;
using SqlRow = std::vector<SqlValue>;

/// A statement failed (syntax, constraint, I/O); the surrounding transaction is rolled back.
class StorageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The server's storage: parameterised portable SQL, so that another engine can take the same
/// statements. Calls are serialised; any thread may call.
class Storage {
public:
    virtual ~Storage() = default;

    /// Brings `component`'s schema up to date: step i moves it from version i to i + 1, each step
    /// in one transaction; versions are kept in schema_versions(component, version).
    virtual void migrate(std::string_view component, const std::vector<std::string>& steps) = 0;
    /// Runs a statement and returns the rows it changed.
    virtual int64_t execute(std::string_view sql, const std::vector<SqlValue>& params = {}) = 0;
    virtual std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& params = {}) = 0;
    /// Row id of the last insert made by the calling transaction.
    virtual int64_t lastInsertId() = 0;
    /// Runs `work` in one transaction: commits, or rolls back and rethrows when it throws.
    /// Nested calls join the outer transaction.
    virtual void transaction(const std::function<void()>& work) = 0;
    /// Moves on with every write; a reply built while it had one value is stale once it has another.
    virtual uint64_t generation() const = 0;

    /// Value readers for query results (NULL reads as 0 or "").
    static int64_t integer(const SqlValue& value);
    static double real(const SqlValue& value);
    static std::string text(const SqlValue& value);
    static bool isNull(const SqlValue& value) { return std::holds_alternative<std::monostate>(value); }
};

} // namespace quindle
