// quindle-term: the text client. It launches the app shell over a window of the UI object model,
// prints the screens as text and takes commands from a script or standard input. Without a
// server it starts the reference server in-process with its demo data on a free loopback port.

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "content/DataManager.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "frontends/term/CommandInterpreter.h"
#include "frontends/term/TermRenderer.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "server/QuindleServer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quindle;

namespace {

// Longer than the transport's whole-request timeout, so the transport always answers first.
constexpr std::chrono::seconds startPageWait { 75 };

constexpr const char* usage = "usage: quindle-term [--demo [--demo-db PATH] | --server URL [--legacy URL]] [--log FILE] [--script FILE]\n"
                              "  URL is http://host[:port] of the content server; QUINDLE_SERVER and\n"
                              "  QUINDLE_LEGACY in the environment serve when no option is given.\n"
                              "  --demo (the default without a server) starts the reference server here\n"
                              "  with its demo data; --demo-db keeps its database at PATH between runs.\n"
                              "  --script runs the commands of FILE and exits: 0 at its end, 1 at the\n"
                              "  first failing command. Without it commands are read from standard input.\n";

int fail(const std::string& message)
{
    std::cerr << "quindle-term: " << message << "\n";
    return 1;
}

/// The reference server run in-process for --demo; its database is removed at exit unless kept.
struct DemoServer {
    std::unique_ptr<QuindleServer> server;
    std::filesystem::path temporaryFolder;

    ~DemoServer()
    {
        if (server)
            server->stop();
        server.reset();
        std::error_code ignored;
        if (!temporaryFolder.empty())
            std::filesystem::remove_all(temporaryFolder, ignored);
    }
};

/// Starts the demo server; false with `error` filled when it cannot.
bool startDemo(DemoServer& demo, const std::optional<std::string>& databasePath, std::string* error)
{
    ServerOptions options;
    options.demo = true;
    options.requestLog = false; // its log lines would bury the screen
    if (databasePath) {
        options.databasePath = *databasePath;
    } else {
        char pattern[] = "/tmp/quindle-term-demo-XXXXXX";
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

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::optional<std::string> logPath;
    std::optional<std::string> demoDatabase;
    std::optional<std::string> scriptPath;
    bool demoAsked = false;
    std::vector<std::string> serverArguments;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arguments[i] == "--log" || arguments[i] == "--demo-db" || arguments[i] == "--script") {
            if (i + 1 >= arguments.size()) {
                std::cerr << "quindle-term: " << arguments[i] << " needs a file name\n" << usage;
                return 2;
            }
            const std::string& value = arguments[++i];
            if (arguments[i - 1] == "--log") {
                logPath = value;
            } else if (arguments[i - 1] == "--script") {
                scriptPath = value;
            } else {
                demoDatabase = value;
                demoAsked = true;
            }
        } else if (arguments[i] == "--demo") {
            demoAsked = true;
        } else if (arguments[i] == "--server" || arguments[i] == "--legacy") {
            // the configuration reads these
            serverArguments.push_back(arguments[i]);
            if (i + 1 < arguments.size())
                serverArguments.push_back(arguments[++i]);
        } else if (arguments[i].starts_with("--server=") || arguments[i].starts_with("--legacy=")) {
            serverArguments.push_back(arguments[i]);
        } else {
            std::cerr << "quindle-term: unknown option " << arguments[i] << "\n" << usage;
            return 2;
        }
    }

    std::ifstream script;
    if (scriptPath) {
        script.open(*scriptPath);
        if (!script) {
            std::cerr << "quindle-term: cannot read the script " << *scriptPath << "\n";
            return 2;
        }
    }

    std::string error;
    DemoServer demo;
    std::optional<ServerConfiguration> configuration;
    if (!demoAsked) {
        configuration = ServerConfiguration::fromArguments(serverArguments, ServerConfiguration::processEnvironment(), &error);
        if (!configuration && !error.empty()) {
            std::cerr << "quindle-term: " << error << "\n" << usage;
            return 2;
        }
    } else if (!serverArguments.empty()) {
        std::cerr << "quindle-term: --demo and --server exclude each other\n" << usage;
        return 2;
    }
    if (!configuration) {
        if (!startDemo(demo, demoDatabase, &error))
            return fail("cannot start the demo server: " + error);
        configuration = ServerConfiguration::create(demo.server->host(), demo.server->host());
        if (!configuration)
            return fail("the demo server has no usable address");
        std::cerr << "Demo server at " << demo.server->host() << " (login " << QuindleServer::demoEmail << " / "
                  << QuindleServer::demoPassword << ")" << std::endl;
    }

    // The transport logs every request and reply; on a terminal that would bury the screen,
    // so the log goes to a file when asked for and is off otherwise.
    Log::setEnabled(logPath.has_value());
    if (logPath) {
        auto logFile = std::make_shared<std::ofstream>(*logPath, std::ios::app);
        if (!*logFile)
            return fail("cannot open the log file " + *logPath);
        Log::setSink([logFile](const std::string& line) { *logFile << line << "\n"; });
    }

    MainQueue::shared().makeCurrentThreadMain();
    Model& model = Model::defaultInstance();
    model.setConfiguration(*configuration);

    // No platform push service here: the `push` commands deliver its callbacks.
    auto app = AppDelegate::create(model, LocalPushService::create());
    if (!app->didFinishLaunchingWithOptions())
        return fail("the app did not launch");
    CommandInterpreter interpreter(app->window(), model.httpClient());
    std::weak_ptr<AppDelegate> weakApp = app;
    interpreter.setPushHandlers({
        [weakApp](std::vector<uint8_t> token) {
            if (auto shell = weakApp.lock())
                shell->didRegisterForRemoteNotificationsWithDeviceToken(token);
        },
        [weakApp](unsigned types) {
            if (auto shell = weakApp.lock())
                shell->didRegisterUserNotificationSettings(types);
        },
        [weakApp](JsonObjectPtr payload) {
            if (auto shell = weakApp.lock())
                shell->didReceiveRemoteNotification(payload, [](BackgroundFetchResult) { });
        },
    });

    // The start page shows nothing when it cannot be loaded; say why here, off the screen.
    interpreter.waitUntilIdle(startPageWait);
    if (auto start = app->dataManager(); start && start->allObjects()->items().empty())
        std::cerr << "quindle-term: no start page from " << configuration->host() << std::endl;

    int status = scriptPath ? interpreter.runScript(script, *scriptPath, std::cout, std::cerr)
                            : interpreter.runInteractive(std::cin, std::cout, std::cerr,
                                isatty(STDIN_FILENO) ? CommandInterpreter::Prompt::Yes : CommandInterpreter::Prompt::No);
    app->applicationWillTerminate();
    // The screens and coordinators go while the notification centre they unsubscribe from is
    // still there: the shared shell would otherwise outlive it until static destruction.
    interpreter.waitUntilIdle(std::chrono::seconds(2));
    ApplicationShell::setShared(nullptr);
    app.reset();
    MainQueue::shared().runUntilIdle();
    return status;
}
