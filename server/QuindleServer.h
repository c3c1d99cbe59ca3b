#pragma once

#include "server/HttpServer.h"

#include <cstddef>
#include <memory>
#include <string>

namespace quindle {

struct ServerOptions {
    std::string databasePath;
    std::string host = "127.0.0.1";
    int port = 0; ///< 0 picks a free port
    bool demo = false;
    bool requestLog = true;
    HttpLimits http;
};

/// The content server and the legacy JSON server on one HTTP listener and one database.
class QuindleServer {
public:
    /// Demo account seeded by `--demo`.
    static constexpr const char* demoEmail = "demo@quindle.example";
    static constexpr const char* demoPassword = "quindle-demo";

    /// Opens and migrates the database (and seeds the demo); nullptr with `error` on failure.
    static std::unique_ptr<QuindleServer> create(ServerOptions options, std::string* error = nullptr);
    ~QuindleServer();

    /// Binds and serves on background threads; false with `error` when the address is taken.
    bool start(std::string* error = nullptr);
    /// The bound port (after start).
    int port() const;
    /// "http://HOST:PORT".
    std::string host() const;
    /// Content server base address.
    std::string baseURL() const;
    /// Legacy server base address ("…/json/").
    std::string legacyBaseURL() const;
    void stop();

private:
    struct Impl;
    explicit QuindleServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace quindle
