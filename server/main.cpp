// quindle-server: the content server and the legacy JSON server on one port.
#include "server/QuindleServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage(const char* message)
{
    std::fprintf(stderr, "quindle-server: %s\nusage: quindle-server --db PATH [--port N] [--host ADDRESS] [--demo] [--quiet]\n", message);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    quindle::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quindle-server: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--db")
            options.databasePath = value("--db");
        else if (arg == "--port") {
            char* end = nullptr;
            const char* text = value("--port");
            long port = std::strtol(text, &end, 10);
            if (!*text || *end || port < 0 || port > 65535)
                return usage("--port takes a number from 0 to 65535");
            options.port = static_cast<int>(port);
        } else if (arg == "--host")
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
    if (options.demo)
        std::printf("Demo login: %s / %s\n", quindle::QuindleServer::demoEmail, quindle::QuindleServer::demoPassword);
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    std::fprintf(stderr, "quindle-server: %s, stopping\n", received == SIGINT ? "SIGINT" : "SIGTERM");
    server->stop();
    return 0;
}
