#include "platform/JsonValue.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <ranges>
#include <unordered_set>

namespace quindle {

namespace {

const std::string emptyString;
const JsonArrayPtr nullArray;
const JsonObjectPtr nullObject;
const OpaquePtr nullOpaque;
const JsonValue nullValue;

} // namespace

JsonValue::JsonValue(bool b) : m_kind(Kind::Bool), m_int(0) { m_bool = b; }
JsonValue::JsonValue(int i) : m_kind(Kind::Int) { m_int = i; }
JsonValue::JsonValue(long i) : m_kind(Kind::Int) { m_int = i; }
JsonValue::JsonValue(long long i) : m_kind(Kind::Int) { m_int = i; }

// Unsigned values that fit a signed integer are kept as Int, so that equal numbers have one kind.
JsonValue::JsonValue(unsigned long long u)
    : m_int(0)
{
    if (u > static_cast<unsigned long long>(std::numeric_limits<int64_t>::max())) {
        m_kind = Kind::UInt;
        m_uint = u;
    } else {
        m_kind = Kind::Int;
        m_int = static_cast<int64_t>(u);
    }
}

JsonValue::JsonValue(double d) : m_kind(Kind::Double) { m_double = d; }
JsonValue::JsonValue(std::string s) : m_kind(Kind::String), m_string(std::move(s)) { }
JsonValue::JsonValue(std::string_view s) : m_kind(Kind::String), m_string(s) { }
JsonValue::JsonValue(const char* s) : m_kind(Kind::String), m_string(s ? s : "") { }

// A null pointer makes a null value, never an array or object without a node.
JsonValue::JsonValue(JsonArrayPtr a)
    : m_int(0)
{
    if (a) {
        m_kind = Kind::Array;
        new (&m_array) JsonArrayPtr(std::move(a));
    }
}

JsonValue::JsonValue(JsonObjectPtr o)
    : m_int(0)
{
    if (o) {
        m_kind = Kind::Object;
        new (&m_object) JsonObjectPtr(std::move(o));
    }
}

JsonValue::JsonValue(OpaquePtr o)
    : m_int(0)
{
    if (o) {
        m_kind = Kind::Opaque;
        new (&m_opaque) OpaquePtr(std::move(o));
    }
}

void JsonValue::copyFrom(const JsonValue& other)
{
    switch (other.m_kind) {
    case Kind::String:
        new (&m_string) std::string(other.m_string);
        break;
    case Kind::Array:
        new (&m_array) JsonArrayPtr(other.m_array);
        break;
    case Kind::Object:
        new (&m_object) JsonObjectPtr(other.m_object);
        break;
    case Kind::Opaque:
        new (&m_opaque) OpaquePtr(other.m_opaque);
        break;
    case Kind::Bool:
        m_bool = other.m_bool;
        break;
    case Kind::Double:
        m_double = other.m_double;
        break;
    default:
        m_uint = other.m_uint;
        break;
    }
    m_kind = other.m_kind;
}

void JsonValue::moveFrom(JsonValue& other) noexcept
{
    switch (other.m_kind) {
    case Kind::String:
        new (&m_string) std::string(std::move(other.m_string));
        break;
    case Kind::Array:
        new (&m_array) JsonArrayPtr(std::move(other.m_array));
        break;
    case Kind::Object:
        new (&m_object) JsonObjectPtr(std::move(other.m_object));
        break;
    case Kind::Opaque:
        new (&m_opaque) OpaquePtr(std::move(other.m_opaque));
        break;
    case Kind::Bool:
        m_bool = other.m_bool;
        break;
    case Kind::Double:
        m_double = other.m_double;
        break;
    default:
        m_uint = other.m_uint;
        break;
    }
    m_kind = other.m_kind;
    other.release();
    other.m_kind = Kind::Null;
    other.m_int = 0;
}

void JsonValue::releaseHeld() noexcept
{
    switch (m_kind) {
    case Kind::String:
        m_string.~basic_string();
        break;
    case Kind::Array:
        m_array.~shared_ptr();
        break;
    case Kind::Object:
        m_object.~shared_ptr();
        break;
    case Kind::Opaque:
        m_opaque.~shared_ptr();
        break;
    default:
        break;
    }
}

// Both assignments build the new value first: the old one may be the last holder of the
// graph that `other` lives in.
JsonValue& JsonValue::operator=(const JsonValue& other)
{
    if (this != &other) {
        JsonValue copy(other);
        release();
        moveFrom(copy);
    }
    return *this;
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept
{
    if (this != &other) {
        JsonValue taken(std::move(other));
        release();
        moveFrom(taken);
    }
    return *this;
}

bool JsonValue::asBool(bool fallback) const
{
    return m_kind == Kind::Bool ? m_bool : fallback;
}

int64_t JsonValue::asInt(int64_t fallback) const
{
    switch (m_kind) {
    case Kind::Int:
        return m_int;
    case Kind::UInt:
        return fallback;
    case Kind::Double:
        // Truncating NaN or a value outside int64 is undefined; those give the fallback.
        if (std::isnan(m_double) || m_double >= 9223372036854775808.0 || m_double < -9223372036854775808.0)
            return fallback;
        return static_cast<int64_t>(m_double);
    default:
        return fallback;
    }
}

uint64_t JsonValue::asUInt(uint64_t fallback) const
{
    if (m_kind == Kind::UInt)
        return m_uint;
    if (m_kind == Kind::Int && m_int >= 0)
        return static_cast<uint64_t>(m_int);
    return fallback;
}

double JsonValue::asDouble(double fallback) const
{
    switch (m_kind) {
    case Kind::Int:
        return static_cast<double>(m_int);
    case Kind::UInt:
        return static_cast<double>(m_uint);
    case Kind::Double:
        return m_double;
    default:
        return fallback;
    }
}

const std::string* JsonValue::string() const
{
    return m_kind == Kind::String ? &m_string : nullptr;
}

const std::string& JsonValue::asString() const
{
    return m_kind == Kind::String ? m_string : emptyString;
}

const JsonArrayPtr& JsonValue::array() const
{
    return m_kind == Kind::Array ? m_array : nullArray;
}

const JsonObjectPtr& JsonValue::object() const
{
    return m_kind == Kind::Object ? m_object : nullObject;
}

const OpaquePtr& JsonValue::opaque() const
{
    return m_kind == Kind::Opaque ? m_opaque : nullOpaque;
}

namespace {

struct NodePair {
    const void* a;
    const void* b;
    bool operator==(const NodePair&) const = default;
};

struct NodePairHash {
    size_t operator()(const NodePair& p) const
    {
        return std::hash<const void*>()(p.a) * 31 + std::hash<const void*>()(p.b);
    }
};

} // namespace

// Compares with an explicit work list so that deep graphs cannot exhaust the stack. Node pairs
// already under comparison are taken as equal, which ends the walk on cyclic graphs.
bool JsonValue::operator==(const JsonValue& other) const
{
    std::vector<std::pair<const JsonValue*, const JsonValue*>> work { { this, &other } };
    std::unordered_set<NodePair, NodePairHash> seen;
    while (!work.empty()) {
        auto [a, b] = work.back();
        work.pop_back();
        if (a->m_kind != b->m_kind)
            return false;
        switch (a->m_kind) {
        case Kind::Null:
            break;
        case Kind::Bool:
            if (a->m_bool != b->m_bool)
                return false;
            break;
        case Kind::Int:
            if (a->m_int != b->m_int)
                return false;
            break;
        case Kind::UInt:
            if (a->m_uint != b->m_uint)
                return false;
            break;
        case Kind::Double:
            if (a->m_double != b->m_double)
                return false;
            break;
        case Kind::String:
            if (a->m_string != b->m_string)
                return false;
            break;
        case Kind::Opaque:
            if (a->m_opaque != b->m_opaque)
                return false;
            break;
        case Kind::Array: {
            const JsonArray& x = *a->m_array;
            const JsonArray& y = *b->m_array;
            if (&x == &y || !seen.insert({ &x, &y }).second)
                break;
            if (x.size() != y.size())
                return false;
            for (size_t i = 0; i < x.size(); ++i)
                work.emplace_back(&x.at(i), &y.at(i));
            break;
        }
        case Kind::Object: {
            const JsonObject& x = *a->m_object;
            const JsonObject& y = *b->m_object;
            if (&x == &y || !seen.insert({ &x, &y }).second)
                break;
            if (x.size() != y.size())
                return false;
            // Key order does not matter for equality; keys are unique within an object.
            for (const auto& [key, value] : x) {
                const JsonValue* match = y.find(key);
                if (!match)
                    return false;
                work.emplace_back(&value, match);
            }
            break;
        }
        }
    }
    return true;
}

namespace {

// Nodes are freed by plain recursion down to a fixed depth; the containers below that are
// handed to a per-thread list that the outermost destructor empties in a loop, so no
// destruction runs deeper than the limit. Only a node whose own destructor runs is taken
// apart: how many others hold a node is never looked at, since another thread may be
// letting go of it at the same moment.
constexpr int maxDestructionDepth = 64;
thread_local int t_destructionDepth = 0;
thread_local std::vector<JsonValue> t_deferredValues;

template<typename Children>
void disposeChildren(Children& children)
{
    if (t_destructionDepth >= maxDestructionDepth) {
        for (JsonValue& child : children)
            if (child.isArray() || child.isObject())
                t_deferredValues.push_back(std::move(child));
        return;
    }
    ++t_destructionDepth;
    for (JsonValue& child : children)
        JsonValue gone = std::move(child);
    if (t_destructionDepth == 1) {
        while (!t_deferredValues.empty()) {
            JsonValue gone = std::move(t_deferredValues.back());
            t_deferredValues.pop_back();
        }
    }
    --t_destructionDepth;
}

} // namespace

JsonArrayPtr JsonArray::create(std::vector<JsonValue> items)
{
    auto array = create();
    array->m_items = std::move(items);
    return array;
}

void JsonArray::insert(size_t index, JsonValue v)
{
    if (index > m_items.size())
        index = m_items.size();
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(v));
}

void JsonArray::erase(size_t index)
{
    if (index < m_items.size())
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
}

JsonObjectPtr JsonObject::create(std::vector<Entry> entries)
{
    auto object = create();
    for (auto& [key, value] : entries)
        object->set(key, std::move(value));
    return object;
}

const JsonValue* JsonObject::find(std::string_view key) const
{
    for (const auto& entry : m_entries) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

JsonValue* JsonObject::find(std::string_view key)
{
    for (auto& entry : m_entries) {
        if (entry.first == key)
            return &entry.second;
    }
    return nullptr;
}

const JsonValue& JsonObject::get(std::string_view key) const
{
    const JsonValue* value = find(key);
    return value ? *value : nullValue;
}

void JsonObject::set(std::string_view key, JsonValue value)
{
    if (JsonValue* existing = find(key)) {
        *existing = std::move(value);
        return;
    }
    m_entries.emplace_back(std::string(key), std::move(value));
}

bool JsonObject::erase(std::string_view key)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->first == key) {
            m_entries.erase(it);
            return true;
        }
    }
    return false;
}

void JsonObject::clear()
{
    m_entries.clear();
}

void JsonObject::appendUnchecked(std::string key, JsonValue value)
{
    m_entries.emplace_back(std::move(key), std::move(value));
}

JsonArray::~JsonArray()
{
    disposeChildren(m_items);
}

JsonObject::~JsonObject()
{
    auto values = m_entries | std::views::values;
    disposeChildren(values);
}

} // namespace quindle
