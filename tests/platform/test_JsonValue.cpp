#include "platform/JsonValue.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quindle;

TEST(JsonValueKinds, KindsAndTypedReads)
{
    EXPECT_EQ(JsonValue().kind(), JsonValue::Kind::Null);
    EXPECT_EQ(JsonValue(true).kind(), JsonValue::Kind::Bool);
    EXPECT_EQ(JsonValue(1.5).kind(), JsonValue::Kind::Double);
    EXPECT_EQ(JsonValue("x").kind(), JsonValue::Kind::String);
    EXPECT_EQ(JsonValue(std::numeric_limits<unsigned long long>::max()).kind(), JsonValue::Kind::UInt);
    // An unsigned value that fits a signed one is an Int, so equal numbers compare equal.
    EXPECT_EQ(JsonValue(7ULL).kind(), JsonValue::Kind::Int);
    EXPECT_EQ(JsonValue(7ULL), JsonValue(7));
    // Null pointers make null.
    EXPECT_TRUE(JsonValue(JsonArrayPtr()).isNull());
    EXPECT_TRUE(JsonValue(JsonObjectPtr()).isNull());
    EXPECT_TRUE(JsonValue(OpaquePtr()).isNull());
    EXPECT_EQ(JsonValue(static_cast<const char*>(nullptr)).asString(), "");
    // Reads of another kind give the fallback; an Int is not a Bool.
    EXPECT_EQ(JsonValue("12").asInt(-1), -1);
    EXPECT_EQ(JsonValue("12").asDouble(-2), -2);
    EXPECT_FALSE(JsonValue("12").asBool(false));
    EXPECT_TRUE(JsonValue(1).asBool(true));
    EXPECT_EQ(JsonValue(5).string(), nullptr);
    EXPECT_EQ(JsonValue(5).asString(), "");
    EXPECT_EQ(JsonValue(5).array(), nullptr);
    EXPECT_EQ(JsonValue(5).object(), nullptr);
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

TEST(JsonValueSharing, ChangesAreSeenThroughEveryCopy)
{
    auto record = JsonObject::create();
    JsonValue a(record);
    JsonValue b = a;
    b.object()->set("Name", "changed");
    EXPECT_EQ(a.object()->get("Name").asString(), "changed");
    auto list = JsonArray::create();
    list->push_back(a);
    list->at(0).object()->set("Type", "Image");
    EXPECT_EQ(record->get("Type").asString(), "Image");

    JsonValue c(JsonArray::create());
    JsonValue d = c;
    d.array()->push_back(1);
    d.array()->insert(0, "first");
    ASSERT_EQ(c.array()->size(), 2u);
    EXPECT_EQ(c.array()->at(0).asString(), "first");
}

TEST(JsonObjectOrder, KeysKeepTheirFirstPosition)
{
    auto o = JsonObject::create({ { "z", 1 }, { "a", 2 }, { "m", 3 }, { "z", 4 } });
    o->set("b", 5);
    o->set("a", "two");
    auto keys = [&] {
        std::string out;
        for (const auto& [key, value] : *o)
            out += key;
        return out;
    };
    EXPECT_EQ(keys(), "zamb");
    EXPECT_EQ(o->get("z").asInt(), 4);
    EXPECT_EQ(o->entries()[1].second.asString(), "two");
    EXPECT_TRUE(o->erase("a"));
    EXPECT_FALSE(o->erase("a"));
    EXPECT_EQ(keys(), "zmb");
    o->set("a", 6);
    EXPECT_EQ(keys(), "zmba");
    // Lookup is exact; a missing key reads as null.
    EXPECT_EQ(o->find("Z"), nullptr);
    EXPECT_TRUE(o->get("Z").isNull());
    EXPECT_TRUE(o->contains("z"));
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

TEST(JsonValueEquality, DeepOrderFreeByIdentityForOpaquesAndSafeOnCycles)
{
    auto a = JsonObject::create({ { "x", JsonArray::create({ 1, "s", nullptr }) }, { "y", true } });
    auto b = JsonObject::create({ { "y", true }, { "x", JsonArray::create({ 1, "s", nullptr }) } });
    EXPECT_EQ(JsonValue(a), JsonValue(b));
    b->get("x").array()->push_back(2.0);
    EXPECT_FALSE(JsonValue(a) == JsonValue(b));
    EXPECT_FALSE(JsonValue(1) == JsonValue(1.0));
    auto opaque = std::make_shared<Opaque>();
    EXPECT_EQ(JsonValue(opaque), JsonValue(opaque));
    EXPECT_FALSE(JsonValue(opaque) == JsonValue(std::make_shared<Opaque>()));

    auto self = JsonObject::create();
    self->set("self", self);
    auto twin = JsonObject::create();
    twin->set("self", twin);
    EXPECT_EQ(JsonValue(self), JsonValue(twin));
    twin->set("other", 1);
    EXPECT_FALSE(JsonValue(self) == JsonValue(twin));
    self->clear(); // break the cycles so the nodes are freed
    twin->clear();
}

TEST(JsonValueDestruction, DeepChainsAreFreedWithoutRecursion)
{
    // Either chain would overflow the stack if freed recursively.
    JsonValue root(JsonArray::create());
    JsonArrayPtr at = root.array();
    for (int i = 0; i < 1000000; ++i) {
        auto next = JsonArray::create();
        at->push_back(next);
        at = next;
    }
    at.reset();
    root = JsonValue();
    EXPECT_TRUE(root.isNull());

    auto top = JsonObject::create();
    JsonObjectPtr object = top;
    for (int i = 0; i < 500000; ++i) {
        auto array = JsonArray::create();
        auto next = JsonObject::create();
        array->push_back(next);
        object->set("c", array);
        object = next;
    }
    object.reset();
    top->erase("c");
    EXPECT_TRUE(top->empty());

    // A shared subtree outlives its parent.
    auto child = JsonObject::create({ { "k", 1 } });
    {
        auto parent = JsonArray::create({ JsonValue(child), JsonValue(child) });
    }
    EXPECT_EQ(child->get("k").asInt(), 1);
    EXPECT_EQ(child.use_count(), 1);
}
