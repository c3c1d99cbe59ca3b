#pragma once

#include "frontends/term/TermRenderer.h"
#include "platform/JsonValue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

class HttpClient;

/// The push callbacks of the application shell that `push ...` commands drive.
struct TermPushHandlers {
    std::function<void(std::vector<uint8_t>)> deviceToken;
    std::function<void(unsigned)> grantedTypes;
    std::function<void(JsonObjectPtr)> notification;
};

/// Reads the text client's commands, one a line, and acts on the window's objects the way a
/// user would. Runs on the main thread and drains the main queue after every action.
class CommandInterpreter {
public:
    /// How long `wait` runs the main queue at most.
    static constexpr std::chrono::milliseconds defaultWaitTimeout { 10000 };

    struct Result {
        bool ok { true };
        bool quit { false };
        /// The failure, or what the command printed (`show`).
        std::string message;
    };

    CommandInterpreter(std::shared_ptr<Window> window, std::shared_ptr<HttpClient> client = nullptr);

    void setWaitTimeout(std::chrono::milliseconds timeout) { m_waitTimeout = timeout; }
    std::chrono::milliseconds waitTimeout() const { return m_waitTimeout; }
    void setPushHandlers(TermPushHandlers handlers) { m_push = std::move(handlers); }

    /// Runs one line; blank lines and `#` comments do nothing.
    Result execute(const std::string& line);

    /// A command a front end adds (the Qt client's `shot`): it gets the text after its name.
    using Command = std::function<Result(const std::string& rest)>;
    void addCommand(std::string name, Command command) { m_commands[std::move(name)] = std::move(command); }
    /// A line shown under the screen while it is not empty.
    void addStatusLine(std::function<std::string()> line) { m_renderer.addStatusLine(std::move(line)); }
    /// Runs after every command (the Qt client paints what it changed before the next line).
    void setAfterCommand(std::function<void()> after) { m_afterCommand = std::move(after); }

    /// Runs every line; stops at the first failing one with a message naming the line on
    /// `errors`. Returns the exit status: 0 at the end or on `quit`, 1 after a failure.
    int runScript(std::istream& input, const std::string& name, std::ostream& output, std::ostream& errors);
    /// Prints the screen, then a prompt before each line and the screen again after each
    /// command that changed it; a failing command only prints its message.
    enum class Prompt { No, Yes };
    int runInteractive(std::istream& input, std::ostream& output, std::ostream& errors, Prompt prompt = Prompt::Yes);

    /// The screen as it is now.
    TermScreen render() { return m_renderer.render(); }

    /// Runs the main queue until nothing is queued and no request is in flight, or the timeout.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

private:
    Result act(const std::vector<std::string>& words, const std::string& rest);
    Result pressTitle(const std::string& title);
    Result push(const std::vector<std::string>& words, const std::string& rest);
    void settle();

    std::shared_ptr<Window> m_window;
    TermRenderer m_renderer;
    std::shared_ptr<HttpClient> m_client;
    TermPushHandlers m_push;
    std::chrono::milliseconds m_waitTimeout { defaultWaitTimeout };
    std::map<std::string, Command> m_commands;
    std::function<void()> m_afterCommand;
};

} // namespace quindle
