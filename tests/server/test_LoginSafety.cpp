// What a hostile caller can learn or break through logins, registration, picture addresses and
// the connection layer: the slow-down under a flood, the per-origin limit, equal cost of unknown
// and wrong logins, registration of a taken address, private pictures, trickled headers and
// bodies closed at their deadline while ordinary requests keep answering, one origin kept from
// taking every connection, and oversized headers refused.
#include "platform/Base64.h"
#include "server/Accounts.h"
#include "server/HttpServer.h"
#include "server/LegacyStore.h"
#include "server/ServerContext.h"
#include "server/ServerFixture.h"
#include "support/RawConnection.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <regex>
#include <set>
#include <thread>

using namespace quindle;
using namespace quindle::test;
using namespace std::chrono_literals;

namespace {

/// Sets the process-wide limits a test needs and puts the defaults back afterwards.
struct Limits {
    ~Limits()
    {
        LoginThrottle::setMaxFailuresBeforeDelay(LoginThrottle::defaultMaxFailuresBeforeDelay);
        LoginThrottle::setMaxAttemptsPerOrigin(LoginThrottle::defaultMaxAttemptsPerOrigin);
        LoginThrottle::setMaxTrackedOrigins(LoginThrottle::defaultMaxTrackedOrigins);
        Accounts::setHashCost(Accounts::defaultHashOpsLimit(), Accounts::defaultHashMemLimit());
    }
};

class ThrottleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storage = SqliteStorage::open(":memory:");
        ASSERT_TRUE(storage);
        // The cheapest Argon2id, for thousands of attempts.
        Accounts::setHashCost(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN);
        accounts = std::make_unique<Accounts>(*storage);
        accounts->migrate();
        accounts->setClock([this] { return now; });
        ASSERT_TRUE(accounts->create("locked@example.org", "right"));
    }
    Accounts::LoginResult login(const std::string& email, const std::string& password, const std::string& origin = {})
    {
        return accounts->login(email, password, nullptr, origin);
    }

    Limits limits;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<Accounts> accounts;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
};

using Result = Accounts::LoginResult;

} // namespace

TEST_F(ThrottleTest, FailedLoginsSlowTheAccountDownUntilTheWaitIsOver)
{
    EXPECT_FALSE(accounts->create("Locked@Example.org", "other")); // addresses ignore case
    EXPECT_EQ(storage->query("SELECT password_hash FROM users")[0][0].index(), 3u);
    EXPECT_EQ(Storage::text(storage->query("SELECT password_hash FROM users")[0][0]).rfind("$argon2id$", 0), 0u);

    std::string token;
    for (int i = 0; i < LoginThrottle::defaultMaxFailuresBeforeDelay; ++i)
        EXPECT_EQ(accounts->login("locked@example.org", "wrong", &token), Result::WrongCredentials);
    EXPECT_EQ(accounts->login("locked@example.org", "right", &token), Result::TooManyAttempts);
    now += LoginThrottle::defaultFailureDelay;
    EXPECT_EQ(accounts->login("locked@example.org", "wrong", &token), Result::WrongCredentials);
    now += LoginThrottle::defaultFailureDelay; // the second wait is twice as long
    EXPECT_EQ(accounts->login("locked@example.org", "right", &token), Result::TooManyAttempts);
    now += LoginThrottle::defaultFailureDelay;
    EXPECT_EQ(accounts->login("locked@example.org", "right ", &token), Result::WrongCredentials); // as received
    now += LoginThrottle::defaultMaxFailureDelay;
    ASSERT_EQ(accounts->login("locked@example.org", "right", &token), Result::Ok);
    EXPECT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_TRUE(accounts->userForToken(token));
    EXPECT_TRUE(accounts->logout(token));
    EXPECT_FALSE(accounts->userForToken(token));
    EXPECT_FALSE(accounts->logout(token));
}

TEST_F(ThrottleTest, FloodOfMadeUpAddressesNeverFreesALockedAccount)
{
    const auto start = now;
    const size_t capacity = LoginThrottle::maxTrackedAccounts();
    for (int i = 0; i < LoginThrottle::maxFailuresBeforeDelay(); ++i)
        EXPECT_EQ(login("locked@example.org", "wrong"), Result::WrongCredentials);
    EXPECT_EQ(login("locked@example.org", "right"), Result::TooManyAttempts);

    int refused = 0;
    for (int i = 0; i < 10050; ++i)
        refused += login("made-up-" + std::to_string(i) + "@example.org", "guess") == Result::TooManyAttempts;
    EXPECT_EQ(accounts->throttle().trackedAccounts(), capacity);
    EXPECT_EQ(refused, static_cast<int>(10050 - (capacity - 1))) << "once full, new addresses wait";
    EXPECT_EQ(login("fresh@example.org", "guess"), Result::TooManyAttempts);

    now = start + LoginThrottle::failureDelay() - 1ms;
    EXPECT_EQ(login("locked@example.org", "right"), Result::TooManyAttempts);
    now = start + LoginThrottle::failureDelay();
    EXPECT_EQ(login("locked@example.org", "right"), Result::Ok);

    // The success freed one place; the next new address takes it and the one after waits again.
    EXPECT_EQ(login("fresh@example.org", "guess"), Result::WrongCredentials);
    EXPECT_EQ(login("fresher@example.org", "guess"), Result::TooManyAttempts);
    now = start + LoginThrottle::failureMemory() + 1s;
    EXPECT_EQ(login("fresher@example.org", "guess"), Result::WrongCredentials) << "an expired entry made room";
    EXPECT_EQ(accounts->throttle().trackedAccounts(), capacity);
}

TEST_F(ThrottleTest, EachOriginGetsLimitedAttemptsPerWindowInABoundedTable)
{
    LoginThrottle::setMaxAttemptsPerOrigin(3);
    LoginThrottle::setMaxTrackedOrigins(2);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(login("someone@example.org", "guess", "10.0.0.1"), Result::WrongCredentials);
    // Over its limit even with the right password; another origin goes on; a third finds the table
    // full with nothing expired; callers without an origin are not counted.
    const std::pair<const char*, Result> cases[] = { { "10.0.0.1", Result::TooManyAttempts }, { "10.0.0.2", Result::Ok },
        { "10.0.0.3", Result::TooManyAttempts }, { "", Result::Ok } };
    for (const auto& [origin, expected] : cases)
        EXPECT_EQ(login("locked@example.org", "right", origin), expected) << origin;
    now += LoginThrottle::originWindow();
    for (const char* origin : { "10.0.0.1", "10.0.0.3" })
        EXPECT_EQ(login("locked@example.org", "right", origin), Result::Ok) << origin;
    EXPECT_LE(accounts->throttle().trackedOrigins(), 2u);
}

TEST_F(ThrottleTest, PicturesStoredBeforeTokensKeepAnAddress)
{
    storage->migrate("images", { "CREATE TABLE images (id INTEGER PRIMARY KEY, owner_id INTEGER NOT NULL DEFAULT 0,"
                                 " bytes BLOB NOT NULL, created TEXT NOT NULL DEFAULT '');" });
    storage->execute("INSERT INTO images (owner_id, bytes) VALUES (0, ?), (0, ?)", { std::string("\xFF\xD8\xFF" "a"), std::string("GIF89a") });
    ServerContext context(*storage, *accounts);
    std::set<std::string> tokens;
    for (int64_t id : { 1, 2 }) {
        std::string url = context.imageUrl(id);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(url, match, std::regex("/images/([0-9a-f]{32})\\.jpg"))) << url;
        auto image = context.imageByToken(match[1]);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->id, id);
        tokens.insert(match[1]);
    }
    EXPECT_EQ(tokens.size(), 2u);

    // A care-form picture saved under the numbered address follows its picture.
    LegacyStore legacy(*storage);
    legacy.migrate();
    const int64_t form = legacy.addForm("Photos", std::nullopt);
    auto field = JsonObject::create({ { "name", "Photo" }, { "type", "Image" }, { "assVal", "http://127.0.0.1:1/images/2.jpg" } });
    const int64_t entry = legacy.addEntryFull(form, field);
    legacy.readdressNumberedPictures();
    auto entries = legacy.entryList(form).object()->get("list").array();
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(strs(entries->at(0), { "assetID", "assVal" }), (Texts { std::to_string(entry), "http://127.0.0.1:1" + context.imageUrl(2) }));
}

// Over HTTP against the demo server -------------------------------------------------------------

namespace {

class LoginSafetyTest : public ServerFixture {
protected:
    Limits limits;
};

double medianMilliseconds(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

TEST_F(LoginSafetyTest, UnknownAddressCostsAsMuchAsAWrongPasswordAndAnswersAlike)
{
    LoginThrottle::setMaxFailuresBeforeDelay(1000);
    std::set<std::string> bodies;
    int unknown = 0;
    double wrong = medianMilliseconds([&] { bodies.insert(get(content("login?email=demo%40quindle.example&password=nope"))->body); });
    double missing = medianMilliseconds(
        [&] { bodies.insert(get(content("login?email=nobody" + std::to_string(unknown++) + "%40example.org&password=nope"))->body); });
    std::printf("login medians: wrong password %.1f ms, unknown address %.1f ms\n", wrong, missing);
    EXPECT_EQ(bodies.size(), 1u);
    EXPECT_LT(missing, wrong * 2);
    EXPECT_LT(wrong, missing * 2);
}

TEST_F(LoginSafetyTest, OneOriginIsRefusedOverItsLimit)
{
    LoginThrottle::setMaxAttemptsPerOrigin(2);
    EXPECT_FALSE(login().empty());
    EXPECT_FALSE(login().empty());
    JsonValue refused = loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword);
    EXPECT_FALSE(refused.object()->contains("AuthToken"));
    EXPECT_NE(str(refused, "Alert").find("Too many"), std::string::npos);
}

TEST_F(LoginSafetyTest, TakenAddressRegistersAlikeAndChangesNothing)
{
    // The reply's keys and its "AssetId".
    auto registerCompany = [&](const std::string& email, const std::string& password, std::set<std::string>& keys) {
        auto result = get(content("registerCompany?email=" + percentEncode(email) + "&password=" + password + "&company=Shop"));
        EXPECT_EQ(status(result), 200) << email;
        JsonValue reply = payload(result);
        for (size_t i = 0; reply.isObject() && i < reply.object()->entries().size(); ++i)
            keys.insert(reply.object()->entries()[i].first);
        return str(reply, "AssetId");
    };
    std::set<std::string> freshKeys, takenKeys;
    std::string freshId = registerCompany("new@example.org", "pw-new", freshKeys);
    std::string takenId = registerCompany(QuindleServer::demoEmail, "pw-taken", takenKeys);
    EXPECT_EQ(takenKeys, freshKeys);
    EXPECT_GT(std::stoll(takenId), std::stoll(freshId)) << "an id a registration made now would get";
    EXPECT_FALSE(login(QuindleServer::demoEmail, QuindleServer::demoPassword).empty());
    EXPECT_TRUE(login(QuindleServer::demoEmail, "pw-taken").empty());
    // A refusal that does not depend on the address: an empty password.
    for (const char* email : { "other@example.org", QuindleServer::demoEmail })
        EXPECT_EQ(status(get(content("registerCompany?email=" + percentEncode(email) + "&password=&company=Shop"))), 400) << email;
}

// A registered site and its pictures stay private to their owner until an administrator
// publishes the site.
TEST_F(LoginSafetyTest, UnpublishedSitesAndTheirPicturesGoOnlyToTheirOwner)
{
    JsonValue registered;
    const std::string owner = registerAndLogin("owner@example.org", "pw-owner", "dev-1", &registered), visitor = login();
    ASSERT_FALSE(owner.empty());
    const JsonValue tabs = registered.object()->get("User").object()->get("Tabs");
    EXPECT_EQ(str(tabs, "Name"), "Other");
    const std::string site = str(tabs, "AssetId"), home = str(list(tabs).at(0), "AssetId");
    EXPECT_EQ(status(get(content("contentForNode?assetid=" + home), owner)), 200);
    EXPECT_EQ(status(get(content("contentForNode?assetid=" + home))), 404);
    EXPECT_EQ(status(get(content("setPublished?assetid=" + site), owner)), 403);
    for (char mark : { 'a', 'b' }) {
        std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(64, mark);
        auto sent = post(content("sendImage"), "{\"assetid\":\"" + site + "\",\"image\":\"" + Base64::encode(jpeg) + "\"}", owner);
        ASSERT_EQ(status(sent), 200) << sent->body;
    }
    std::vector<std::string> paths;
    for (const JsonValue& image : list(payload(get(content("imageList"), owner)), "ImageList"))
        paths.push_back(str(image, "ImageUrl").substr(server->host().size()));
    ASSERT_EQ(paths.size(), 2u);
    // Two pictures in a row: nothing in one address leads to the other (the token's shape is
    // checked where old pictures are readdressed).
    size_t common = 0;
    while (common < paths[0].size() && paths[0][common] == paths[1][common])
        ++common;
    EXPECT_LT(common, std::string("/images/").size() + 8) << paths[0] << " " << paths[1];

    auto missing = get("/images/" + std::string(32, '0') + ".jpg");
    EXPECT_EQ(status(missing), 404);
    struct Case {
        const char* who;
        std::string token;
        int unpublished;
    };
    const Case cases[] = { { "visitor", "", 404 }, { "another account", visitor, 404 }, { "owner", owner, 200 } };
    for (const Case& c : cases) {
        auto reply = get(paths[0], c.token);
        EXPECT_EQ(status(reply), c.unpublished) << c.who;
        if (status(reply) == 404) {
            EXPECT_EQ(reply->body, missing->body) << c.who << ": the same 404 as a missing picture";
        }
    }
    EXPECT_EQ(status(get("/images/1.jpg", owner)), 404) << "counting addresses are gone";

    sql("UPDATE users SET is_root = 1 WHERE email = 'demo@quindle.example'");
    EXPECT_EQ(str(loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword), "isRoot"), "Yes");
    EXPECT_EQ(status(get(paths[0], visitor)), 200) << "root users see it";
    EXPECT_EQ(status(get(content("setPublished?assetid=" + home), visitor)), 400) << "only a site is published";
    EXPECT_EQ(str(payload(get(content("setPublished?assetid=" + site), visitor)), "Published"), "Yes");
    EXPECT_EQ(status(get(content("contentForNode?assetid=" + home))), 200);
    for (const Case& c : cases)
        EXPECT_EQ(status(get(paths[1], c.token)), 200) << c.who;
}

// The connection layer ------------------------------------------------------------------------

namespace {

constexpr auto deadline = 1500ms;

class HttpLimitsTest : public ServerFixture {
protected:
    void configure(ServerOptions& options) const override
    {
        options.http.headerDeadline = deadline;
        options.http.bodyDeadline = deadline;
        options.http.slowestBodyBytesPerSecond = 1 << 30; // the deadline is the base alone
        options.http.maxConnectionsPerOrigin = 60;
    }

    /// The source address of the N-th hostile connection: 50 to an address, under the cap.
    static std::string source(size_t n) { return "127.0.0." + std::to_string(2 + n / 50); }
};

} // namespace

TEST_F(HttpLimitsTest, TricklingClientsAreClosedAtTheirDeadlineWhileOthersAreServed)
{
    constexpr size_t slow = 200;
    std::vector<std::unique_ptr<RawConnection>> trickling;
    const auto opened = std::chrono::steady_clock::now();
    for (size_t i = 0; i < slow; ++i) {
        trickling.push_back(std::make_unique<RawConnection>(server->port(), source(i).c_str()));
        ASSERT_TRUE(trickling.back()->connected()) << i;
        // Half trickle their headers, half a body they promised in full.
        ASSERT_TRUE(trickling.back()->send(i % 2 ? std::string("GET /json/devices.php HTTP/1.1\r\nX-Slow: ")
                                                 : std::string("POST /json/devices.php HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n")));
    }
    std::atomic<bool> done { false };
    std::vector<std::chrono::steady_clock::duration> closedAfter(slow, std::chrono::steady_clock::duration {});
    std::thread trickler([&] {
        size_t open = slow;
        while (open > 0 && std::chrono::steady_clock::now() - opened < deadline * 4) {
            for (size_t i = 0; i < slow; ++i) {
                if (closedAfter[i] == std::chrono::steady_clock::duration {} && trickling[i]->closedWithin(0ms)) {
                    closedAfter[i] = std::chrono::steady_clock::now() - opened;
                    --open;
                } else if (closedAfter[i] == std::chrono::steady_clock::duration {}) {
                    trickling[i]->send("a");
                }
            }
            std::this_thread::sleep_for(100ms);
        }
        done = true;
    });

    std::vector<double> millis;
    while (!done || millis.size() < 100) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(status(client->Get(content("contentForNode"))), 200);
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(5ms);
    }
    trickler.join();
    std::sort(millis.begin(), millis.end());
    EXPECT_LT(millis[millis.size() * 99 / 100], 100.0) << "p99 of " << millis.size() << " requests";
    for (size_t i = 0; i < slow; ++i) {
        EXPECT_NE(closedAfter[i], std::chrono::steady_clock::duration {}) << "connection " << i << " is still open";
        EXPECT_GE(closedAfter[i], deadline - 100ms) << i;
        EXPECT_LT(closedAfter[i], deadline + 1500ms) << i;
    }
}

TEST_F(HttpLimitsTest, OneOriginCannotTakeEveryConnectionAndHeadersAreBounded)
{
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 60; ++i)
        held.push_back(std::make_unique<RawConnection>(server->port(), "127.0.0.9"));
    RawConnection extra(server->port(), "127.0.0.9");
    EXPECT_TRUE(extra.closedWithin(1000ms)) << "the 61st connection from one address stays open";
    EXPECT_FALSE(held.front()->closedWithin(0ms));
    EXPECT_EQ(status(client->Get(content("contentForNode"))), 200) << "another address is served";

    // Headers of 64 KiB in all are refused with a JSON object; a little less is read.
    auto request = [&](size_t headerBytes) {
        RawConnection raw(server->port());
        std::string text = "GET " + content("contentForNode") + " HTTP/1.1\r\nHost: x\r\n";
        for (size_t sent = 0; sent < headerBytes; sent += 1000)
            text += "X-Filler: " + std::string(988, 'f') + "\r\n";
        raw.send(text + "Connection: close\r\n\r\n");
        return raw.receive(5000ms);
    };
    const std::string refused = request(HttpLimits::defaultMaxHeaderBytes);
    EXPECT_EQ(refused.rfind("HTTP/1.1 431", 0), 0u) << refused.substr(0, 200);
    EXPECT_NE(refused.find("{\"Error\":"), std::string::npos);
    const std::string served = request(HttpLimits::defaultMaxHeaderBytes - 4000);
    EXPECT_EQ(served.rfind("HTTP/1.1 200", 0), 0u) << served.substr(0, 200);
}
