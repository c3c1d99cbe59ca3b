#pragma once

#include "core/ServerConfiguration.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

class QuindleServer;

/// The command-line options both clients take (`quindle-term` and `quindle`).
struct ClientOptions {
    std::optional<std::string> logPath, demoDatabase, scriptPath, screenshotPath;
    bool demoAsked { false };
    std::vector<std::string> serverArguments;
};

/// Reads the options; -1 to go on, else the exit status (0 after --help, 2 after a usage error,
/// both printed). `--screenshot` is taken only when `withScreenshot` is set.
int parseClientOptions(const std::vector<std::string>& arguments, ClientOptions& options, const std::string& program,
    const char* usage, bool withScreenshot);

/// The reference server run in-process for --demo; its database is removed at exit unless kept.
struct DemoServer {
    std::unique_ptr<QuindleServer> server;
    std::filesystem::path temporaryFolder;
    DemoServer();
    ~DemoServer();
};

/// Starts the demo server (database at `databasePath`, else in a temporary folder); false with
/// `error` filled when it cannot.
bool startDemo(DemoServer& demo, const std::optional<std::string>& databasePath, std::string* error);

/// The server the options or the environment name; nothing when none is named, so the demo is
/// to start. -1 in `status` to go on, else the exit status after a printed usage error.
std::optional<ServerConfiguration> namedServer(const ClientOptions& options, const std::string& program, const char* usage, int& status);

/// The configuration for a started demo server, with its address and logins printed.
std::optional<ServerConfiguration> demoConfiguration(const DemoServer& demo);

/// Sends the transport's log lines to the --log file, or turns them off; false when the file
/// cannot be opened.
bool setUpLog(const std::optional<std::string>& path);

} // namespace quindle
