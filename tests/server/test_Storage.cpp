// Storage, migrations, the write generation, the reply cache, and the chart page's date
// arithmetic, thinning and markup.
#include "server/HistoryChart.h"
#include "server/ReplyCache.h"
#include "server/SqliteStorage.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quindle;

TEST(StorageTest, MigrationsRunOnceInOrderAndTransactionsRollBackWhole)
{
    char folder[] = "/tmp/quindle-storage-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/db.sqlite";
    std::unique_ptr<Storage> storage = SqliteStorage::open(path);
    ASSERT_TRUE(storage);
    auto count = [&](const std::string& table) { return Storage::integer(storage->query("SELECT COUNT(*) FROM " + table)[0][0]); };
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
    storage = SqliteStorage::open(path);
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
    storage.reset();
    std::filesystem::remove_all(folder);
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

TEST(HistoryChart, ServerDates)
{
    struct Case {
        const char* text;
        bool ok;
        int64_t seconds;
    } cases[] = {
        { "1970-01-01 00:00:00", true, 0 },
        { "2026-12-08 02:00:01", true, 1796695201 },
        { "2000-02-29 12:00:00", true, 951825600 },
        { "2026-13-01 00:00:00", false, 0 },
        { "2026-12-08T02:00:01", false, 0 },
        { "2026-12-08", false, 0 },
    };
    for (const Case& c : cases) {
        int64_t seconds = 0;
        EXPECT_EQ(HistoryChart::parseDate(c.text, seconds), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds) << c.text;
            EXPECT_EQ(HistoryChart::dayText(seconds), std::string(c.text).substr(0, 10));
        }
    }
}

TEST(HistoryChart, ThinningKeepsEachColumnsExtremes)
{
    std::vector<HistoryChart::Point> points;
    for (int i = 0; i < 10000; ++i)
        points.push_back({ i * 60, i == 5000 ? 500.0 : i == 7000 ? -500.0 : double(i % 7) });
    auto thin = HistoryChart::thin(points, 100);
    EXPECT_LE(thin.size(), 200u);
    EXPECT_GE(thin.size(), 100u);
    bool high = false, low = false;
    for (size_t i = 0; i < thin.size(); ++i) {
        high |= thin[i].value == 500.0;
        low |= thin[i].value == -500.0;
        if (i) {
            EXPECT_LT(thin[i - 1].seconds, thin[i].seconds);
        }
    }
    EXPECT_TRUE(high && low);
    EXPECT_EQ(HistoryChart::thin({ { 1, 2 }, { 3, 4 } }, 100).size(), 2u);
}

TEST(HistoryChart, PageOfTwoSeriesAndOfNone)
{
    std::string html = HistoryChart::page({ { "Pulse", { { 0, 60 }, { 86400 * 3, 72.5 } } }, { "Empty", {} } });
    EXPECT_NE(html.find(">Pulse</h3>"), std::string::npos);
    EXPECT_NE(html.find("latest 72.5 on 1970-01-04"), std::string::npos);
    EXPECT_NE(html.find(">1970-01-01</text>"), std::string::npos);
    EXPECT_NE(html.find(">72.5</text>"), std::string::npos);
    EXPECT_EQ(html.find("Empty"), std::string::npos);
    EXPECT_NE(HistoryChart::page({}, "A&B").find("No recorded numbers for A&amp;B"), std::string::npos);
}
