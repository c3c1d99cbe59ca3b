// Kills the real server process in the middle of a stream of writes, restarts it on the same
// database, and checks that every acknowledged write is there and none is half applied.
#include "server/ServerFixture.h"

#include <atomic>
#include <map>
#include <mutex>
#include <set>

using namespace std::chrono_literals;
using namespace quindle;
using namespace quindle::test;

namespace {

constexpr auto streamBeforeKill = 600ms; // long enough for a few dozen acknowledged writes
constexpr int killRounds = 2;

/// A logged-in client of the demo account that calls content endpoints.
class Session : ServerClient {
public:
    explicit Session(int port)
        : ServerClient(port)
    {
        client->set_connection_timeout(2s);
        client->set_read_timeout(3s);
        client->set_write_timeout(3s);
        client->set_keep_alive(true);
        loginReply = loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword);
        token = str(loginReply, "AuthToken");
    }
    bool loggedIn() const { return !token.empty(); }
    httplib::Result get(const std::string& endpoint) { return ServerClient::get(content(endpoint), token); }
    httplib::Result post(const std::string& endpoint, const std::string& body) { return ServerClient::post(content(endpoint), body, token); }
    std::vector<JsonValue> items(const std::string& page) { return list(payload(get("contentForNode?assetid=" + page))); }

    JsonValue loginReply;
    std::string token;
};

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
    std::string integrity() const { return sqlRows(database().string(), "PRAGMA integrity_check").at(0).at(0); }

    std::filesystem::path m_folder;
};

TEST_F(DurabilityTest, AcknowledgedWritesSurviveSigkillAndNoneIsTorn)
{
    std::string page, pinned;
    {
        ServerProcess server(database(), output(0));
        ASSERT_NE(server.port(), 0) << "quindle-server did not print its base URL";
        // The printed login is the one the sessions below use.
        EXPECT_NE(server.loginLine.find(std::string(QuindleServer::demoEmail) + " / " + QuindleServer::demoPassword), std::string::npos)
            << server.loginLine;
        Session session(server.port());
        ASSERT_TRUE(session.loggedIn());
        auto parent = named(list(session.loginReply.object()->get("User").object()->get("Tabs")), "Directory", "Type");
        ASSERT_TRUE(parent);
        std::string name = "durability-" + std::to_string(getpid());
        ASSERT_EQ(status(session.get("makePage?assetid=" + str(*parent, "AssetId") + "&name=" + name)), 200);
        page = str(named(session.items(str(*parent, "AssetId")), name).value_or(JsonValue()), "AssetId");
        ASSERT_FALSE(page.empty());
        ASSERT_EQ(status(session.get("addText?assetid=" + page + "&text=pinned")), 200);
        pinned = str(named(session.items(page), "pinned", "Data").value_or(JsonValue()), "AssetId");
        ASSERT_FALSE(pinned.empty());
    }

    Ledger ledger;
    int step = 0;
    for (int round = 1; round <= killRounds; ++round) {
        ServerProcess server(database(), output(round));
        ASSERT_NE(server.port(), 0);
        std::atomic<bool> stop { false };
        std::atomic<int> acknowledgedThisRound { 0 };
        std::thread writer([&] {
            Session session(server.port());
            while (session.loggedIn() && !stop.load()) {
                int n = step++;
                std::string entry = "w-" + std::to_string(n) + "-" + std::string(64, 'x');
                {
                    std::lock_guard lock(ledger.mutex);
                    ledger.sent.insert(entry);
                    ledger.pinnedSent.insert(n);
                }
                httplib::Result added = session.get("addText?assetid=" + page + "&text=" + percentEncode(entry));
                if (!added)
                    break;
                if (added->status == 200) {
                    std::lock_guard lock(ledger.mutex);
                    ledger.acknowledged.insert(entry);
                    acknowledgedThisRound++;
                }
                const std::string mark = "p-" + std::to_string(n);
                httplib::Result changed = session.post("sendText", "{\"assetid\":\"" + pinned + "\",\"text\":\"" + mark + "\",\"options\":\"" + mark + "\"}");
                if (!changed)
                    break;
                if (changed->status == 200) {
                    std::lock_guard lock(ledger.mutex);
                    ledger.lastPinnedAcknowledged = n;
                }
            }
        });
        auto deadline = std::chrono::steady_clock::now() + 5s;
        std::this_thread::sleep_for(streamBeforeKill);
        while (acknowledgedThisRound.load() < 10 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        server.stopWith(SIGKILL); // the writer is mid-stream: its next request fails and it stops
        stop = true;
        writer.join();
        EXPECT_GE(acknowledgedThisRound.load(), 10) << "round " << round;
    }

    ServerProcess server(database(), output(killRounds + 1));
    ASSERT_NE(server.port(), 0);
    Session session(server.port());
    ASSERT_TRUE(session.loggedIn());
    std::map<std::string, int> found;
    std::optional<JsonValue> pinnedItem;
    for (const JsonValue& item : session.items(page)) {
        if (str(item, "AssetId") == pinned)
            pinnedItem = item;
        else if (str(item, "Data").rfind("w-", 0) == 0)
            found[str(item, "Data")]++;
    }
    for (const std::string& entry : ledger.acknowledged)
        EXPECT_EQ(found.count(entry), 1u) << "acknowledged write lost: " << entry.substr(0, 12);
    for (const auto& [entry, count] : found) {
        EXPECT_EQ(count, 1) << "stored twice: " << entry.substr(0, 12);
        EXPECT_EQ(ledger.sent.count(entry), 1u) << "stored text never sent whole: " << entry;
    }
    EXPECT_GE(ledger.acknowledged.size(), 10u * killRounds);

    ASSERT_TRUE(pinnedItem.has_value()) << "the pinned item is gone";
    std::string pinnedText = str(*pinnedItem, "Data");
    ASSERT_EQ(pinnedText.rfind("p-", 0), 0u) << pinnedText;
    EXPECT_EQ(pinnedText, str(*pinnedItem, "Options")) << "text and options of one write disagree";
    int pinnedStep = std::atoi(pinnedText.c_str() + 2);
    EXPECT_GE(pinnedStep, ledger.lastPinnedAcknowledged);
    EXPECT_EQ(ledger.pinnedSent.count(pinnedStep), 1u);
    server.stopWith(SIGKILL);
    EXPECT_EQ(integrity(), "ok");
}

// SIGTERM and SIGINT end the server with status 0 and leave the database whole; the request
// log names each request without the password's value.
TEST_F(DurabilityTest, SignalsStopCleanlyAndTheLogHidesThePassword)
{
    for (int signal : { SIGTERM, SIGINT }) {
        const auto log = m_folder / ("log-" + std::to_string(signal));
        ServerProcess server(database(), output(signal), log);
        ASSERT_NE(server.port(), 0);
        auto refused = ServerClient(server.port()).get(ServerClient::content("login?email=demo%40quindle.example&password=wrong-secret"));
        ASSERT_EQ(status(refused), 200);
        EXPECT_NE(refused->body.find("\"Alert\""), std::string::npos) << refused->body;
        const int exit = server.stopWith(signal);
        ASSERT_TRUE(WIFEXITED(exit)) << "signal " << signal;
        EXPECT_EQ(WEXITSTATUS(exit), 0);
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("GET /~corvath/vantro/web/app_dev.php/login?email=demo@quindle.example&password=*** 200"), std::string::npos) << text;
        EXPECT_EQ(text.find("wrong-secret"), std::string::npos);
    }
    EXPECT_EQ(integrity(), "ok");
}

} // namespace
