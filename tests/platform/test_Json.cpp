#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

using namespace quindle;

namespace {

JsonValue parseOk(std::string_view text)
{
    Error error;
    auto value = JsonParser::parse(text, &error);
    EXPECT_TRUE(value.has_value()) << text << ": " << error.localizedDescription;
    return value.value_or(JsonValue());
}

JsonParser::ErrorCode parseError(std::string_view text)
{
    Error error;
    auto value = JsonParser::parse(text, &error);
    EXPECT_FALSE(value.has_value()) << text;
    EXPECT_EQ(error.domain, "JSON");
    EXPECT_FALSE(error.localizedDescription.empty());
    return static_cast<JsonParser::ErrorCode>(error.code);
}

std::string writeOk(const JsonValue& value)
{
    auto text = JsonWriter::write(value);
    EXPECT_TRUE(text.has_value());
    return text.value_or("");
}

std::string nested(size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

// An array nested `depth` deep, built without the parser.
JsonValue deepArray(int depth)
{
    JsonValue root(JsonArray::create());
    JsonArrayPtr at = root.array();
    for (int i = 0; i < depth; ++i) {
        auto next = JsonArray::create();
        at->push_back(next);
        at = next;
    }
    return root;
}

} // namespace

TEST(JsonParserKinds, NumbersScalarsStringsAndKeyOrder)
{
    // Equality compares kinds too: an Int is never a UInt or a Double.
    EXPECT_EQ(parseOk(R"([0,-12,9223372036854775807,9223372036854775808,18446744073709551615,1.0,2.5e3,-0.25])"),
        JsonValue(JsonArray::create({ 0, -12, std::numeric_limits<int64_t>::max(), 9223372036854775808ULL,
            18446744073709551615ULL, 1.0, 2500.0, -0.25 })));
    EXPECT_EQ(parseOk(R"({"t":true,"f":false,"n":null,"s":"a\"b\\c\/d\u00e9\ud83d\ude00\u0000e"})"),
        JsonValue(JsonObject::create({ { "t", true }, { "f", false }, { "n", nullptr },
            { "s", std::string("a\"b\\c/d\xc3\xa9\xf0\x9f\x98\x80\0e", 15) } })));
    EXPECT_EQ(parseOk("  \"top\"\n").asString(), "top");
    // Key order is kept and the last duplicate wins in the first position.
    EXPECT_EQ(writeOk(parseOk(R"({"z":1,"a":2,"m":3})")), R"({"z":1,"a":2,"m":3})");
    EXPECT_EQ(writeOk(parseOk(R"({"a":1,"b":2,"a":{"x":[1]},"c":3,"b":4})")), R"({"a":{"x":[1]},"b":4,"c":3})");
    // Large objects find duplicates too.
    std::string text = "{";
    for (int i = 0; i < 40; ++i)
        text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    text += "\"k3\":\"late\",\"k39\":\"last\"}";
    JsonValue v = parseOk(text);
    const auto& o = *v.object();
    ASSERT_EQ(o.size(), 40u);
    EXPECT_EQ((std::tuple { o.entries()[3].second, o.entries()[39].second, o.entries()[4].second }),
        (std::tuple { JsonValue("late"), JsonValue("last"), JsonValue(4) }));
}

TEST(JsonParserErrors, EachMalformedTextHasItsCode)
{
    using Code = JsonParser::ErrorCode;
    const std::vector<std::pair<std::optional<Code>, std::vector<std::string>>> cases {
        { Code::Empty, { "", " \n\t" } },
        { Code::Truncated, { "{", "[1,", "{\"a\":", "{\"a\":[1,2]", "\"open", "[\"abc" } },
        { Code::TrailingGarbage, { "{} x", "[1]]", "\"a\" \"b\"", "1 2", "{\"a\":1}{}" } },
        { Code::InvalidUtf8, { "\"\xff\"", "[\"\xc3\"]", "{\"\xed\xa0\x80\":1}", "\"\xf8\x88\x80\x80\x80\"" } },
        { Code::Number, { "[1e400]" } },
        { std::nullopt, { "[1 2]", "{1:2}", "tru", "[,]", "{\"a\" 1}", "nul" } },
    };
    for (const auto& [code, texts] : cases) {
        for (const auto& text : texts) {
            SCOPED_TRACE(text);
            auto got = parseError(text);
            if (code) {
                EXPECT_EQ(got, *code);
            }
        }
    }
    // The error out-parameter may be left out.
    EXPECT_FALSE(JsonParser::parse("{").has_value());
}

TEST(JsonParserErrors, DepthLimitIsExactAndDeepTextGivesAnErrorNotACrash)
{
    ASSERT_EQ(JsonParser::maxDepth(), JsonParser::defaultMaxDepth);
    parseOk(nested(1024));
    EXPECT_EQ(parseError(nested(1025)), JsonParser::ErrorCode::TooDeep);
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += "{\"a\":";
    for (const auto& text : { std::string(100000, '['), nested(100000), objects })
        EXPECT_EQ(parseError(text), JsonParser::ErrorCode::TooDeep);
    JsonParser::setMaxDepth(3);
    parseOk(R"({"a":[{}]})");
    EXPECT_EQ(parseError(R"({"a":[{"b":1}, [[]]]})"), JsonParser::ErrorCode::TooDeep);
    JsonParser::setMaxDepth(JsonParser::defaultMaxDepth);
}

TEST(JsonWriterFormat, EscapesNumbersAndValuesWithoutJson)
{
    std::string s = "q\"b\\s/\n\r\t\b\f";
    s.push_back('\0');
    s += "\x1f\x7f\xc3\xa9\xf0\x9f\x98\x80";
    EXPECT_EQ(writeOk(JsonValue(s)), "\"q\\\"b\\\\s/\\n\\r\\t\\b\\f\\u0000\\u001f\x7f\xc3\xa9\xf0\x9f\x98\x80\"");
    EXPECT_EQ(parseOk(writeOk(JsonValue(s))).asString(), s);
    // Numbers are exact and doubles stay doubles across a round trip.
    auto a = JsonArray::create({ JsonValue(1.0), JsonValue(0.1), JsonValue(-0.0), JsonValue(1e21), JsonValue(5e-324),
        JsonValue(std::numeric_limits<long long>::min()), JsonValue(std::numeric_limits<unsigned long long>::max()),
        JsonValue(123456789.0) });
    std::string text = writeOk(a);
    EXPECT_EQ(text, "[1.0,0.1,-0.0,1e+21,5e-324,-9223372036854775808,18446744073709551615,123456789.0]");
    // Equality compares kinds, so the doubles written without a fraction must come back as doubles.
    JsonValue back = parseOk(text);
    EXPECT_EQ(back, JsonValue(a));
    EXPECT_TRUE(std::signbit(back.array()->at(2).asDouble()));
    // Non-finite numbers and opaque values become null; empty containers stay.
    auto o = JsonObject::create({ { "nan", std::nan("") }, { "inf", std::numeric_limits<double>::infinity() },
        { "img", JsonValue(std::make_shared<Opaque>()) }, { "a", JsonArray::create() }, { "b", JsonObject::create() } });
    EXPECT_EQ(writeOk(o), R"({"nan":null,"inf":null,"img":null,"a":[],"b":{}})");
    std::string out = "x=";
    EXPECT_TRUE(JsonWriter::writeTo(out, JsonValue(3)) && out == "x=3") << out;
}

TEST(JsonWriterLimits, CyclesDepthAndSharedNodes)
{
    auto o = JsonObject::create({ { "a", 1 } });
    auto list = JsonArray::create({ JsonValue(o) });
    o->set("list", list);
    std::string out;
    EXPECT_FALSE(JsonWriter::write(o) || JsonWriter::write(o, std::numeric_limits<size_t>::max()) || JsonWriter::writeTo(out, o));
    EXPECT_EQ(JsonWriter::describe(o), R"({"a":1,"list":[<cycle>]})");
    o->erase("list");
    auto leaf = JsonObject::create({ { "k", 1 } });
    EXPECT_EQ(writeOk(JsonArray::create({ JsonValue(leaf), JsonValue(leaf) })), R"([{"k":1},{"k":1}])");
    JsonValue v = parseOk(nested(1024));
    EXPECT_TRUE(writeOk(v) == nested(1024) && !JsonWriter::write(v, 1023));
    EXPECT_EQ(JsonWriter::write(parseOk("[[1]]"), 2).value_or(""), "[[1]]");
    EXPECT_EQ(JsonWriter::describe(JsonArray::create({ JsonValue(JsonArray::create({ 1 })) })), "[[1]]");
    JsonValue root = deepArray(200000);
    EXPECT_FALSE(JsonWriter::write(root).has_value());
    EXPECT_EQ(JsonWriter::write(root, std::numeric_limits<size_t>::max()).value_or("").size(), 400002u);
    EXPECT_EQ(JsonWriter::describe(root), std::string(1024, '[') + "<deep>" + std::string(1024, ']'));
}

TEST(JsonValueKinds, KindsAndTypedReads)
{
    // An unsigned value that fits a signed one is an Int, so equal numbers compare equal.
    EXPECT_EQ(std::make_pair(JsonValue(std::numeric_limits<unsigned long long>::max()).kind(), JsonValue(7ULL).kind()),
        std::make_pair(JsonValue::Kind::UInt, JsonValue::Kind::Int));
    EXPECT_EQ(JsonValue(7ULL), JsonValue(7));
    // Null pointers make null.
    for (const JsonValue& null : { JsonValue(JsonArrayPtr()), JsonValue(JsonObjectPtr()), JsonValue(OpaquePtr()) })
        EXPECT_TRUE(null.isNull());
    EXPECT_EQ(JsonValue(static_cast<const char*>(nullptr)).asString(), "");
    // Reads of another kind give the fallback; an Int is not a Bool.
    const JsonValue text("12"), five(5);
    EXPECT_EQ(std::make_tuple(text.asInt(-1), text.asDouble(-2), text.asBool(false), JsonValue(1).asBool(true)),
        std::make_tuple(-1, -2.0, false, true));
    EXPECT_TRUE(!five.string() && five.asString().empty() && !five.array() && !five.object());
    // Integer reads at the edges of their range; doubles truncate towards zero.
    constexpr auto maxU = std::numeric_limits<unsigned long long>::max();
    EXPECT_EQ(JsonValue(std::numeric_limits<long long>::min()).asInt(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(std::make_tuple(JsonValue(maxU).asInt(9), JsonValue(maxU).asUInt(), JsonValue(-1).asUInt(3)),
        std::make_tuple(int64_t(9), uint64_t(maxU), uint64_t(3)));
    EXPECT_EQ(std::make_tuple(JsonValue(2.9).asInt(), JsonValue(-2.9).asInt(), JsonValue(1e300).asInt(4),
                  JsonValue(std::numeric_limits<double>::quiet_NaN()).asInt(5), JsonValue(3).asDouble()),
        std::make_tuple(int64_t(2), int64_t(-2), int64_t(4), int64_t(5), 3.0));
}

TEST(JsonObjectOrder, EditsKeepKeyOrderAndEqualityIsDeep)
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
    EXPECT_EQ(std::make_pair(keys(), o->get("z").asInt()), std::make_pair(std::string("zamb"), int64_t(4)));
    EXPECT_EQ((std::tuple { o->erase("a"), o->erase("a"), keys() }), (std::tuple { true, false, std::string("zmb") }));
    o->set("a", 6);
    EXPECT_EQ(keys(), "zmba");
    // Lookup is exact; a missing key reads as null.
    EXPECT_TRUE(!o->find("Z") && o->get("Z").isNull() && o->contains("z"));
    auto a = JsonArray::create({ 1, 2 });
    a->insert(10, 3);
    EXPECT_EQ(a->at(2).asInt(), 3);
    a->erase(10);
    a->erase(0);
    EXPECT_EQ(JsonValue(a), JsonValue(JsonArray::create({ 2, 3 })));
    // Copies of a value share its array.
    JsonValue copy(a);
    copy.array()->insert(0, "first");
    EXPECT_EQ(a->at(0).asString(), "first");
    // Equality is deep and free of key order, by identity for opaques, and safe on cycles.
    auto x = JsonObject::create({ { "x", JsonArray::create({ 1, "s", nullptr }) }, { "y", true } });
    auto y = JsonObject::create({ { "y", true }, { "x", JsonArray::create({ 1, "s", nullptr }) } });
    EXPECT_EQ(JsonValue(x), JsonValue(y));
    y->get("x").array()->push_back(2.0);
    EXPECT_FALSE(JsonValue(x) == JsonValue(y));
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

TEST(JsonObjectOrder, NodePairsWhoseHashesCollideAreStillCompared)
{
    // Equality remembers compared node pairs by the hash 31 * a + b of their addresses. Arrays laid
    // side by side s bytes apart give such a collision: a = 0, c = s, d = 2s and b = 33s.
    std::vector<JsonArray> slots(34);
    auto at = [&](size_t i) { return JsonArrayPtr(std::shared_ptr<void>(), &slots[i]); };
    const JsonArrayPtr a = at(0), c = at(1), d = at(2), b = at(33);
    auto hash = [](const void* p, const void* q) { return std::hash<const void*>()(p) * 31 + std::hash<const void*>()(q); };
    ASSERT_EQ(hash(a.get(), b.get()), hash(c.get(), d.get()));
    // Whichever pair the walk reaches second differs: it must be compared, not taken as seen.
    for (const auto& differing : { c, a }) {
        differing->push_back(1);
        EXPECT_FALSE(JsonValue(JsonArray::create({ a, c })) == JsonValue(JsonArray::create({ b, d })));
        differing->clear();
    }
}

TEST(JsonValueDestruction, DeepChainsAreFreedWithoutRecursion)
{
    // Either chain would overflow the stack if freed recursively.
    JsonValue root = deepArray(1000000);
    root = JsonValue();
    EXPECT_TRUE(root.isNull());

    auto top = JsonObject::create();
    JsonObjectPtr object = top;
    for (int i = 0; i < 500000; ++i) {
        auto next = JsonObject::create();
        object->set("c", JsonArray::create({ JsonValue(next) }));
        object = next;
    }
    object.reset();
    top->erase("c");
    EXPECT_TRUE(top->empty());

    // A shared subtree outlives its parent.
    auto child = JsonObject::create({ { "k", 1 } });
    JsonArray::create({ JsonValue(child), JsonValue(child) }).reset();
    EXPECT_EQ(std::make_pair(child->get("k").asInt(), child.use_count()), std::make_pair(int64_t(1), 1L));
}

// Round-trip oracle: parse, write, parse, write; both writes are equal.

namespace {

class Generator {
public:
    explicit Generator(uint32_t seed) : m_random(seed) { }

    JsonValue value(int depth)
    {
        switch (pick(depth > 0 ? 9 : 7)) {
        case 0: return JsonValue();
        case 1: return JsonValue(pick(2) == 1);
        case 2: return JsonValue(static_cast<long long>(m_random()) - static_cast<long long>(m_random()) * 3);
        case 3: return JsonValue(static_cast<unsigned long long>(m_random()) << 32 | m_random() | 1ULL << 63);
        case 4: {
            double d;
            do {
                uint64_t bits = static_cast<uint64_t>(m_random()) << 32 | m_random();
                std::memcpy(&d, &bits, sizeof d);
            } while (!std::isfinite(d));
            return JsonValue(pick(2) ? d : static_cast<double>(static_cast<int>(m_random() % 2000) - 1000) / 8);
        }
        case 5:
        case 6: return JsonValue(text());
        case 7: {
            auto a = JsonArray::create();
            for (size_t n = pick(6); n > 0; --n)
                a->push_back(value(depth - 1));
            return JsonValue(a);
        }
        default: {
            auto o = JsonObject::create();
            for (size_t n = pick(6); n > 0; --n)
                o->set(text(), value(depth - 1));
            return JsonValue(o);
        }
        }
    }

    std::string text()
    {
        static const char* pieces[] = { "a", "Name", "\"", "\\", "/", "\n", "\x01", "\x1f", "\x7f", "\xc3\xa9",
            "\xe2\x82\xac", "\xf0\x9f\x98\x80", " ", "\\u0041", "0" };
        std::string s;
        for (size_t n = pick(8); n > 0; --n)
            s += pieces[pick(std::size(pieces))];
        return s;
    }

    size_t pick(size_t n) { return m_random() % n; }

private:
    std::mt19937 m_random;
};

// Returns false with a message when the oracle fails for a text that parsed.
::testing::AssertionResult roundTrips(const JsonValue& first)
{
    auto w1 = JsonWriter::write(first);
    if (!w1)
        return ::testing::AssertionFailure() << "parsed value cannot be written";
    Error error;
    auto second = JsonParser::parse(*w1, &error);
    if (!second)
        return ::testing::AssertionFailure() << "written text does not parse: " << error.localizedDescription << " in " << *w1;
    auto w2 = JsonWriter::write(*second);
    if (!w2 || *w2 != *w1)
        return ::testing::AssertionFailure() << "second write differs: " << *w1 << " vs " << w2.value_or("<none>");
    if (!(*second == first))
        return ::testing::AssertionFailure() << "value changed across a round trip: " << *w1;
    return ::testing::AssertionSuccess();
}

const char* seedTexts[] = {
    R"({"Message":{"AssetId":"12","Type":"Directory","Children":[{"Name":"a","Date":"2024-01-02 03:04:05","IsDeleted":"false","n":-3,"x":1.5e-7}]}})",
    R"([1,2.0,"s\u00e9\n",true,false,null,{"a":[[]],"b":{}},18446744073709551615,-9223372036854775808])",
    R"({"a":1,"a":2,"k":"\ud83d\ude00 \" \\ \/"})",
    R"("plain")",
    R"([[[[{"deep":[1,[2,[3]]]}]]]])",
};

} // namespace

TEST(JsonRoundTrip, GeneratedValues)
{
    Generator generator(20261207);
    for (int i = 0; i < 3000; ++i) {
        JsonValue v = generator.value(4);
        const std::string text = writeOk(v);
        JsonValue parsed = parseOk(text);
        ASSERT_TRUE(roundTrips(parsed)) << "value " << i;
        ASSERT_EQ(parsed, v) << text;
    }
}

TEST(JsonRoundTrip, MutatedTexts)
{
    Generator generator(7);
    size_t parsed = 0;
    size_t rejected = 0;
    const std::string alphabet = "{}[]\",:\\ 0123456789.eE+-tfnul\xc3\xa9\xff\x80\x01";
    for (const char* seed : seedTexts) {
        for (int i = 0; i < 2000; ++i) {
            std::string text = seed;
            for (size_t edits = 1 + generator.pick(3); edits > 0 && !text.empty(); --edits) {
                const size_t at = generator.pick(text.size());
                switch (generator.pick(4)) {
                case 0: text[at] = static_cast<char>(generator.pick(256)); break;
                case 1: text.insert(at, 1, alphabet[generator.pick(alphabet.size())]); break;
                case 2: text.erase(at, 1 + generator.pick(3)); break;
                default: text.insert(at, text.substr(at, generator.pick(8))); break;
                }
            }
            Error error;
            auto value = JsonParser::parse(text, &error);
            if (value) {
                ++parsed;
                ASSERT_TRUE(roundTrips(*value)) << "mutated text: " << text;
            } else {
                ++rejected;
                ASSERT_EQ(error.domain, "JSON") << text;
                ASSERT_NE(error.code, 0) << text;
            }
        }
    }
    // Both sides of the oracle are exercised.
    EXPECT_GT(parsed, 100u);
    EXPECT_GT(rejected, 100u);
}

TEST(JsonRoundTrip, CorpusReplays)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(__FILE__).parent_path() / "corpus" / "json")) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        std::stringstream buffer;
        buffer << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        const std::string text = buffer.str();
        const bool expectValid = entry.path().filename().string().rfind("valid_", 0) == 0;
        Error error;
        auto value = JsonParser::parse(text, &error);
        EXPECT_EQ(value.has_value(), expectValid) << entry.path() << ": " << error.localizedDescription;
        if (value)
            EXPECT_TRUE(roundTrips(*value)) << entry.path();
        else
            EXPECT_EQ(error.domain, "JSON");
    }
    EXPECT_GT(files, 0u);
}
