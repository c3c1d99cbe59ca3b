// quindle-server: the content server and the legacy JSON server on one port.
#include "server/ContentDemo.h"
#include "server/LoginThrottle.h"
#include "server/QuindleServer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

namespace {

int usage(const char* message)
{
    std::fprintf(stderr,
        "quindle-server: %s\n"
        "usage: quindle-server --db PATH [--port N] [--host ADDRESS] [--demo] [--quiet]\n"
        "  [--max-connections-per-origin N] [--max-connections N] [--max-header-bytes N] [--max-body-bytes N]\n"
        "  [--header-deadline-ms N] [--body-deadline-ms N] [--keep-alive-ms N] [--loops N] [--workers N]\n"
        "  [--login-attempts-per-origin N] [--login-origin-window-s N] [--login-failures-before-delay N] [--login-max-delay-s N]\n",
        message);
    return 2;
}

/// A whole number from `low` to `high`, or nullopt.
std::optional<long long> wholeNumber(const char* text, long long low, long long high)
{
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (!*text || *end || errno || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    quindle::ServerOptions options;
    auto& http = options.http;
    using ms = std::chrono::milliseconds;
    // Numbers an operator sets: the option, where it goes, and its range.
    struct Setting {
        const char* name;
        std::function<void(long long)> set;
        long long low, high;
    };
    const Setting settings[] = {
        { "--port", [&](long long v) { options.port = static_cast<int>(v); }, 0, 65535 },
        { "--max-connections-per-origin", [&](long long v) { http.maxConnectionsPerOrigin = static_cast<size_t>(v); }, 1, 1'000'000 },
        { "--max-connections", [&](long long v) { http.maxConnections = static_cast<size_t>(v); }, 1, 1'000'000 },
        { "--max-header-bytes", [&](long long v) { http.maxHeaderBytes = static_cast<size_t>(v); }, 1024, 1 << 30 },
        { "--max-body-bytes", [&](long long v) { http.maxBodyBytes = static_cast<size_t>(v); }, 1024, 1LL << 34 },
        { "--header-deadline-ms", [&](long long v) { http.headerDeadline = ms(v); }, 1, 3'600'000 },
        { "--body-deadline-ms", [&](long long v) { http.bodyDeadline = ms(v); }, 1, 3'600'000 },
        { "--keep-alive-ms", [&](long long v) { http.keepAliveTimeout = ms(v); }, 1, 3'600'000 },
        { "--loops", [&](long long v) { http.loopThreads = static_cast<size_t>(v); }, 1, 256 },
        { "--workers", [&](long long v) { http.workerThreads = static_cast<size_t>(v); }, 1, 1024 },
        { "--login-attempts-per-origin", [](long long v) { quindle::LoginThrottle::setMaxAttemptsPerOrigin(static_cast<int>(v)); }, 1, 1'000'000 },
        { "--login-origin-window-s", [](long long v) { quindle::LoginThrottle::setOriginWindow(std::chrono::seconds(v)); }, 1, 86'400 },
        { "--login-failures-before-delay", [](long long v) { quindle::LoginThrottle::setMaxFailuresBeforeDelay(static_cast<int>(v)); }, 1, 1000 },
        { "--login-max-delay-s", [](long long v) { quindle::LoginThrottle::setMaxFailureDelay(std::chrono::seconds(v)); }, 1, 86'400 },
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quindle-server: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        auto setting = std::find_if(std::begin(settings), std::end(settings), [&](const Setting& s) { return arg == s.name; });
        if (setting != std::end(settings)) {
            auto number = wholeNumber(value(setting->name), setting->low, setting->high);
            if (!number)
                return usage((std::string(setting->name) + " takes a number from " + std::to_string(setting->low) + " to "
                    + std::to_string(setting->high))
                        .c_str());
            setting->set(*number);
        } else if (arg == "--db")
            options.databasePath = value("--db");
        else if (arg == "--host")
            options.host = value("--host");
        else if (arg == "--demo")
            options.demo = true;
        else if (arg == "--quiet")
            options.requestLog = false;
        else if (arg == "--help" || arg == "-h") {
            usage("serves the content and legacy JSON servers");
            return 0;
        } else
            return usage(("unknown option " + arg).c_str());
    }
    if (options.databasePath.empty())
        return usage("--db is required");

    // Signals are taken by sigwait below, never by a handler on a server thread.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    auto server = quindle::QuindleServer::create(options, &error);
    if (!server) {
        std::fprintf(stderr, "quindle-server: %s\n", error.c_str());
        return 1;
    }
    if (!server->start(&error)) {
        std::fprintf(stderr, "quindle-server: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server->host().c_str());
    if (options.demo) {
        std::printf("Demo login: %s / %s\n", quindle::QuindleServer::demoEmail, quindle::QuindleServer::demoPassword);
        std::printf("Second organisation: %s / %s\n", quindle::ContentDemo::secondEmail, quindle::ContentDemo::secondPassword);
    }
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    std::fprintf(stderr, "quindle-server: %s, stopping\n", received == SIGINT ? "SIGINT" : "SIGTERM");
    server->stop();
    return 0;
}
