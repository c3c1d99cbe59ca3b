// What a hostile caller can learn or break through logins, registration and picture addresses:
// the slow-down under a flood, the per-origin limit, equal cost of unknown and wrong logins,
// registration of a taken address, sessions after a password change, and private pictures.
#include "platform/Base64.h"
#include "server/Accounts.h"
#include "server/LegacyStore.h"
#include "server/ServerContext.h"
#include "server/SqliteStorage.h"

#include "server/ServerFixture.h"
#include "support/PercentEncode.h"

#include <gtest/gtest.h>
#include <sodium.h>
#include <sqlite3.h>

#include <algorithm>
#include <regex>
#include <set>

using namespace quindle;
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
    /// Cheapest Argon2id, for tests that make thousands of attempts.
    void cheapHashes() { Accounts::setHashCost(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN); }
};

class ThrottleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quindle-throttle-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        storage = SqliteStorage::open((folder / "db.sqlite").string());
        ASSERT_TRUE(storage);
        limits.cheapHashes();
        accounts = std::make_unique<Accounts>(*storage);
        accounts->migrate();
        accounts->setClock([this] { return now; });
        ASSERT_TRUE(accounts->create("locked@example.org", "right"));
    }
    void TearDown() override
    {
        accounts.reset();
        storage.reset();
        std::filesystem::remove_all(folder);
    }
    Accounts::LoginResult login(const std::string& email, const std::string& password, const std::string& origin = {})
    {
        return accounts->login(email, password, nullptr, origin);
    }

    Limits limits;
    std::filesystem::path folder;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<Accounts> accounts;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
};

using Result = Accounts::LoginResult;

} // namespace

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
    EXPECT_EQ(entries->at(0).object()->get("assetID").asString(), std::to_string(entry));
    EXPECT_EQ(entries->at(0).object()->get("assVal").asString(), "http://127.0.0.1:1" + context.imageUrl(2));
}

// Over HTTP against the demo server -------------------------------------------------------------

namespace {

class LoginSafetyTest : public test::ServerFixture {
protected:
    httplib::Result get(const std::string& endpoint, const std::string& token = {})
    {
        return client->Get(content(endpoint), token.empty() ? httplib::Headers {} : tokenHeaders(token));
    }
    JsonObjectPtr message(const httplib::Result& result)
    {
        auto json = test::replyJson(result);
        if (!json || !json->isObject() || !json->object()->get("Message").isObject())
            return nullptr;
        return json->object()->get("Message").object();
    }
    /// The reply's keys and "AssetId" go to `keys` and the return value; the status to `status`.
    std::string registerCompany(const std::string& email, const std::string& password, int* status = nullptr, std::set<std::string>* keys = nullptr)
    {
        auto result = get("registerCompany?email=" + test::percentEncode(email) + "&password=" + password + "&company=Shop");
        if (status)
            *status = result ? result->status : 0;
        auto reply = message(result);
        for (size_t i = 0; reply && keys && i < reply->entries().size(); ++i)
            keys->insert(reply->entries()[i].first);
        return reply ? std::string(reply->get("AssetId").asString()) : std::string();
    }
    void sql(const std::string& statement)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(databasePath().c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << statement;
        sqlite3_close(db);
    }

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
    double wrong = medianMilliseconds([&] { bodies.insert(get("login?email=demo%40quindle.example&password=nope")->body); });
    double missing = medianMilliseconds(
        [&] { bodies.insert(get("login?email=nobody" + std::to_string(unknown++) + "%40example.org&password=nope")->body); });
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
    auto refused = message(get("login?email=demo%40quindle.example&password=quindle-demo"));
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->contains("AuthToken"));
    EXPECT_NE(refused->get("Alert").asString().find("Too many"), std::string::npos);
}

TEST_F(LoginSafetyTest, TakenAddressRegistersAlikeAndChangesNothing)
{
    int freshStatus = 0, takenStatus = 0;
    std::set<std::string> freshKeys, takenKeys;
    std::string freshId = registerCompany("new@example.org", "pw-new", &freshStatus, &freshKeys);
    std::string takenId = registerCompany(QuindleServer::demoEmail, "pw-taken", &takenStatus, &takenKeys);
    EXPECT_EQ(takenStatus, freshStatus);
    EXPECT_EQ(freshStatus, 200);
    EXPECT_EQ(takenKeys, freshKeys);
    EXPECT_GT(std::stoll(takenId), std::stoll(freshId)) << "an id a registration made now would get";
    EXPECT_FALSE(login(QuindleServer::demoEmail, QuindleServer::demoPassword).empty());
    EXPECT_TRUE(login(QuindleServer::demoEmail, "pw-taken").empty());
    // A refusal that does not depend on the address: an empty password.
    for (const char* email : { "other@example.org", QuindleServer::demoEmail }) {
        int status = 0;
        registerCompany(email, "", &status);
        EXPECT_EQ(status, 400) << email;
    }
}

TEST_F(LoginSafetyTest, PasswordChangeEndsTheOtherSessionsOnly)
{
    std::string caller = login(), other = login();
    ASSERT_FALSE(caller.empty());
    ASSERT_FALSE(other.empty());
    EXPECT_EQ(get("changePassword?userID=&password=changed-1", caller)->status, 200);
    EXPECT_EQ(get("imageList", caller)->status, 200);
    EXPECT_EQ(get("imageList", other)->status, 403);
    EXPECT_FALSE(login(QuindleServer::demoEmail, "changed-1").empty());
}

TEST_F(LoginSafetyTest, UnpublishedSitePicturesGoOnlyToTheirOwner)
{
    std::string site = registerCompany("owner@example.org", "pw-owner");
    std::string owner = login("owner@example.org", "pw-owner"), visitor = login();
    ASSERT_FALSE(owner.empty());
    for (char mark : { 'a', 'b' }) {
        std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(64, mark);
        auto sent = client->Post(content("sendImage"), tokenHeaders(owner),
            "{\"assetid\":\"" + site + "\",\"image\":\"" + Base64::encode(jpeg) + "\"}", "application/x-www-form-urlencoded");
        ASSERT_TRUE(sent && sent->status == 200) << (sent ? sent->body : "");
    }
    auto listed = message(get("imageList", owner));
    ASSERT_TRUE(listed && listed->get("ImageList").isArray());
    std::vector<std::string> paths;
    for (const JsonValue& image : listed->get("ImageList").array()->items())
        paths.push_back(std::string(image.object()->get("ImageUrl").asString()).substr(server->host().size()));
    ASSERT_EQ(paths.size(), 2u);
    // Two pictures in a row: each address is a random token, nothing in one leads to the other.
    const std::regex shape("/images/[0-9a-f]{32}\\.jpg");
    for (const std::string& path : paths)
        EXPECT_TRUE(std::regex_match(path, shape)) << path;
    size_t common = 0;
    while (common < paths[0].size() && paths[0][common] == paths[1][common])
        ++common;
    EXPECT_LT(common, std::string("/images/").size() + 8) << paths[0] << " " << paths[1];

    auto fetch = [&](const std::string& path, const std::string& token) {
        auto result = client->Get(path, token.empty() ? httplib::Headers {} : tokenHeaders(token));
        return result ? std::pair { result->status, result->body } : std::pair { 0, std::string() };
    };
    const auto missing = fetch("/images/" + std::string(32, '0') + ".jpg", {});
    EXPECT_EQ(missing.first, 404);
    struct Case {
        const char* who;
        std::string token;
        int unpublished;
    };
    const Case cases[] = { { "visitor", "", 404 }, { "another account", visitor, 404 }, { "owner", owner, 200 } };
    for (const Case& c : cases) {
        auto reply = fetch(paths[0], c.token);
        EXPECT_EQ(reply.first, c.unpublished) << c.who;
        if (reply.first == 404) {
            EXPECT_EQ(reply.second, missing.second) << c.who << ": the same 404 as a missing picture";
        }
    }
    EXPECT_EQ(fetch("/images/1.jpg", owner).first, 404) << "counting addresses are gone";

    sql("UPDATE users SET is_root = 1 WHERE email = 'demo@quindle.example'");
    EXPECT_EQ(fetch(paths[0], visitor).first, 200) << "root users see it";
    EXPECT_EQ(get("setPublished?assetid=" + site, visitor)->status, 200);
    for (const Case& c : cases)
        EXPECT_EQ(fetch(paths[1], c.token).first, 200) << c.who;
}
