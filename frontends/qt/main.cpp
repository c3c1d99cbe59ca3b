// quindle: the Qt client. A phone-shaped window painting the ui model that the app shell builds;
// without a server it starts the reference server in-process with its demo data, as the text
// client does. --screenshot saves the loaded start page and exits; --script runs the text
// client's commands (plus `shot FILE.png`) against this window.

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "content/DataManager.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "frontends/qt/MainQueueBridge.h"
#include "frontends/qt/PhoneWindow.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtComponents.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/ScriptRunner.h"
#include "frontends/term/ClientLaunch.h"
#include "frontends/term/CommandInterpreter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "server/QuindleServer.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quindle;

namespace {

// Longer than the transport's whole-request timeout, so the transport always answers first.
constexpr std::chrono::seconds startPageWait { 75 };

constexpr const char* usage = "usage: quindle [--demo [--demo-db PATH] | --server URL [--legacy URL]] [--log FILE]\n"
                              "               [--screenshot FILE.png | --script FILE]\n"
                              "  URL is http://host[:port] of the content server; QUINDLE_SERVER and\n"
                              "  QUINDLE_LEGACY in the environment serve when no option is given.\n"
                              "  --demo (the default without a server) starts the reference server here\n"
                              "  with its demo data; --demo-db keeps its database at PATH between runs.\n"
                              "  --screenshot saves the window once the start page has loaded, and exits.\n"
                              "  --script runs the text client's commands of FILE against the window\n"
                              "  (and `shot FILE.png`), then exits: 0 at its end, 1 at the first failing line.\n";

int fail(const std::string& message)
{
    std::cerr << "quindle: " << message << "\n";
    return 1;
}

/// Without a display a picture or a script runs offscreen; a window cannot open at all, which is
/// said plainly instead of Qt's abort.
bool chooseDisplay(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--screenshot" || argument == "--script" || argument == "--help" || argument == "-h") {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            return true;
        }
    }
    std::cerr << "quindle: no display to open a window on (DISPLAY is not set); quindle-term is the text client\n";
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!chooseDisplay(argc, argv))
        return 1;
    QApplication application(argc, argv);
    std::vector<std::string> arguments;
    for (const QString& argument : application.arguments().mid(1))
        arguments.push_back(argument.toStdString());
    ClientOptions options;
    if (int status = parseClientOptions(arguments, options, "quindle", usage, true); status >= 0)
        return status;

    std::ifstream script;
    if (options.scriptPath) {
        script.open(*options.scriptPath);
        if (!script) {
            std::cerr << "quindle: cannot read the script " << *options.scriptPath << "\n";
            return 2;
        }
    }

    int status = -1;
    DemoServer demo;
    std::optional<ServerConfiguration> configuration = namedServer(options, "quindle", usage, status);
    if (status >= 0)
        return status;
    if (!configuration) {
        // The server seeds its demo data while this thread readies Qt's fonts and the views.
        std::string error;
        auto started = std::async(std::launch::async, [&] { return startDemo(demo, options.demoDatabase, &error); });
        qt::installQtComponents();
        QFontMetricsF(qt::toQFont(Font { {}, 16 })).horizontalAdvance(QStringLiteral("Quindle"));
        if (!started.get())
            return fail("cannot start the demo server: " + error);
        configuration = demoConfiguration(demo);
        if (!configuration)
            return fail("the demo server has no usable address");
    }
    if (!setUpLog(options.logPath))
        return fail("cannot open the log file " + *options.logPath);

    auto bridge = std::make_unique<qt::MainQueueBridge>();
    // Fonts, carousels, web pages and video panels join before the first screen is laid out.
    if (!demo.server)
        qt::installQtComponents();
    Model& model = Model::defaultInstance();
    model.setConfiguration(*configuration);
    auto app = AppDelegate::create(model, LocalPushService::create(),
                                   Rect { 0, 0, double(qt::PhoneWindow::defaultSize.width()), double(qt::PhoneWindow::defaultSize.height()) });
    if (!app->didFinishLaunchingWithOptions())
        return fail("the app did not launch");
    // The interpreter observes the window first; the phone passes every change on to it.
    CommandInterpreter interpreter(app->window(), model.httpClient());
    auto phone = std::make_unique<qt::PhoneWindow>(app->window());
    phone->setHttpClient(model.httpClient());
    PhotoPicker::setShared(std::make_shared<qt::QtPhotoPicker>(phone.get()));
    phone->show();

    status = 0;
    if (options.screenshotPath || options.scriptPath) {
        QTimer::singleShot(0, [&] {
            interpreter.waitUntilIdle(startPageWait);
            if (auto start = app->dataManager(); start && start->allObjects()->items().empty())
                std::cerr << "quindle: no start page from " << configuration->host() << std::endl;
            if (options.screenshotPath) {
                auto settle = [&] { interpreter.waitUntilIdle(startPageWait); };
                if (!qt::ScriptRunner::saveShot(*phone, QString::fromStdString(*options.screenshotPath), settle))
                    status = fail("cannot write the picture " + *options.screenshotPath);
            } else {
                status = qt::ScriptRunner(interpreter, *phone).run(script, *options.scriptPath, std::cout, std::cerr);
            }
            QApplication::exit(status);
        });
    }
    int loopStatus = application.exec();
    if (!options.screenshotPath && !options.scriptPath)
        status = loopStatus;

    app->applicationWillTerminate();
    // The screens go while the notification centre they unsubscribe from is still there.
    interpreter.waitUntilIdle(std::chrono::seconds(2));
    PhotoPicker::setShared(nullptr);
    phone.reset();
    ApplicationShell::setShared(nullptr);
    app.reset();
    MainQueue::shared().runUntilIdle();
    bridge.reset();
    return status;
}
