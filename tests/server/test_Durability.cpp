// Kills the real server process in the middle of a stream of writes, restarts it on the same
// database, and checks that every acknowledged write is there and none is half applied.
#include "support/PercentEncode.h"
#include "platform/JsonParser.h"
#include "platform/JsonValue.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace std::chrono_literals;
using quindle::JsonParser;
using quindle::JsonValue;

namespace {

constexpr const char* contentPath = "/~corvath/vantro/web/app_dev.php/";
constexpr auto startTimeout = 8s;
constexpr auto streamBeforeKill = 600ms; // long enough for a few dozen acknowledged writes
constexpr int killRounds = 2;

/// One running quindle-server child with its stdout in a file.
class ServerProcess {
public:
    ServerProcess(const std::filesystem::path& database, const std::filesystem::path& output,
        const std::filesystem::path& log = "/dev/null")
        : m_output(output)
    {
        std::string program = std::string(QUINDLE_BUILD_DIR) + "/server/quindle-server";
        std::vector<std::string> arguments { program, "--db", database.string(), "--port", "0", "--host",
            "127.0.0.1", "--demo" };
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
    }

    ~ServerProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    /// Waits for the base URL and login lines; false when the server did not print them in time.
    bool waitForStart()
    {
        auto deadline = std::chrono::steady_clock::now() + startTimeout;
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(m_output);
            std::string first, second;
            if (std::getline(in, first) && std::getline(in, second) && !in.eof()) {
                m_baseURL = first;
                m_loginLine = second;
                return m_baseURL.rfind("http://127.0.0.1:", 0) == 0;
            }
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    void killHard()
    {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
    }

    /// Sends `signal` and returns the wait status.
    int stopWith(int signal)
    {
        ::kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

    int port() const { return std::stoi(m_baseURL.substr(m_baseURL.rfind(':') + 1)); }
    const std::string& loginLine() const { return m_loginLine; }

private:
    std::filesystem::path m_output;
    pid_t m_pid { -1 };
    std::string m_baseURL;
    std::string m_loginLine;
};

/// The e-mail is the word with an at sign; the password is the last word after it.
std::pair<std::string, std::string> credentialsFrom(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
        if (c == ' ' || c == '\t' || c == '/' || c == ',') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    std::string email, password;
    for (size_t i = 0; i < words.size(); ++i) {
        if (email.empty() && words[i].find('@') != std::string::npos) {
            email = words[i];
            while (!email.empty() && (email.back() == ')' || email.back() == ';'))
                email.pop_back();
            size_t label = email.find_last_of(":=", email.find('@'));
            if (label != std::string::npos)
                email = email.substr(label + 1);
        } else if (!email.empty()) {
            password = words[i];
        }
    }
    if (size_t label = password.find_first_of(":="); label != std::string::npos && label + 1 < password.size())
        password = password.substr(label + 1);
    while (!password.empty() && password.back() == ')')
        password.pop_back();
    return { email, password };
}

/// The value the client hands on: "Message", else "list", else "Children".
std::optional<JsonValue> content(const httplib::Result& result)
{
    if (!result || result->status != 200)
        return std::nullopt;
    std::optional<JsonValue> parsed = JsonParser::parse(result->body);
    if (!parsed || !parsed->isObject())
        return std::nullopt;
    for (const char* key : { "Message", "list", "Children" }) {
        if (const JsonValue* value = parsed->object()->find(key))
            return *value;
    }
    return parsed;
}

/// Looks a key up as given, then in lower case, as the client's records do.
const JsonValue* field(const JsonValue& record, const std::string& key)
{
    if (!record.isObject())
        return nullptr;
    if (const JsonValue* value = record.object()->find(key))
        return value;
    std::string lower;
    for (char c : key)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return record.object()->find(lower);
}

std::string text(const JsonValue& record, const std::string& key)
{
    const JsonValue* value = field(record, key);
    if (!value)
        return {};
    if (value->isString())
        return *value->string();
    if (value->isInteger())
        return std::to_string(value->asInt());
    return {};
}

class Session {
public:
    explicit Session(int port)
        : m_client("127.0.0.1", port)
    {
        m_client.set_connection_timeout(2s);
        m_client.set_read_timeout(3s);
        m_client.set_write_timeout(3s);
        m_client.set_keep_alive(true);
    }

    bool login(const std::pair<std::string, std::string>& credentials)
    {
        httplib::Result result = m_client.Get(std::string(contentPath) + "login?email=" + quindle::test::percentEncode(credentials.first)
            + "&password=" + quindle::test::percentEncode(credentials.second));
        std::optional<JsonValue> reply = content(result);
        if (!reply)
            return false;
        m_token = text(*reply, "AuthToken");
        m_loginReply = *reply;
        return !m_token.empty();
    }

    httplib::Result get(const std::string& endpoint)
    {
        return m_client.Get(std::string(contentPath) + endpoint, { { "wibble", m_token } });
    }

    httplib::Result post(const std::string& endpoint, const std::string& body)
    {
        return m_client.Post(std::string(contentPath) + endpoint, { { "wibble", m_token } }, body, "application/json");
    }

    const JsonValue& loginReply() const { return m_loginReply; }

private:
    httplib::Client m_client;
    std::string m_token;
    JsonValue m_loginReply;
};

std::vector<JsonValue> children(const std::optional<JsonValue>& page)
{
    std::vector<JsonValue> out;
    if (!page)
        return out;
    const JsonValue* list = page->isArray() ? &*page : field(*page, "Children");
    if (list && list->isArray())
        out = list->array()->items();
    return out;
}

/// A directory the demo user owns: the first directory tab of the login reply, else the tab bar.
std::string ownedDirectory(const JsonValue& loginReply)
{
    const JsonValue* user = field(loginReply, "User");
    const JsonValue* tabs = user ? field(*user, "Tabs") : nullptr;
    if (!tabs)
        return {};
    for (const JsonValue& tab : children(*tabs)) {
        if (text(tab, "Type") == "Directory" && !text(tab, "AssetId").empty())
            return text(tab, "AssetId");
    }
    return text(*tabs, "AssetId");
}

std::string childNamed(Session& session, const std::string& parent, const std::string& name)
{
    for (const JsonValue& child : children(content(session.get("contentForNode?assetid=" + parent)))) {
        if (text(child, "Name") == name || text(child, "Title") == name)
            return text(child, "AssetId");
    }
    return {};
}

/// The writes one round sent and the ones the server acknowledged with 200.
struct Ledger {
    std::mutex mutex;
    std::set<std::string> sent;
    std::set<std::string> acknowledged;
    // The pinned item's text and options travel in one write; both name the same step.
    std::set<int> pinnedSent;
    int lastPinnedAcknowledged { -1 };
};

class DurabilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quindle-durability-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path database() const { return m_folder / "quindle.db"; }
    std::filesystem::path output(int round) const { return m_folder / ("stdout-" + std::to_string(round)); }

    std::filesystem::path m_folder;
};

TEST_F(DurabilityTest, AcknowledgedWritesSurviveSigkillAndNoneIsTorn)
{
    std::string page;
    std::string pinned;
    std::pair<std::string, std::string> credentials;
    {
        ServerProcess server(database(), output(0));
        ASSERT_TRUE(server.waitForStart()) << "quindle-server did not print its base URL";
        credentials = credentialsFrom(server.loginLine());
        Session session(server.port());
        ASSERT_TRUE(session.login(credentials)) << "login line: " << server.loginLine();
        std::string parent = ownedDirectory(session.loginReply());
        ASSERT_FALSE(parent.empty());
        std::string name = "durability-" + std::to_string(getpid());
        ASSERT_TRUE(content(session.get("makePage?assetid=" + parent + "&name=" + quindle::test::percentEncode(name))));
        page = childNamed(session, parent, name);
        ASSERT_FALSE(page.empty());
        ASSERT_TRUE(content(session.get("addText?assetid=" + page + "&text=pinned")));
        for (const JsonValue& child : children(content(session.get("contentForNode?assetid=" + page)))) {
            if (text(child, "Data") == "pinned" || text(child, "Value") == "pinned")
                pinned = text(child, "AssetId");
        }
        ASSERT_FALSE(pinned.empty());
        server.killHard();
    }

    Ledger ledger;
    int step = 0;
    for (int round = 1; round <= killRounds; ++round) {
        ServerProcess server(database(), output(round));
        ASSERT_TRUE(server.waitForStart());
        std::atomic<bool> stop { false };
        std::atomic<int> acknowledgedThisRound { 0 };
        std::thread writer([&] {
            Session session(server.port());
            if (!session.login(credentials))
                return;
            while (!stop.load()) {
                int n = step++;
                std::string entry = "w-" + std::to_string(n) + "-" + std::string(64, 'x');
                {
                    std::lock_guard lock(ledger.mutex);
                    ledger.sent.insert(entry);
                    ledger.pinnedSent.insert(n);
                }
                httplib::Result added = session.get("addText?assetid=" + page + "&text=" + quindle::test::percentEncode(entry));
                if (added && added->status == 200) {
                    std::lock_guard lock(ledger.mutex);
                    ledger.acknowledged.insert(entry);
                    acknowledgedThisRound++;
                } else if (!added) {
                    break;
                }
                std::string body = "{\"assetid\":\"" + pinned + "\",\"text\":\"p-" + std::to_string(n)
                    + "\",\"options\":\"p-" + std::to_string(n) + "\"}";
                httplib::Result changed = session.post("sendText", body);
                if (changed && changed->status == 200) {
                    std::lock_guard lock(ledger.mutex);
                    ledger.lastPinnedAcknowledged = n;
                } else if (!changed) {
                    break;
                }
            }
        });
        auto deadline = std::chrono::steady_clock::now() + 5s;
        std::this_thread::sleep_for(streamBeforeKill);
        while (acknowledgedThisRound.load() < 10 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        server.killHard(); // the writer is mid-stream: its next request fails and it stops
        stop = true;
        writer.join();
        EXPECT_GE(acknowledgedThisRound.load(), 10) << "round " << round;
    }

    ServerProcess server(database(), output(killRounds + 1));
    ASSERT_TRUE(server.waitForStart());
    Session session(server.port());
    ASSERT_TRUE(session.login(credentials));
    std::vector<JsonValue> items = children(content(session.get("contentForNode?assetid=" + page)));
    std::map<std::string, int> found;
    std::optional<JsonValue> pinnedItem;
    for (const JsonValue& item : items) {
        std::string value = text(item, "Data").empty() ? text(item, "Value") : text(item, "Data");
        if (text(item, "AssetId") == pinned)
            pinnedItem = item;
        else if (value.rfind("w-", 0) == 0)
            found[value]++;
    }
    for (const std::string& entry : ledger.acknowledged)
        EXPECT_EQ(found.count(entry), 1u) << "acknowledged write lost: " << entry.substr(0, 12);
    for (const auto& [entry, count] : found) {
        EXPECT_EQ(count, 1) << "stored twice: " << entry.substr(0, 12);
        EXPECT_EQ(ledger.sent.count(entry), 1u) << "stored text never sent whole: " << entry;
    }
    EXPECT_GE(ledger.acknowledged.size(), 10u * killRounds);

    ASSERT_TRUE(pinnedItem.has_value()) << "the pinned item is gone";
    std::string pinnedText = text(*pinnedItem, "Data").empty() ? text(*pinnedItem, "Value") : text(*pinnedItem, "Data");
    std::string pinnedOptions = text(*pinnedItem, "Options");
    ASSERT_EQ(pinnedText.rfind("p-", 0), 0u) << pinnedText;
    EXPECT_EQ(pinnedText, pinnedOptions) << "text and options of one write disagree";
    int pinnedStep = std::atoi(pinnedText.c_str() + 2);
    EXPECT_GE(pinnedStep, ledger.lastPinnedAcknowledged);
    EXPECT_EQ(ledger.pinnedSent.count(pinnedStep), 1u);
    server.killHard();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    std::string verdict = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    EXPECT_EQ(verdict, "ok");
}

TEST(DurabilityCredentials, LoginLineGivesEmailAndPassword)
{
    auto [email, password] = credentialsFrom("demo login: demo@quindle.example / demo-password");
    EXPECT_EQ(email, "demo@quindle.example");
    EXPECT_EQ(password, "demo-password");
    auto second = credentialsFrom("Demo login email=carer@example.org password=s3cret");
    EXPECT_EQ(second.second, "s3cret");
}

} // namespace

// SIGTERM and SIGINT end the server with status 0 and leave the database whole; the request
// log names each request without the password's value.
TEST_F(DurabilityTest, SignalsStopCleanlyAndTheLogHidesThePassword)
{
    for (int signal : { SIGTERM, SIGINT }) {
        const auto log = m_folder / ("log-" + std::to_string(signal));
        ServerProcess server(database(), output(signal), log);
        ASSERT_TRUE(server.waitForStart());
        httplib::Client client("127.0.0.1", server.port());
        auto refused = client.Get("/~corvath/vantro/web/app_dev.php/login?email=demo%40quindle.example&password=wrong-secret");
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 200);
        EXPECT_NE(refused->body.find("\"Alert\""), std::string::npos) << refused->body;
        int status = server.stopWith(signal);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("GET /~corvath/vantro/web/app_dev.php/login?email=demo@quindle.example&password=*** 200"), std::string::npos) << text;
        EXPECT_EQ(text.find("wrong-secret"), std::string::npos);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok");
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
