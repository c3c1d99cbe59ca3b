#include "platform/JsonValue.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quindle;

// Kinds and typed reads.

TEST(JsonValueKinds, ScalarsKeepTheirKind)
{
    EXPECT_EQ(JsonValue().kind(), JsonValue::Kind::Null);
    EXPECT_EQ(JsonValue(true).kind(), JsonValue::Kind::Bool);
    EXPECT_EQ(JsonValue(42).kind(), JsonValue::Kind::Int);
    EXPECT_EQ(JsonValue(1.5).kind(), JsonValue::Kind::Double);
    EXPECT_EQ(JsonValue("x").kind(), JsonValue::Kind::String);
    EXPECT_EQ(JsonValue(std::numeric_limits<unsigned long long>::max()).kind(), JsonValue::Kind::UInt);
    // An unsigned value that fits a signed one is an Int, so equal numbers compare equal.
    EXPECT_EQ(JsonValue(7ULL).kind(), JsonValue::Kind::Int);
    EXPECT_EQ(JsonValue(7ULL), JsonValue(7));
}

TEST(JsonValueKinds, NullPointersMakeNull)
{
    EXPECT_TRUE(JsonValue(JsonArrayPtr()).isNull());
    EXPECT_TRUE(JsonValue(JsonObjectPtr()).isNull());
    EXPECT_TRUE(JsonValue(OpaquePtr()).isNull());
    EXPECT_EQ(JsonValue(static_cast<const char*>(nullptr)).asString(), "");
}

TEST(JsonValueKinds, TypedReadsFallBackOnOtherKinds)
{
    JsonValue s("12");
    EXPECT_EQ(s.asInt(-1), -1);
    EXPECT_EQ(s.asDouble(-2), -2);
    EXPECT_FALSE(s.asBool(false));
    EXPECT_EQ(JsonValue(5).string(), nullptr);
    EXPECT_EQ(JsonValue(5).asString(), "");
    EXPECT_EQ(JsonValue(5).array(), nullptr);
    EXPECT_EQ(JsonValue(5).object(), nullptr);
    EXPECT_TRUE(JsonValue(1).asBool(true)); // an Int is not a Bool
}

TEST(JsonValueKinds, IntegerReadsAtTheEdges)
{
    EXPECT_EQ(JsonValue(std::numeric_limits<long long>::min()).asInt(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(JsonValue(std::numeric_limits<unsigned long long>::max()).asInt(9), 9);
    EXPECT_EQ(JsonValue(std::numeric_limits<unsigned long long>::max()).asUInt(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(JsonValue(-1).asUInt(3), 3u);
    EXPECT_EQ(JsonValue(2.9).asInt(), 2);
    EXPECT_EQ(JsonValue(-2.9).asInt(), -2);
    EXPECT_EQ(JsonValue(1e300).asInt(4), 4);
    EXPECT_EQ(JsonValue(std::numeric_limits<double>::quiet_NaN()).asInt(5), 5);
    EXPECT_DOUBLE_EQ(JsonValue(3).asDouble(), 3.0);
}

// Shared nodes.

TEST(JsonValueSharing, ObjectChangesAreSeenThroughEveryCopy)
{
    auto record = JsonObject::create();
    JsonValue a(record);
    JsonValue b = a;
    b.object()->set("Name", "changed");
    EXPECT_EQ(a.object()->get("Name").asString(), "changed");
    EXPECT_EQ(a.object().get(), b.object().get());

    auto list = JsonArray::create();
    list->push_back(a);
    list->at(0).object()->set("Type", "Image");
    EXPECT_EQ(record->get("Type").asString(), "Image");
}

TEST(JsonValueSharing, ArrayChangesAreSeenThroughEveryCopy)
{
    JsonValue a(JsonArray::create());
    JsonValue b = a;
    b.array()->push_back(1);
    b.array()->insert(0, "first");
    ASSERT_EQ(a.array()->size(), 2u);
    EXPECT_EQ(a.array()->at(0).asString(), "first");
}

// Objects: order, set, erase.

TEST(JsonObjectOrder, KeysStayInInsertionOrder)
{
    auto o = JsonObject::create();
    for (const char* key : { "z", "a", "m", "b" })
        o->set(key, key);
    std::string keys;
    for (const auto& [key, value] : *o)
        keys += key;
    EXPECT_EQ(keys, "zamb");
}

TEST(JsonObjectOrder, SetReplacesInPlace)
{
    auto o = JsonObject::create({ { "a", 1 }, { "b", 2 }, { "c", 3 } });
    o->set("b", "two");
    ASSERT_EQ(o->size(), 3u);
    EXPECT_EQ(o->entries()[1].first, "b");
    EXPECT_EQ(o->entries()[1].second.asString(), "two");
}

TEST(JsonObjectOrder, CreateWithDuplicatesKeepsFirstPositionLastValue)
{
    auto o = JsonObject::create({ { "a", 1 }, { "b", 2 }, { "a", 3 } });
    ASSERT_EQ(o->size(), 2u);
    EXPECT_EQ(o->entries()[0].first, "a");
    EXPECT_EQ(o->get("a").asInt(), 3);
}

TEST(JsonObjectOrder, EraseKeepsTheOthersInOrder)
{
    auto o = JsonObject::create({ { "a", 1 }, { "b", 2 }, { "c", 3 } });
    EXPECT_TRUE(o->erase("b"));
    EXPECT_FALSE(o->erase("b"));
    ASSERT_EQ(o->size(), 2u);
    EXPECT_EQ(o->entries()[0].first, "a");
    EXPECT_EQ(o->entries()[1].first, "c");
    o->set("b", 4);
    EXPECT_EQ(o->entries()[2].first, "b");
}

TEST(JsonObjectOrder, LookupIsExactAndMissingIsNull)
{
    auto o = JsonObject::create({ { "Name", "x" } });
    EXPECT_EQ(o->find("name"), nullptr);
    EXPECT_TRUE(o->get("name").isNull());
    EXPECT_TRUE(o->contains("Name"));
}

TEST(JsonArrayEdit, InsertAndEraseBeyondTheEndAreSafe)
{
    auto a = JsonArray::create({ 1, 2 });
    a->insert(10, 3);
    EXPECT_EQ(a->at(2).asInt(), 3);
    a->erase(10);
    EXPECT_EQ(a->size(), 3u);
    a->erase(0);
    EXPECT_EQ(a->at(0).asInt(), 2);
}

// Equality.

TEST(JsonValueEquality, DeepAndOrderFree)
{
    auto a = JsonObject::create({ { "x", JsonArray::create({ 1, "s", nullptr }) }, { "y", true } });
    auto b = JsonObject::create({ { "y", true }, { "x", JsonArray::create({ 1, "s", nullptr }) } });
    EXPECT_EQ(JsonValue(a), JsonValue(b));
    b->get("x").array()->push_back(2.0);
    EXPECT_FALSE(JsonValue(a) == JsonValue(b));
    EXPECT_FALSE(JsonValue(1) == JsonValue(1.0));
}

TEST(JsonValueEquality, OpaquesCompareByIdentity)
{
    auto o = std::make_shared<Opaque>();
    EXPECT_EQ(JsonValue(o), JsonValue(o));
    EXPECT_FALSE(JsonValue(o) == JsonValue(std::make_shared<Opaque>()));
}

TEST(JsonValueEquality, CyclicGraphsTerminate)
{
    auto a = JsonObject::create();
    a->set("self", a);
    auto b = JsonObject::create();
    b->set("self", b);
    EXPECT_EQ(JsonValue(a), JsonValue(b));
    b->set("other", 1);
    EXPECT_FALSE(JsonValue(a) == JsonValue(b));
    a->clear(); // break the cycles so the nodes are freed
    b->clear();
}

// Destruction of deep graphs.

TEST(JsonValueDestruction, DeepArrayChainIsFreedWithoutRecursion)
{
    JsonValue root(JsonArray::create());
    JsonArrayPtr at = root.array();
    for (int i = 0; i < 1000000; ++i) {
        auto next = JsonArray::create();
        at->push_back(next);
        at = next;
    }
    at.reset();
    root = JsonValue(); // would overflow the stack if freed recursively
    EXPECT_TRUE(root.isNull());
}

TEST(JsonValueDestruction, DeepMixedChainIsFreedWithoutRecursion)
{
    auto top = JsonObject::create();
    JsonObjectPtr at = top;
    for (int i = 0; i < 500000; ++i) {
        auto array = JsonArray::create();
        auto next = JsonObject::create();
        array->push_back(next);
        at->set("c", array);
        at = next;
    }
    at.reset();
    top->erase("c");
    EXPECT_TRUE(top->empty());
}

TEST(JsonValueDestruction, SharedSubtreeSurvivesItsParent)
{
    auto child = JsonObject::create({ { "k", 1 } });
    {
        auto parent = JsonArray::create({ JsonValue(child), JsonValue(child) });
    }
    EXPECT_EQ(child->get("k").asInt(), 1);
    EXPECT_EQ(child.use_count(), 1);
}
