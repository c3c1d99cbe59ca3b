#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quindle {

class JsonArray;
class JsonObject;
using JsonArrayPtr = std::shared_ptr<JsonArray>;
using JsonObjectPtr = std::shared_ptr<JsonObject>;

/// A run-time value kept in a record that never goes on the wire (a decoded image, a control).
class Opaque {
public:
    virtual ~Opaque() = default;
};
using OpaquePtr = std::shared_ptr<Opaque>;

/// One JSON value. Scalars are held by value; arrays and objects are shared nodes, so every
/// copy of a JsonValue holding an object sees changes made in place through any other copy.
class JsonValue {
public:
    enum class Kind { Null, Bool, Int, UInt, Double, String, Array, Object, Opaque };

    JsonValue() noexcept : m_int(0) { }
    JsonValue(std::nullptr_t) noexcept : m_int(0) { }
    JsonValue(const JsonValue& other) { copyFrom(other); }
    JsonValue(JsonValue&& other) noexcept { moveFrom(other); }
    JsonValue& operator=(const JsonValue& other);
    JsonValue& operator=(JsonValue&& other) noexcept;
    ~JsonValue() { release(); }

    JsonValue(bool b);
    JsonValue(int i);
    JsonValue(long i);
    JsonValue(long long i);
    JsonValue(unsigned long long u);
    JsonValue(double d);
    JsonValue(std::string s);
    JsonValue(std::string_view s);
    JsonValue(const char* s);
    JsonValue(JsonArrayPtr a);
    JsonValue(JsonObjectPtr o);
    JsonValue(OpaquePtr o);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isBool() const { return m_kind == Kind::Bool; }
    bool isNumber() const { return m_kind == Kind::Int || m_kind == Kind::UInt || m_kind == Kind::Double; }
    bool isInteger() const { return m_kind == Kind::Int || m_kind == Kind::UInt; }
    bool isString() const { return m_kind == Kind::String; }
    bool isArray() const { return m_kind == Kind::Array; }
    bool isObject() const { return m_kind == Kind::Object; }
    bool isOpaque() const { return m_kind == Kind::Opaque; }

    /// Typed reads; each returns the fallback (or null pointer) when the kind differs.
    bool asBool(bool fallback = false) const;
    int64_t asInt(int64_t fallback = 0) const;    // Int, UInt in range, or Double truncated
    uint64_t asUInt(uint64_t fallback = 0) const; // UInt, or Int when not negative
    double asDouble(double fallback = 0) const;   // any number
    const std::string* string() const;            // nullptr unless String
    const std::string& asString() const;          // empty string unless String
    const JsonArrayPtr& array() const;            // null unless Array
    const JsonObjectPtr& object() const;          // null unless Object
    const OpaquePtr& opaque() const;              // null unless Opaque

    /// Deep structural equality (shared nodes compared by content; opaques by identity).
    bool operator==(const JsonValue& other) const;

private:

    // One member is alive at a time, chosen by m_kind: values stay small, which keeps large
    // graphs compact in memory.
    void copyFrom(const JsonValue& other);
    void moveFrom(JsonValue& other) noexcept; // leaves `other` null
    void release() noexcept
    {
        if (m_kind >= Kind::String)
            releaseHeld();
    }
    void releaseHeld() noexcept;

    Kind m_kind { Kind::Null };
    union {
        bool m_bool;
        int64_t m_int;
        uint64_t m_uint;
        double m_double;
        std::string m_string;
        JsonArrayPtr m_array;
        JsonObjectPtr m_object;
        OpaquePtr m_opaque;
    };
};

/// A JSON array node: shared and changed in place.
class JsonArray {
public:
    static JsonArrayPtr create() { return std::make_shared<JsonArray>(); }
    static JsonArrayPtr create(std::vector<JsonValue> items);
    JsonArray() = default;
    ~JsonArray();

    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const JsonValue& at(size_t i) const { return m_items.at(i); }
    JsonValue& at(size_t i) { return m_items.at(i); }
    void push_back(JsonValue v) { m_items.push_back(std::move(v)); }
    void insert(size_t index, JsonValue v);
    void erase(size_t index);
    void clear() { m_items.clear(); }
    void reserve(size_t n) { m_items.reserve(n); }
    std::vector<JsonValue>& items() { return m_items; }
    const std::vector<JsonValue>& items() const { return m_items; }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<JsonValue> m_items;
};

/// A JSON object node: keys kept in the order received, shared and changed in place.
class JsonObject {
public:
    using Entry = std::pair<std::string, JsonValue>;
    static JsonObjectPtr create() { return std::make_shared<JsonObject>(); }
    static JsonObjectPtr create(std::vector<Entry> entries);
    JsonObject() = default;
    ~JsonObject();

    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    /// The value under exactly this key, or nullptr.
    const JsonValue* find(std::string_view key) const;
    JsonValue* find(std::string_view key);
    /// The value under the key, or a null value when absent.
    const JsonValue& get(std::string_view key) const;
    /// Replaces the value in place (keeping its position) or appends a new key.
    void set(std::string_view key, JsonValue value);
    bool erase(std::string_view key);
    void clear();
    /// Appends without looking for an existing key; for parsers that already know keys are new.
    void appendUnchecked(std::string key, JsonValue value);
    void reserve(size_t n) { m_entries.reserve(n); }

    const std::vector<Entry>& entries() const { return m_entries; }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
};

} // namespace quindle
