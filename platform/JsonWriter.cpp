#include "platform/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_set>
#include <vector>

namespace quindle {

namespace {

// Below this depth cycles are looked for by scanning the open containers; deeper ones are
// also kept in a set, so that deep graphs are not scanned quadratically.
constexpr size_t scanDepth = 64;

enum class Mode { Strict, Describe };

constexpr const char* cycleMarker = "<cycle>";
constexpr const char* deepMarker = "<deep>";

void appendEscaped(std::string& out, const std::string& s)
{
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    const char* data = s.data();
    const size_t size = s.size();
    size_t run = 0;
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(data + run, i - run);
        run = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        default: {
            const char escape[6] = { '\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF] };
            out.append(escape, 6);
            break;
        }
        }
    }
    out.append(data + run, size - run);
    out.push_back('"');
}

void appendDouble(std::string& out, double d)
{
    if (!std::isfinite(d)) {
        out.append("null");
        return;
    }
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
    out.append(text);
    // Integral doubles keep a fraction so that they read back as doubles.
    if (text.find_first_of(".e") == std::string_view::npos)
        out.append(".0");
}

template<typename Int>
void appendInteger(std::string& out, Int value)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}

struct Frame {
    const JsonArray* array { nullptr };
    const JsonObject* object { nullptr };
    size_t index { 0 };
    const void* node() const { return array ? static_cast<const void*>(array) : object; }
};

class Serialiser {
public:
    Serialiser(std::string& out, size_t maxDepth, Mode mode)
        : m_out(out)
        , m_maxDepth(maxDepth)
        , m_mode(mode)
    {
    }

    bool run(const JsonValue& root)
    {
        if (!value(root))
            return false;
        while (!m_stack.empty()) {
            Frame& frame = m_stack.back();
            if (frame.array) {
                if (frame.index == frame.array->size()) {
                    m_out.push_back(']');
                    pop();
                    continue;
                }
                if (frame.index > 0)
                    m_out.push_back(',');
                const JsonValue& item = frame.array->at(frame.index++);
                if (!value(item))
                    return false;
            } else {
                const auto& entries = frame.object->entries();
                if (frame.index == entries.size()) {
                    m_out.push_back('}');
                    pop();
                    continue;
                }
                if (frame.index > 0)
                    m_out.push_back(',');
                const auto& entry = entries[frame.index++];
                appendEscaped(m_out, entry.first);
                m_out.push_back(':');
                if (!value(entry.second))
                    return false;
            }
        }
        return true;
    }

private:
    // Writes a scalar, or opens a container and leaves its members to the loop.
    bool value(const JsonValue& v)
    {
        switch (v.kind()) {
        case JsonValue::Kind::Null:
        case JsonValue::Kind::Opaque:
            m_out.append("null");
            return true;
        case JsonValue::Kind::Bool:
            m_out.append(v.asBool() ? "true" : "false");
            return true;
        case JsonValue::Kind::Int:
            appendInteger(m_out, v.asInt());
            return true;
        case JsonValue::Kind::UInt:
            appendInteger(m_out, v.asUInt());
            return true;
        case JsonValue::Kind::Double:
            appendDouble(m_out, v.asDouble());
            return true;
        case JsonValue::Kind::String:
            appendEscaped(m_out, v.asString());
            return true;
        case JsonValue::Kind::Array:
            return open(Frame { v.array().get(), nullptr, 0 });
        case JsonValue::Kind::Object:
            return open(Frame { nullptr, v.object().get(), 0 });
        }
        return false;
    }

    bool open(Frame frame)
    {
        if (onPath(frame.node())) {
            if (m_mode == Mode::Strict)
                return false;
            m_out.append(cycleMarker);
            return true;
        }
        if (m_stack.size() >= m_maxDepth) {
            if (m_mode == Mode::Strict)
                return false;
            m_out.append(deepMarker);
            return true;
        }
        m_out.push_back(frame.array ? '[' : '{');
        if (m_stack.size() >= scanDepth)
            m_deepNodes.insert(frame.node());
        m_stack.push_back(frame);
        return true;
    }

    void pop()
    {
        if (m_stack.size() > scanDepth)
            m_deepNodes.erase(m_stack.back().node());
        m_stack.pop_back();
    }

    bool onPath(const void* node) const
    {
        const size_t scanned = std::min(m_stack.size(), scanDepth);
        for (size_t i = 0; i < scanned; ++i) {
            if (m_stack[i].node() == node)
                return true;
        }
        return !m_deepNodes.empty() && m_deepNodes.count(node) > 0;
    }

    std::string& m_out;
    size_t m_maxDepth;
    Mode m_mode;
    std::vector<Frame> m_stack;
    std::unordered_set<const void*> m_deepNodes;
};

} // namespace

std::optional<std::string> JsonWriter::write(const JsonValue& value, size_t maxDepth)
{
    std::string out;
    if (!writeTo(out, value, maxDepth))
        return std::nullopt;
    return out;
}

bool JsonWriter::writeTo(std::string& out, const JsonValue& value, size_t maxDepth)
{
    return Serialiser(out, maxDepth, Mode::Strict).run(value);
}

std::string JsonWriter::describe(const JsonValue& value)
{
    std::string out;
    Serialiser(out, defaultMaxDepth, Mode::Describe).run(value);
    return out;
}

} // namespace quindle
