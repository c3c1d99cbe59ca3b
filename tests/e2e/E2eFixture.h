#pragma once
// Starts a real quindle-server process on loopback with a fresh demo database, runs quindle-term
// scripts against it, and asks the server over HTTP what it holds afterwards.

#include "core/ServerConfiguration.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <sqlite3.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quindle::test {

struct TermRun {
    int status { -1 };
    std::string output; // stdout and stderr together
};

/// Logs in as the demo owner from the start page's "Login" button.
constexpr const char* loginScript = R"(press Login
wait
field 0 demo@quindle.example
field 1 quindle-demo
press Login
wait
)";

class E2eFixture : public ::testing::Test {
protected:
    /// How long the server may take to print its address.
    static constexpr int startTimeoutMs = 15000;
    /// How long one quindle-term run may take before it is stopped (status 124).
    static constexpr int termTimeoutSeconds = 120;

    void SetUp() override
    {
        std::random_device random;
        m_dir = std::filesystem::temp_directory_path() / ("quindle-e2e-" + std::to_string(random()));
        std::filesystem::create_directories(m_dir);
        startServer();
    }

    void TearDown() override
    {
        stopServer();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    void startServer()
    {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        std::string program = std::string(QUINDLE_BUILD_DIR) + "/server/quindle-server";
        std::string database = (m_dir / "quindle.sqlite").string();
        m_pid = fork();
        ASSERT_GE(m_pid, 0);
        if (m_pid == 0) {
            dup2(pipeFds[1], STDOUT_FILENO);
            std::string log = (m_dir / "server.log").string();
            if (FILE* errors = std::fopen(log.c_str(), "w"))
                dup2(fileno(errors), STDERR_FILENO);
            close(pipeFds[0]);
            close(pipeFds[1]);
            execl(program.c_str(), program.c_str(), "--port", "0", "--host", "127.0.0.1", "--demo", "--quiet", "--db",
                database.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        m_serverOutput = pipeFds[0]; // kept open so the server never writes into a closed pipe
        std::string line;
        pollfd waitFor { m_serverOutput, POLLIN, 0 };
        while (line.find('\n') == std::string::npos && poll(&waitFor, 1, startTimeoutMs) > 0) {
            std::array<char, 256> buffer {};
            ssize_t n = read(m_serverOutput, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            line.append(buffer.data(), static_cast<size_t>(n));
        }
        url = line.substr(0, line.find('\n'));
        ASSERT_TRUE(url.starts_with("http://127.0.0.1:")) << "quindle-server printed: " << line;
        port = std::stoi(url.substr(url.rfind(':') + 1));
        client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_read_timeout(30, 0);
    }

    void stopServer()
    {
        client.reset();
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        if (m_serverOutput >= 0) {
            close(m_serverOutput);
            m_serverOutput = -1;
        }
    }

    /// Runs quindle-term against the server with the script.
    TermRun runScript(const std::string& script, const std::string& name = "scenario.term")
    {
        auto path = m_dir / name;
        std::ofstream(path) << script;
        return runScriptFile(path.string());
    }

    /// Runs quindle-term with the script at `path`; `onOutput` sees the output so far after each read.
    TermRun runScriptFile(const std::string& path, const std::function<void(const std::string&)>& onOutput = {})
    {
        return runClient("/frontends/term/quindle-term", path, onOutput);
    }

    /// Runs a client (its path under the build folder) against the server with the script at `path`.
    TermRun runClient(const std::string& program, const std::string& path, const std::function<void(const std::string&)>& onOutput = {})
    {
        std::string command = "QUINDLE_DOCUMENTS=" + m_dir.string() + " QT_QPA_PLATFORM=offscreen timeout "
            + std::to_string(termTimeoutSeconds) + " " + std::string(QUINDLE_BUILD_DIR) + program + " --server " + url
            + " --script " + path + " 2>&1";
        TermRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return run;
        std::array<char, 4096> buffer {};
        ssize_t n;
        // read, not fread: the output so far is seen as it comes, not only once a buffer is full.
        while ((n = read(fileno(pipe), buffer.data(), buffer.size())) > 0 || (n < 0 && errno == EINTR)) {
            if (n <= 0)
                continue;
            run.output.append(buffer.data(), static_cast<size_t>(n));
            if (onOutput)
                onOutput(run.output);
        }
        int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : (WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1);
        return run;
    }

    static std::string content(const std::string& endpoint) { return std::string(ServerConfiguration::basePath) + endpoint; }

    /// Logs in as the demo account over HTTP; the token, empty on failure.
    std::string login()
    {
        auto reply = get(content("login"), { { "email", QuindleServer::demoEmail }, { "password", QuindleServer::demoPassword } });
        const JsonValue& token = message(reply).get("AuthToken");
        return token.isString() ? token.asString() : std::string();
    }

    /// The reply's "Message" object, or an empty object.
    static const JsonObject& message(const std::optional<JsonValue>& reply)
    {
        static const JsonObject none;
        if (!reply || !reply->isObject())
            return none;
        const JsonValue& inner = reply->object()->get("Message");
        return inner.isObject() ? *inner.object() : none;
    }

    std::optional<JsonValue> get(const std::string& path, const httplib::Params& params, const std::string& token = {})
    {
        httplib::Headers headers;
        if (!token.empty())
            headers.emplace("wibble", token);
        auto result = client->Get(path, params, headers);
        if (!result)
            return std::nullopt;
        return JsonParser::parse(result->body);
    }

    /// The names of a page's children in order, as the server holds them ("" is the start page).
    std::vector<std::string> childNames(const std::string& assetID, const std::string& token = {})
    {
        httplib::Params params;
        if (!assetID.empty())
            params.emplace("assetid", assetID);
        std::vector<std::string> names;
        auto reply = get(content("contentForNode"), params, token);
        const JsonValue& children = message(reply).get("Children");
        if (children.isArray()) {
            for (const auto& child : children.array()->items()) {
                if (child.isObject())
                    names.push_back(child.object()->get("Name").asString());
            }
        }
        return names;
    }

    /// The record of a start page child by name, or null.
    JsonObjectPtr childNamed(const std::string& assetID, const std::string& name, const std::string& token = {})
    {
        httplib::Params params;
        if (!assetID.empty())
            params.emplace("assetid", assetID);
        auto reply = get(content("contentForNode"), params, token);
        const JsonValue& children = message(reply).get("Children");
        if (children.isArray()) {
            for (const auto& child : children.array()->items()) {
                if (child.isObject() && child.object()->get("Name").asString() == name)
                    return child.object();
            }
        }
        return nullptr;
    }

    /// Rows of a query on the server's database (read while the server runs; it uses WAL).
    std::vector<std::vector<std::string>> sql(const std::string& query)
    {
        std::vector<std::vector<std::string>> rows;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2((m_dir / "quindle.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open the server's database: " << sqlite3_errmsg(db);
            sqlite3_close(db);
            return rows;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, query.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << query << ": " << sqlite3_errmsg(db);
        } else {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                std::vector<std::string> row;
                for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                    auto text = sqlite3_column_text(statement, i);
                    row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
                }
                rows.push_back(std::move(row));
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return rows;
    }

    const std::filesystem::path& folder() const { return m_dir; }

    std::string url;
    int port { 0 };
    std::unique_ptr<httplib::Client> client;

private:
    std::filesystem::path m_dir;
    pid_t m_pid { -1 };
    int m_serverOutput { -1 };
};

} // namespace quindle::test
