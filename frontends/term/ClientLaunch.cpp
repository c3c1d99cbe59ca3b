#include "frontends/term/ClientLaunch.h"

#include "platform/Log.h"
#include "server/QuindleServer.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

namespace quindle {

int parseClientOptions(const std::vector<std::string>& arguments, ClientOptions& options, const std::string& program,
    const char* usage, bool withScreenshot)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            return 0;
        }
        if (argument == "--log" || argument == "--demo-db" || argument == "--script" || (withScreenshot && argument == "--screenshot")) {
            if (i + 1 >= arguments.size()) {
                std::cerr << program << ": " << argument << " needs a file name\n" << usage;
                return 2;
            }
            const std::string& value = arguments[++i];
            if (argument == "--log")
                options.logPath = value;
            else if (argument == "--script")
                options.scriptPath = value;
            else if (argument == "--screenshot")
                options.screenshotPath = value;
            else {
                options.demoDatabase = value;
                options.demoAsked = true;
            }
        } else if (argument == "--demo") {
            options.demoAsked = true;
        } else if (argument == "--server" || argument == "--legacy") {
            // the configuration reads these
            options.serverArguments.push_back(argument);
            if (i + 1 < arguments.size())
                options.serverArguments.push_back(arguments[++i]);
        } else if (argument.starts_with("--server=") || argument.starts_with("--legacy=")) {
            options.serverArguments.push_back(argument);
        } else {
            std::cerr << program << ": unknown option " << argument << "\n" << usage;
            return 2;
        }
    }
    if (options.scriptPath && options.screenshotPath) {
        std::cerr << program << ": --script and --screenshot exclude each other\n" << usage;
        return 2;
    }
    return -1;
}

DemoServer::DemoServer() = default;

DemoServer::~DemoServer()
{
    if (server)
        server->stop();
    server.reset();
    std::error_code ignored;
    if (!temporaryFolder.empty())
        std::filesystem::remove_all(temporaryFolder, ignored);
}

bool startDemo(DemoServer& demo, const std::optional<std::string>& databasePath, std::string* error)
{
    ServerOptions options;
    options.demo = true;
    options.requestLog = false; // its log lines would bury the screen
    if (databasePath) {
        options.databasePath = *databasePath;
    } else {
        char pattern[] = "/tmp/quindle-demo-XXXXXX";
        if (!mkdtemp(pattern)) {
            *error = "cannot make a folder for the demo database";
            return false;
        }
        demo.temporaryFolder = pattern;
        options.databasePath = (demo.temporaryFolder / "quindle.sqlite").string();
    }
    demo.server = QuindleServer::create(options, error);
    return demo.server && demo.server->start(error);
}

std::optional<ServerConfiguration> namedServer(const ClientOptions& options, const std::string& program, const char* usage, int& status)
{
    status = -1;
    if (options.demoAsked) {
        if (!options.serverArguments.empty()) {
            std::cerr << program << ": --demo and --server exclude each other\n" << usage;
            status = 2;
        }
        return std::nullopt;
    }
    std::string error;
    auto configuration = ServerConfiguration::fromArguments(options.serverArguments, ServerConfiguration::processEnvironment(), &error);
    if (!configuration && !error.empty()) {
        std::cerr << program << ": " << error << "\n" << usage;
        status = 2;
    }
    return configuration;
}

std::optional<ServerConfiguration> demoConfiguration(const DemoServer& demo)
{
    auto configuration = ServerConfiguration::create(demo.server->host(), demo.server->host());
    if (configuration) {
        std::cerr << "Demo server at " << demo.server->host() << " (login " << QuindleServer::demoEmail << " / "
                  << QuindleServer::demoPassword << ")" << std::endl;
    }
    return configuration;
}

bool setUpLog(const std::optional<std::string>& path)
{
    // The transport logs every request and reply; on a screen that would bury it, so the log
    // goes to a file when asked for and is off otherwise.
    Log::setEnabled(path.has_value());
    if (!path)
        return true;
    auto logFile = std::make_shared<std::ofstream>(*path, std::ios::app);
    if (!*logFile)
        return false;
    Log::setSink([logFile](const std::string& line) { *logFile << line << "\n"; });
    return true;
}

} // namespace quindle
