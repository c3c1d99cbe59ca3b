// quindle-term: the text client. For now it fetches the public start page and prints the names
// of its items, one a line, or a one-line error.

#include "core/Asset.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "platform/JsonValue.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <chrono>
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

constexpr const char* usage = "usage: quindle-term --server URL [--legacy URL] [--log FILE]\n"
                              "  URL is http://host[:port] of the content server; QUINDLE_SERVER and\n"
                              "  QUINDLE_LEGACY in the environment serve when no option is given.\n";

int fail(const std::string& message)
{
    std::cerr << "quindle-term: " << message << "\n";
    return 1;
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
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arguments[i] == "--log") {
            if (i + 1 >= arguments.size())
                return fail("--log needs a file name");
            logPath = arguments[++i];
        } else if (arguments[i] == "--server" || arguments[i] == "--legacy") {
            ++i; // the configuration reads these
        } else if (!arguments[i].starts_with("--server=") && !arguments[i].starts_with("--legacy=")) {
            std::cerr << "quindle-term: unknown option " << arguments[i] << "\n" << usage;
            return 2;
        }
    }

    std::string error;
    auto configuration = ServerConfiguration::fromArguments(arguments, ServerConfiguration::processEnvironment(), &error);
    if (!configuration) {
        if (error.empty())
            error = "no server given: use --server URL or set QUINDLE_SERVER";
        std::cerr << "quindle-term: " << error << "\n" << usage;
        return 2;
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
