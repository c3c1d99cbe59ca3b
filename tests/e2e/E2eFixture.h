#pragma once
// Starts a real quindle-server process on loopback with a fresh demo database, runs quindle-term
// scripts against it, and asks the server over HTTP what it holds afterwards.

#include "server/ServerFixture.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <future>
#include <sys/stat.h>

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

/// The demo owner's first page (tab 0 is the public start page).
inline const std::string ownerHome = std::string(loginScript) + "tab 1\nwait\n";

class E2eFixture : public ::testing::Test, public ServerClient {
protected:
    /// How long one quindle-term run may take before it is stopped (status 124).
    static constexpr int termTimeoutSeconds = 120;
    static constexpr const char* term = "/frontends/term/quindle-term";

    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("quindle-e2e-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(m_dir);
        m_server.emplace(m_dir / "quindle.sqlite", m_dir / "server.out", m_dir / "server.log", std::vector<std::string> { "--quiet" });
        ASSERT_NE(m_server->port(), 0) << "quindle-server printed no address";
        url = "http://127.0.0.1:" + std::to_string(m_server->port());
        connect(m_server->port());
    }

    void TearDown() override
    {
        stopServer();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    /// SIGTERM, so that the server ends as it does in use (and writes its coverage counters).
    void stopServer()
    {
        client.reset();
        if (m_server)
            m_server->stopWith(SIGTERM);
    }

    /// Runs quindle-term (or `program`, see runScriptFile) against the server with the script.
    TermRun runScript(const std::string& script, const std::string& name = "scenario.term", const std::string& program = term)
    {
        auto path = m_dir / name;
        std::ofstream(path) << script;
        return runScriptFile(path.string(), {}, program);
    }

    /// Runs the script with quindle-term; false, with the output shown, unless it ends with status 0.
    bool walk(const std::string& script, const std::string& name = "scenario.term")
    {
        TermRun run = runScript(script, name);
        EXPECT_EQ(run.status, 0) << run.output;
        return run.status == 0;
    }

    /// Runs a client (quindle-term unless `program`, a path under the build folder, says another)
    /// with the script at `path`; `onOutput` sees the output so far after each read.
    TermRun runScriptFile(const std::string& path, const std::function<void(const std::string&)>& onOutput = {},
        const std::string& program = term)
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

    /// Runs quindle-term on a script that comes through a pipe in two halves: once the output
    /// shows `cue`, `between` runs (to change or stop the server) and the second half follows.
    TermRun runInTwoHalves(const std::string& first, const std::string& cue, const std::function<void()>& between, const std::string& second)
    {
        const std::string pipe = (m_dir / "halves.term").string();
        if (mkfifo(pipe.c_str(), 0600) != 0) {
            ADD_FAILURE() << "cannot make " << pipe;
            return {};
        }
        std::promise<void> cued;
        std::thread writer([&, done = cued.get_future()] {
            std::ofstream script(pipe);
            script << first << std::flush;
            done.wait_for(std::chrono::seconds(60));
            script << second << std::flush;
        });
        bool seen = false;
        TermRun run = runScriptFile(pipe, [&](const std::string& output) {
            if (!seen && output.find(cue) != std::string::npos) {
                seen = true;
                between();
                cued.set_value();
            }
        });
        if (!seen)
            cued.set_value();
        writer.join();
        EXPECT_TRUE(seen) << cue << " never shown:\n" << run.output;
        return run;
    }

    /// The start page's children in order, as the server holds them.
    std::vector<JsonValue> children(const std::string& token = {}) { return list(payload(get(content("contentForNode"), token))); }
    std::vector<std::string> childNames()
    {
        std::vector<std::string> names;
        for (const JsonValue& child : children())
            names.push_back(str(child, "Name"));
        return names;
    }

    /// Rows of a query on the server's database (read while the server runs; it uses WAL).
    std::vector<std::vector<std::string>> sql(const std::string& query) { return sqlRows(database(), query); }
    std::string database() const { return (m_dir / "quindle.sqlite").string(); }

    const std::filesystem::path& folder() const { return m_dir; }

    std::string url;

private:
    std::filesystem::path m_dir;
    std::optional<ServerProcess> m_server;
};

} // namespace quindle::test
