#pragma once
// Starts a real quindle-server in-process on a free loopback port with a fresh database, or as
// a child process, and reads its replies as the client does.

#include "core/ServerConfiguration.h"
#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"
#include "server/QuindleServer.h"
#include "server/SqliteStorage.h"
#include "support/PercentEncode.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quindle::test {

/// The parsed reply body (nothing when it is not JSON).
inline std::optional<JsonValue> replyJson(const httplib::Result& result)
{
    if (!result)
        return std::nullopt;
    return JsonParser::parse(result->body);
}

/// True when the reply body is a JSON object, as every reply of the server is.
inline bool isJsonObject(const httplib::Result& result) { return replyJson(result).value_or(JsonValue()).isObject(); }

inline int status(const httplib::Result& result) { return result ? result->status : 0; }

/// What the client hands on from a 200 reply: "Message", else "list", else "Children".
inline JsonValue payload(const httplib::Result& result)
{
    auto json = replyJson(result);
    if (!json || !json->isObject() || result->status != 200)
        return {};
    for (const char* key : { "Message", "list", "Children" }) {
        if (const JsonValue* value = json->object()->find(key))
            return *value;
    }
    return {};
}

inline std::string str(const JsonValue& record, const char* key)
{
    return record.isObject() ? record.object()->get(key).asString() : std::string();
}

/// The texts of several fields of one record, to compare at once.
inline std::vector<std::string> strs(const JsonValue& record, std::initializer_list<const char*> keys)
{
    std::vector<std::string> texts;
    for (const char* key : keys)
        texts.push_back(str(record, key));
    return texts;
}
using Texts = std::vector<std::string>;

inline std::vector<JsonValue> list(const JsonValue& record, const char* key = "Children")
{
    if (!record.isObject() || !record.object()->get(key).isArray())
        return {};
    return record.object()->get(key).array()->items();
}

/// The first record whose `key` is `name`.
inline std::optional<JsonValue> named(const std::vector<JsonValue>& records, const std::string& name, const char* key = "Name")
{
    for (const JsonValue& r : records) {
        if (str(r, key) == name)
            return r;
    }
    return std::nullopt;
}

/// Runs SQL on a database file beside its server; the rows as text.
inline std::vector<std::vector<std::string>> sqlRows(const std::string& path, const std::string& statement)
{
    std::vector<std::vector<std::string>> rows;
    for (const SqlRow& row : SqliteStorage::open(path)->query(statement)) {
        rows.emplace_back();
        for (const SqlValue& value : row)
            rows.back().push_back(Storage::text(value));
    }
    return rows;
}

/// One running quindle-server child with the demo data on a free loopback port; its stdout goes
/// to `output`, its stderr to `log`.
class ServerProcess {
public:
    ServerProcess(const std::filesystem::path& database, const std::filesystem::path& output,
        const std::filesystem::path& log = "/dev/null", const std::vector<std::string>& options = {})
    {
        std::string program = std::string(QUINDLE_BUILD_DIR) + "/server/quindle-server";
        std::vector<std::string> arguments { program, "--db", database.string(), "--port", "0", "--host", "127.0.0.1", "--demo" };
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        // The output starts with the base URL and the demo login line.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(output);
            std::string first;
            if (std::getline(in, first) && std::getline(in, loginLine) && !in.eof()) {
                if (first.rfind("http://127.0.0.1:", 0) == 0)
                    m_port = std::stoi(first.substr(first.rfind(':') + 1));
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~ServerProcess() { stopWith(SIGKILL); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    /// Sends `signal` and returns the wait status (-1 when it had stopped already).
    int stopWith(int signal)
    {
        if (m_pid <= 0)
            return -1;
        ::kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

    int port() const { return m_port; }
    std::string loginLine;

private:
    pid_t m_pid { -1 };
    int m_port { 0 };
};

/// A client of a server on loopback that sends its requests as the phone client does.
class ServerClient {
public:
    explicit ServerClient(int port = 0)
    {
        if (port)
            connect(port);
    }
    void connect(int port)
    {
        client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_read_timeout(30, 0);
    }

    /// Content server path of an endpoint, e.g. content("login?email=...").
    static std::string content(const std::string& endpoint) { return std::string(ServerConfiguration::basePath) + endpoint; }
    static std::string legacy(const std::string& endpoint) { return std::string(ServerConfiguration::legacyPath) + endpoint; }

    /// Headers that carry `token` as the client does after login (none when it is empty).
    static httplib::Headers tokenHeaders(const std::string& token)
    {
        return token.empty() ? httplib::Headers {} : httplib::Headers { { "wibble", token } };
    }

    /// A GET of `path` as the holder of `token`.
    httplib::Result get(const std::string& path, const std::string& token = {}) { return client->Get(path, tokenHeaders(token)); }
    /// A POST as the client sends it: JSON text under the form content type.
    httplib::Result post(const std::string& path, const std::string& body, const std::string& token = {})
    {
        return client->Post(path, tokenHeaders(token), body, "application/x-www-form-urlencoded");
    }

    /// The login reply's "Message" (holding "AuthToken" when the login succeeded).
    JsonValue loginAs(const std::string& email, const std::string& password)
    {
        return payload(get(content("login?email=" + percentEncode(email) + "&password=" + percentEncode(password))));
    }
    /// Logs in and returns the token (empty when login failed).
    std::string login(const std::string& email = QuindleServer::demoEmail, const std::string& password = QuindleServer::demoPassword)
    {
        return str(loginAs(email, password), "AuthToken");
    }

    /// Registers a new organisation, logs in as its owner and returns the token; `reply` gets
    /// the login reply.
    std::string registerAndLogin(const std::string& email, const std::string& password, const std::string& device = {},
        JsonValue* reply = nullptr)
    {
        auto made = get(content("registerCompany?email=" + percentEncode(email) + "&password=" + percentEncode(password)
            + "&company=Other" + (device.empty() ? "" : "&device=" + device)));
        EXPECT_EQ(status(made), 200) << (made ? made->body : "");
        JsonValue login = loginAs(email, password);
        EXPECT_FALSE(str(login, "AuthToken").empty()) << email;
        if (reply)
            *reply = login;
        return str(login, "AuthToken");
    }

    std::unique_ptr<httplib::Client> client;
};

class ServerFixture : public ::testing::Test, public ServerClient {
protected:
    /// Tests that need other limits set them here.
    virtual void configure(ServerOptions&) const { }

    /// Starts the server with the demo data.
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("quindle-server-test-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(m_dir);
        ServerOptions options;
        options.databasePath = databasePath();
        options.demo = true;
        options.requestLog = false;
        configure(options);
        std::string error;
        server = QuindleServer::create(options, &error);
        ASSERT_TRUE(server) << error;
        ASSERT_TRUE(server->start(&error)) << error;
        connect(server->port());
    }

    void TearDown() override
    {
        client.reset();
        if (server)
            server->stop();
        server.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    std::string databasePath() const { return (m_dir / "quindle.sqlite").string(); }
    std::vector<std::vector<std::string>> sql(const std::string& statement) const { return sqlRows(databasePath(), statement); }

    std::unique_ptr<QuindleServer> server;

private:
    std::filesystem::path m_dir;
};

} // namespace quindle::test
