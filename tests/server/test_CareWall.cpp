// One organisation's care data is walled off from every other's, over real HTTP on the demo's two
// organisations.
#include "server/Accounts.h"
#include "server/ContentDemo.h"
#include "server/ContentStore.h"
#include "server/LegacyStore.h"
#include "server/ServerFixture.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <map>
#include <sstream>

using namespace quindle;

namespace {

// A legacy-range id that names nothing.
constexpr const char* unknownId = "1999999999";

struct Request {
    const char* target; ///< {A.x} names organisation A's ids, {B.x} organisation B's
    bool positive;      ///< organisation A's own request (all {B.x} read as {A.x}) succeeds
};

// Every care endpoint; requests naming several ids try each one as A's.
const Request requests[] = {
    { "start.php?a={A.person}", true }, { "start.php?a={A.doc}", true },
    { "start.php?a={A.form}", true }, { "currentState.php?a={A.doc}", true },
    { "handleForm.php?f={A.entry}&c={A.person}&name=Weight&val=1&type=Number", true },
    { "handleForm.php?f={B.entry}&c={A.person}&name=Weight&val=1&type=Number", false },
    { "handleForm.php?f={A.entry}&c={B.person}&name=Weight&val=1&type=Number", false },
    { "setFormValueForDocument.php?parentID={A.doc}&name=Weight&val=1&type=Number", true },
    { "setTimedObject.php?a={A.doc}&o={A.entry}&date=2027-01-01%2010:00:00&val=x", true },
    { "setTimedObject.php?a={B.doc}&o={A.entry}&date=2027-01-01%2010:00:00&val=x", false },
    { "setTimedObject.php?a={A.doc}&o={B.entry}&date=2027-01-01%2010:00:00&val=x", false },
    { "setAction.php?a={A.action}&date=2027-01-01%2010:00:00&devID={A.device}&val=1", true },
    { "setAction.php?a={B.action}&date=2027-01-01%2010:00:00&devID={A.device}&val=1", false },
    { "setAction.php?a={A.action}&date=2027-01-01%2010:00:00&devID={B.device}&val=1", false }, { "Naked.php?a={A.doc}", true },
    { "addAsset.php?assetID={A.form}&name=Extra&type=Text", true }, { "addAsset.php?assetID={A.site}&name=Tour&type=YoutubeVideo&asVal=x", false },
    { "setName.php?a={A.person}&name=Renamed", true }, { "setName.php?a={A.entry}&name=Renamed", false },
    { "setName.php?a={A.site}&name=Renamed", false }, { "resetImage.php?a={A.entry}", true },
    { "resetImage.php?a={A.site}", false }, { "setImage.php?dir=x&a={A.entry}", true },
    { "getFoodAllergy.php?a={A.doc}", true }, { "setFoodAllergy.php?a={A.doc}&i={A.ingredient}&s=1", true },
    { "setFoodAllergy.php?a={B.doc}&i={A.ingredient}&s=1", false }, { "setFoodAllergy.php?a={A.doc}&i={B.ingredient}&s=1", false },
    { "getMenu.php?a={A.meals}", true }, { "setMealObject.php?a={A.person}&name=Lunch&date=2026-12-08&o={A.dish}", true },
    { "setMealObject.php?a={B.person}&name=Lunch&date=2026-12-08&o={A.dish}", false },
    { "setMealObject.php?a={A.person}&name=Lunch&date=2026-12-08&o={B.dish}", false },
};

// Replies that list rows; {B.x} is the caller's own.
const char* const lists[] = { "start.php", "devices.php", "ingredientsList.php", "currentUserOverdueActions.php",
    "getFoodAllergy.php?a={B.doc}", "getMenu.php?a={B.meals}" };

} // namespace

class CareWallTest : public test::ServerFixture {
protected:
    std::unique_ptr<Storage> db() { return SqliteStorage::open(databasePath()); }

    /// One id of each kind that organisation `email` owns, keyed "{X.kind}" with X = `side`.
    void collectIds(const std::string& email, const std::string& side)
    {
        auto storage = db();
        const int64_t org = Accounts(*storage).idOf(email).value_or(0);
        auto one = [&](const std::string& key, const std::string& sql) {
            auto rows = storage->query(sql, { org });
            ASSERT_FALSE(rows.empty()) << key;
            ids["{" + side + "." + key + "}"] = Storage::text(rows[0][0]);
        };
        const std::string owned = " JOIN legacy_ids i ON i.id = t.id WHERE i.org_id = ?";
        one("person", "SELECT t.id FROM legacy_people t" + owned + " ORDER BY t.id");
        one("form", "SELECT t.id FROM legacy_forms t" + owned + " AND t.name = 'Daily care'");
        one("meals", "SELECT t.id FROM legacy_forms t" + owned + " AND t.name = 'Meals'");
        one("doc", "SELECT t.id FROM legacy_documents t JOIN legacy_forms f ON f.id = t.form_id" + owned
                + " AND f.name = 'Daily care' ORDER BY t.id");
        one("entry", "SELECT t.id FROM legacy_entries t" + owned + " AND t.name = 'Weight'");
        one("action", "SELECT t.id FROM legacy_records t" + owned + " AND t.type = 'Action' ORDER BY t.id");
        one("device", "SELECT t.id FROM legacy_devices t" + owned);
        one("ingredient", "SELECT t.id FROM legacy_ingredients t" + owned);
        one("dish", "SELECT t.id FROM legacy_dishes t" + owned);
        one("site", "SELECT tabbar_id FROM content_sites WHERE owner_id = ?");
        if (side == "A") {
            for (auto& row : storage->query("SELECT id FROM legacy_ids WHERE org_id = ?", { org }))
                idsOfA.push_back(Storage::text(row[0]));
            for (auto& row : storage->query("SELECT t.name FROM legacy_people t" + owned, { org }))
                namesOfA.push_back(std::get<std::string>(row[0]));
        }
    }

    /// `target` as a path, its placeholders filled from `with`.
    std::string fill(std::string target, const std::map<std::string, std::string>& with) const
    {
        for (auto& [key, value] : with)
            for (size_t at; (at = target.find(key)) != std::string::npos;)
                target.replace(at, key.size(), value);
        return "/json/" + target;
    }

    /// The ids with each of `side`'s replaced by `by(key)`.
    std::map<std::string, std::string> replacing(const std::string& side, const std::function<std::string(const std::string&)>& by) const
    {
        auto with = ids;
        for (auto& [key, value] : with)
            if (key.rfind("{" + side + ".", 0) == 0)
                value = by(key);
        return with;
    }

    httplib::Result call(const std::string& target, const std::string& token)
    {
        if (target.find("/setImage.php") == std::string::npos)
            return client->Get(target.c_str(), tokenHeaders(token));
        std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x01') + std::string("\xFF\xD9", 2);
        httplib::MultipartFormDataItems items { { "uploaded", jpeg, "image.jpg", "image/jpeg" } };
        return client->Post(target.c_str(), tokenHeaders(token), items);
    }

    /// Every row of the care tables and of the content items, in a fixed order.
    std::string snapshot()
    {
        auto storage = db();
        std::ostringstream out;
        for (const char* table : { "legacy_ids", "legacy_forms", "legacy_people", "legacy_documents", "legacy_entries",
                 "legacy_records", "legacy_history", "legacy_devices", "legacy_ingredients", "legacy_allergies",
                 "legacy_dishes", "legacy_dish_ingredients", "legacy_orders", "content_assets" }) {
            out << table << '\n';
            for (auto& row : storage->query(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2")) {
                for (auto& v : row)
                    out << (Storage::isNull(v) ? "NULL" : Storage::text(v)) << '|';
                out << '\n';
            }
        }
        return out.str();
    }

    /// A's ids answer as unknown ids for the caller, and its lists hold nothing of A's.
    void expectWalledOff(const std::string& token, const std::string& who)
    {
        for (const Request& request : requests) {
            auto refused = call(fill(request.target, ids), token);
            auto unknown = call(fill(request.target, replacing("A", [](const std::string&) { return unknownId; })), token);
            ASSERT_TRUE(refused && unknown) << who << ' ' << request.target;
            EXPECT_EQ(refused->status, 404) << who << ' ' << request.target << ' ' << refused->body;
            EXPECT_EQ(refused->status, unknown->status) << who << ' ' << request.target;
            EXPECT_EQ(refused->body, unknown->body) << who << ' ' << request.target;
        }
        for (const char* list : lists) {
            auto reply = call(fill(list, ids), token);
            ASSERT_TRUE(reply) << who << ' ' << list;
            for (auto& id : idsOfA)
                EXPECT_EQ(reply->body.find('"' + id + '"'), std::string::npos) << who << ' ' << list << " shows " << id;
            for (auto& name : namesOfA)
                EXPECT_EQ(reply->body.find(name), std::string::npos) << who << ' ' << list << " shows " << name;
        }
    }

    std::map<std::string, std::string> ids;
    std::vector<std::string> idsOfA, namesOfA;
};

TEST_F(CareWallTest, OrganisationsReachOnlyTheirOwnCareDataAndRootReachesAll)
{
    collectIds(QuindleServer::demoEmail, "A");
    collectIds(ContentDemo::secondEmail, "B");
    ASSERT_FALSE(idsOfA.empty());
    const std::string tokenA = login(), tokenB = login(ContentDemo::secondEmail, ContentDemo::secondPassword);
    ASSERT_FALSE(tokenA.empty() || tokenB.empty());
    const std::string tokenNew = registerAndLogin("new@example.org", "pw-new");

    // B's own lists are not empty, so the checks on them below can fail.
    auto ownPeople = call("/json/start.php", tokenB);
    ASSERT_TRUE(ownPeople);
    EXPECT_NE(ownPeople->body.find('"' + ids["{B.person}"] + '"'), std::string::npos) << ownPeople->body;

    const std::string before = snapshot();
    expectWalledOff(tokenB, "B");
    expectWalledOff(tokenNew, "new account");
    EXPECT_EQ(snapshot(), before);
    auto nothing = call("/json/start.php", tokenNew);
    ASSERT_TRUE(nothing);
    EXPECT_NE(nothing->body.find("\"list\":[]"), std::string::npos) << nothing->body;

    // A's own requests succeed; a root user reaches both organisations.
    const auto ownIds = replacing("B", [&](const std::string& key) { return ids.at("{A." + key.substr(3)); });
    for (const Request& request : requests) {
        if (!request.positive)
            continue;
        auto reply = call(fill(request.target, ownIds), tokenA);
        EXPECT_EQ(test::status(reply), 200) << request.target << ' ' << (reply ? reply->body : "");
    }
    EXPECT_NE(snapshot(), before);

    ASSERT_TRUE(Accounts(*db()).create("root@example.org", "pw-root", true));
    const std::string tokenRoot = login("root@example.org", "pw-root");
    ASSERT_FALSE(tokenRoot.empty());
    auto everyone = call("/json/start.php", tokenRoot);
    ASSERT_TRUE(everyone);
    for (const char* person : { "{A.person}", "{B.person}" })
        EXPECT_NE(everyone->body.find('"' + ids[person] + '"'), std::string::npos) << everyone->body;
    for (const char* side : { "A", "B" }) {
        const std::string doc = ids[std::string("{") + side + ".doc}"];
        EXPECT_EQ(test::status(call("/json/currentState.php?a=" + doc, tokenRoot)), 200) << side;
        EXPECT_EQ(test::status(call("/json/setFormValueForDocument.php?parentID=" + doc + "&name=Notes&val=root&type=Text", tokenRoot)), 200) << side;
    }
}

// Care rows from before organisations existed go to the only site's owner, or to no one.
TEST(CareWallUpgrade, OldRowsGoToTheOnlySiteOwnerElseToNoOrganisation)
{
    for (int sites : { 1, 2 }) {
        auto storage = SqliteStorage::open(":memory:");
        ASSERT_TRUE(storage);
        ContentStore content(*storage);
        content.migrate();
        for (int i = 1; i <= sites; ++i)
            content.createSite(40 + i, "Home " + std::to_string(i), "Start");
        // The first legacy step alone stands in for a database made before the organisation step.
        storage->migrate("legacy", { "CREATE TABLE legacy_ids (id INTEGER PRIMARY KEY, kind TEXT NOT NULL)" });
        storage->execute("INSERT INTO legacy_ids (id, kind) VALUES (5, 'person')");
        LegacyStore store(*storage);
        store.migrate();
        auto owner = storage->query("SELECT org_id FROM legacy_ids WHERE id = 5");
        ASSERT_EQ(owner.size(), 1u);
        if (sites == 1)
            EXPECT_EQ(owner[0][0], SqlValue(int64_t(41)));
        else
            EXPECT_EQ(owner[0][0], SqlValue());
        EXPECT_EQ(store.kindOf(5, { 41, false }), sites == 1 ? LegacyStore::Kind::Person : LegacyStore::Kind::None);
        EXPECT_EQ(store.kindOf(5, { 0, true }), LegacyStore::Kind::Person);
    }
}
