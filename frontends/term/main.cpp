// quindle-term: the text client. For now it fetches the public start page and prints the names
// of its items, one a line, or a one-line error. Without a server it starts the reference server
// in-process with its demo data on a free loopback port.

#include "core/Asset.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "platform/JsonValue.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "server/QuindleServer.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quindle;

namespace {

// Longer than the transport's whole-request timeout, so the transport always answers first.
constexpr std::chrono::seconds startPageWait { 75 };
constexpr std::chrono::milliseconds idlePoll { 20 };

constexpr const char* usage = "usage: quindle-term [--demo [--demo-db PATH] | --server URL [--legacy URL]] [--log FILE]\n"
                              "  URL is http://host[:port] of the content server; QUINDLE_SERVER and\n"
                              "  QUINDLE_LEGACY in the environment serve when no option is given.\n"
                              "  --demo (the default without a server) starts the reference server here\n"
                              "  with its demo data; --demo-db keeps its database at PATH between runs.\n";

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

struct Outcome {
    bool done { false };
    std::optional<JsonValue> content;
    std::optional<Error> error;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::optional<std::string> logPath;
    std::optional<std::string> demoDatabase;
    bool demoAsked = false;
    std::vector<std::string> serverArguments;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arguments[i] == "--log") {
            if (i + 1 >= arguments.size())
                return fail("--log needs a file name");
            logPath = arguments[++i];
        } else if (arguments[i] == "--demo") {
            demoAsked = true;
        } else if (arguments[i] == "--demo-db") {
            if (i + 1 >= arguments.size())
                return fail("--demo-db needs a file name");
            demoDatabase = arguments[++i];
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

    MainQueue& mainQueue = MainQueue::shared();
    mainQueue.makeCurrentThreadMain();
    Model& model = Model::defaultInstance();
    model.setConfiguration(*configuration);

    std::cerr << "Loading the start page from " << configuration->host() << " ..." << std::endl;
    auto outcome = std::make_shared<Outcome>();
    model.fetchDirectoryForAssetID("", [outcome](std::optional<JsonValue> content, std::optional<Error> err) {
        MainQueue::shared().dispatch([outcome, content = std::move(content), err = std::move(err)] {
            outcome->done = true;
            outcome->content = content;
            outcome->error = err;
        });
    });
    auto client = model.httpClient();
    // A reply that is JSON but no object never reaches the handler: stop when the transport
    // has nothing left in flight.
    // The queue only wakes for tasks, so the in-flight count is looked at between short waits.
    auto idle = [&] { return outcome->done || (client->inFlight() == 0 && mainQueue.pending() == 0); };
    auto deadline = std::chrono::steady_clock::now() + startPageWait;
    while (!idle() && std::chrono::steady_clock::now() < deadline)
        mainQueue.runUntil(idle, idlePoll);
    mainQueue.runUntilIdle();

    if (!outcome->done)
        return fail("the server at " + configuration->host() + " sent no page");
    if (outcome->error)
        return fail("cannot load the start page from " + configuration->host() + ": " + outcome->error->localizedDescription);
    if (!outcome->content || !outcome->content->isObject())
        return fail("the server at " + configuration->host() + " sent no page");

    auto items = asset::list(outcome->content->object());
    if (!items)
        return fail("the start page from " + configuration->host() + " holds no item list");
    for (auto& item : *items) {
        if (item.isObject())
            std::cout << asset::name(item.object()) << "\n";
    }
    return 0;
}
