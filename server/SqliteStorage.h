#pragma once

#include "server/Storage.h"

#include <memory>
#include <string>

namespace quindle {

/// Storage on one SQLite file: WAL journal, synchronous=FULL (an acknowledged commit survives
/// power loss), foreign keys on, prepared statements cached.
class SqliteStorage {
public:
    /// How long a statement waits for a lock held by another process.
    static constexpr int defaultBusyTimeoutMs = 5000;

    /// Opens or creates the database; nullptr with `error` filled when it cannot.
    static std::unique_ptr<Storage> open(const std::string& path, std::string* error = nullptr);
};

} // namespace quindle
