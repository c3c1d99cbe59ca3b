// Storage, migrations, the write generation, the reply cache and the login slow-down.
#include "server/Accounts.h"
#include "server/ReplyCache.h"
#include "server/SqliteStorage.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quindle;

namespace {

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quindle-storage-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        storage = SqliteStorage::open((folder / "db.sqlite").string());
        ASSERT_TRUE(storage);
    }
    void TearDown() override
    {
        storage.reset();
        std::filesystem::remove_all(folder);
    }
    int64_t count(const std::string& table) { return Storage::integer(storage->query("SELECT COUNT(*) FROM " + table)[0][0]); }

    std::filesystem::path folder;
    std::unique_ptr<Storage> storage;
};

} // namespace

TEST_F(StorageTest, MigrationsRunOnceInOrderAndTransactionsRollBackWhole)
{
    std::vector<std::string> steps { "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)", "ALTER TABLE t ADD COLUMN w TEXT" };
    storage->migrate("demo", { steps[0] });
    storage->migrate("demo", steps);
    storage->migrate("demo", steps); // nothing left to do: a second ALTER would fail
    EXPECT_EQ(Storage::integer(storage->query("SELECT version FROM schema_versions WHERE component = ?", { std::string("demo") })[0][0]), 2);
    storage->execute("INSERT INTO t (v, w) VALUES (?, ?)", { std::string("a"), std::string("b") });

    // A failing step leaves the version where it was.
    steps.push_back("CREATE TABLE broken (");
    EXPECT_THROW(storage->migrate("demo", steps), StorageError);
    EXPECT_EQ(Storage::integer(storage->query("SELECT version FROM schema_versions WHERE component = ?", { std::string("demo") })[0][0]), 2);
    EXPECT_THROW(storage->migrate("demo", { steps[0] }), StorageError);

    // Reopening finds the data and the journal mode.
    storage = SqliteStorage::open((folder / "db.sqlite").string());
    EXPECT_EQ(count("t"), 1);
    EXPECT_EQ(Storage::text(storage->query("PRAGMA journal_mode")[0][0]), "wal");
    EXPECT_EQ(Storage::integer(storage->query("PRAGMA synchronous")[0][0]), 2); // FULL

    // A transaction rolls back whole; a nested one joins it.
    storage->execute("CREATE TABLE n (id INTEGER PRIMARY KEY, v TEXT NOT NULL)");
    const uint64_t before = storage->generation();
    EXPECT_THROW(storage->transaction([&] {
        storage->execute("INSERT INTO n (v) VALUES (?)", { std::string("kept?") });
        storage->transaction([&] { storage->execute("INSERT INTO n (v) VALUES (?)", { std::monostate {} }); });
    }),
        StorageError);
    EXPECT_EQ(count("n"), 0);
    EXPECT_NE(storage->generation(), before);

    storage->transaction([&] {
        storage->execute("INSERT INTO n (v) VALUES (?)", { std::string("x'); DROP TABLE n; --") });
        storage->transaction([&] { storage->execute("INSERT INTO n (v) VALUES (?)", { std::string("second") }); });
    });
    EXPECT_EQ(count("n"), 2);
    EXPECT_EQ(Storage::text(storage->query("SELECT v FROM n ORDER BY id")[0][0]), "x'); DROP TABLE n; --");
    EXPECT_THROW(storage->query("SELECT v FROM n WHERE id = ?"), StorageError); // a parameter missing

    const uint64_t afterWrites = storage->generation();
    storage->query("SELECT v FROM n");
    EXPECT_EQ(storage->generation(), afterWrites); // reads leave it
}

TEST(ReplyCacheTest, ABodyIsServedOnlyAtItsGenerationAndTheLimitsHold)
{
    ReplyCache cache;
    cache.store("page 1", 7, "one");
    EXPECT_EQ(cache.find("page 1", 7).value_or(""), "one");
    EXPECT_FALSE(cache.find("page 1", 8));
    EXPECT_FALSE(cache.find("page 2", 7));

    cache.setLimits(2, 10);
    cache.store("a", 1, "12345");
    cache.store("b", 2, "12345");
    cache.store("c", 2, "12"); // over the byte limit: the stale "a" goes, then all start afresh
    EXPECT_FALSE(cache.find("a", 1));
    EXPECT_EQ(cache.find("c", 2).value_or(""), "12");
    EXPECT_LE(cache.size(), 2u);
    cache.store("huge", 2, std::string(11, 'x'));
    EXPECT_FALSE(cache.find("huge", 2));
}

TEST_F(StorageTest, FailedLoginsSlowTheAccountDownUntilTheWaitIsOver)
{
    Accounts accounts(*storage);
    accounts.migrate();
    auto now = std::chrono::steady_clock::now();
    accounts.setClock([&] { return now; });
    ASSERT_TRUE(accounts.create("Carer@Example.org", "right"));
    EXPECT_FALSE(accounts.create("carer@example.org", "other")); // addresses ignore case
    EXPECT_EQ(storage->query("SELECT password_hash FROM users")[0][0].index(), 3u);
    EXPECT_EQ(Storage::text(storage->query("SELECT password_hash FROM users")[0][0]).rfind("$argon2id$", 0), 0u);

    std::string token;
    for (int i = 0; i < LoginThrottle::defaultMaxFailuresBeforeDelay; ++i)
        EXPECT_EQ(accounts.login("carer@example.org", "wrong", &token), Accounts::LoginResult::WrongCredentials);
    EXPECT_EQ(accounts.login("carer@example.org", "right", &token), Accounts::LoginResult::TooManyAttempts);
    now += LoginThrottle::defaultFailureDelay;
    EXPECT_EQ(accounts.login("carer@example.org", "wrong", &token), Accounts::LoginResult::WrongCredentials);
    now += LoginThrottle::defaultFailureDelay; // the second wait is twice as long
    EXPECT_EQ(accounts.login("carer@example.org", "right", &token), Accounts::LoginResult::TooManyAttempts);
    now += LoginThrottle::defaultFailureDelay;
    EXPECT_EQ(accounts.login("carer@example.org", "right ", &token), Accounts::LoginResult::WrongCredentials); // as received
    now += LoginThrottle::defaultMaxFailureDelay;
    ASSERT_EQ(accounts.login("carer@example.org", "right", &token), Accounts::LoginResult::Ok);
    EXPECT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_TRUE(accounts.userForToken(token));
    EXPECT_TRUE(accounts.logout(token));
    EXPECT_FALSE(accounts.userForToken(token));
    EXPECT_FALSE(accounts.logout(token));
}
