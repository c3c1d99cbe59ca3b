// quindle-term: the text client. It launches the app shell over a window of the UI object model,
// prints the screens as text and takes commands from a script or standard input. Without a
// server it starts the reference server in-process with its demo data on a free loopback port.

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "content/DataManager.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "frontends/term/ClientLaunch.h"
#include "frontends/term/CommandInterpreter.h"
#include "frontends/term/TermPhotoPicker.h"
#include "frontends/term/TermRowCommands.h"
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

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    ClientOptions options;
    if (int status = parseClientOptions(arguments, options, "quindle-term", usage, false); status >= 0)
        return status;

    std::ifstream script;
    if (options.scriptPath) {
        script.open(*options.scriptPath);
        if (!script) {
            std::cerr << "quindle-term: cannot read the script " << *options.scriptPath << "\n";
            return 2;
        }
    }

    int status = -1;
    DemoServer demo;
    std::optional<ServerConfiguration> configuration = namedServer(options, "quindle-term", usage, status);
    if (status >= 0)
        return status;
    if (!configuration) {
        std::string error;
        if (!startDemo(demo, options.demoDatabase, &error))
            return fail("cannot start the demo server: " + error);
        configuration = demoConfiguration(demo);
        if (!configuration)
            return fail("the demo server has no usable address");
    }
    if (!setUpLog(options.logPath))
        return fail("cannot open the log file " + *options.logPath);

    MainQueue::shared().makeCurrentThreadMain();
    Model& model = Model::defaultInstance();
    model.setConfiguration(*configuration);

    // No platform push service here: the `push` commands deliver its callbacks.
    auto app = AppDelegate::create(model, LocalPushService::create());
    if (!app->didFinishLaunchingWithOptions())
        return fail("the app did not launch");
    CommandInterpreter interpreter(app->window(), model.httpClient());
    // The photo library: pictures handed over with `photo PATH`.
    TermPhotoPicker::install(interpreter);
    installRowCommands(interpreter);
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

    status = options.scriptPath ? interpreter.runScript(script, *options.scriptPath, std::cout, std::cerr)
                            : interpreter.runInteractive(std::cin, std::cout, std::cerr,
                                isatty(STDIN_FILENO) ? CommandInterpreter::Prompt::Yes : CommandInterpreter::Prompt::No);
    app->applicationWillTerminate();
    // The screens and coordinators go while the notification centre they unsubscribe from is
    // still there: the shared shell would otherwise outlive it until static destruction.
    interpreter.waitUntilIdle(std::chrono::seconds(2));
    ApplicationShell::setShared(nullptr);
    PhotoPicker::setShared(nullptr);
    app.reset();
    MainQueue::shared().runUntilIdle();
    return status;
}
