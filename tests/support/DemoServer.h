#pragma once
// The reference server in-process on a free loopback port, with a database in a folder of its
// own that is removed with it.

#include "server/QuindleServer.h"

#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace quindle::test {

class DemoServer {
public:
    DemoServer() = default;
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;
    ~DemoServer() { stop(); }

    /// Starts the server (with the demo data unless `demo` is false); false with `error` set
    /// when it cannot.
    bool start(std::string* error, bool demo = true)
    {
        stop();
        m_folder = std::filesystem::temp_directory_path() / ("quindle-test-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(m_folder);
        ServerOptions options;
        options.databasePath = (m_folder / "quindle.sqlite").string();
        options.demo = demo;
        options.requestLog = false;
        m_server = QuindleServer::create(options, error);
        return m_server && m_server->start(error);
    }

    void stop()
    {
        if (m_server)
            m_server->stop();
        m_server.reset();
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
        m_folder.clear();
    }

    explicit operator bool() const { return m_server != nullptr; }
    QuindleServer* operator->() const { return m_server.get(); }
    /// "http://127.0.0.1:PORT".
    std::string host() const { return m_server->host(); }
    int port() const { return m_server->port(); }
    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    std::unique_ptr<QuindleServer> m_server;
};

} // namespace quindle::test
