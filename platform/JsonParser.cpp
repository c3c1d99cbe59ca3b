#include "platform/JsonParser.h"

#include <simdjson.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quindle {

namespace {

std::atomic<size_t> s_maxDepth { JsonParser::defaultMaxDepth };

// Objects with more keys than this find duplicates through a map instead of a linear scan.
constexpr size_t linearKeyScanLimit = 16;

void setError(Error* error, JsonParser::ErrorCode code, std::string description)
{
    if (!error)
        return;
    error->domain = JsonParser::errorDomain;
    error->code = static_cast<long>(code);
    error->localizedDescription = std::move(description);
}

JsonParser::ErrorCode codeFor(simdjson::error_code code)
{
    using C = JsonParser::ErrorCode;
    switch (code) {
    case simdjson::EMPTY:
        return C::Empty;
    case simdjson::UTF8_ERROR:
        return C::InvalidUtf8;
    case simdjson::DEPTH_ERROR:
        return C::TooDeep;
    case simdjson::INCOMPLETE_ARRAY_OR_OBJECT:
    case simdjson::UNCLOSED_STRING:
        return C::Truncated;
    case simdjson::TRAILING_CONTENT:
        return C::TrailingGarbage;
    case simdjson::NUMBER_ERROR:
    case simdjson::NUMBER_OUT_OF_RANGE:
        return C::Number;
    case simdjson::MEMALLOC:
    case simdjson::CAPACITY:
        return C::Memory;
    default:
        return C::Syntax;
    }
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The document parser names a broken structure only generically and reports a text that ends
// early before one nested too deep; a quick scan of the text tells which fault comes first:
// nesting beyond the limit, a text that stops inside a value, or something after the value.
JsonParser::ErrorCode classifyStructure(std::string_view text, size_t depthLimit)
{
    using C = JsonParser::ErrorCode;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    size_t depth = 0;
    bool inString = false;
    bool sawValue = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            if (!inString && depth == 0) {
                ++i;
                sawValue = true;
                break;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > depthLimit)
                return C::TooDeep;
        } else if (c == ']' || c == '}') {
            if (depth == 0)
                return C::Syntax;
            if (--depth == 0) {
                ++i;
                sawValue = true;
                break;
            }
        } else if (depth == 0) {
            // A bare scalar at the top: it ends at the first blank or structural character.
            while (i < n && !isBlank(text[i]) && text[i] != '[' && text[i] != '{' && text[i] != '"'
                && text[i] != ']' && text[i] != '}' && text[i] != ',' && text[i] != ':')
                ++i;
            sawValue = true;
            break;
        }
    }
    if (!sawValue)
        return C::Truncated;
    while (i < n && isBlank(text[i]))
        ++i;
    return i < n ? C::TrailingGarbage : C::Syntax;
}

// One open array or object while the document is walked.
struct Frame {
    simdjson::dom::array::iterator arrayAt;
    simdjson::dom::array::iterator arrayEnd;
    simdjson::dom::object::iterator objectAt;
    simdjson::dom::object::iterator objectEnd;
    JsonArray* array { nullptr };
    JsonObject* object { nullptr };
    // The keys of a large object, so that duplicates are found without a scan.
    std::unique_ptr<std::unordered_map<std::string, size_t>> keys;
};

JsonValue scalar(simdjson::dom::element element)
{
    using T = simdjson::dom::element_type;
    switch (element.type()) {
    case T::INT64:
        return JsonValue(static_cast<long long>(int64_t(element)));
    case T::UINT64:
        return JsonValue(static_cast<unsigned long long>(uint64_t(element)));
    case T::DOUBLE:
        return JsonValue(double(element));
    case T::STRING:
        return JsonValue(std::string_view(element));
    case T::BOOL:
        return JsonValue(bool(element));
    default:
        return JsonValue();
    }
}

// Builds the value of `element` if it is a scalar; for a container makes the node, returns
// it as the value and pushes a frame so that the walk fills it.
JsonValue start(simdjson::dom::element element, std::vector<Frame>& stack)
{
    using T = simdjson::dom::element_type;
    if (element.type() == T::ARRAY) {
        simdjson::dom::array source = element.get_array().value_unsafe();
        auto node = JsonArray::create();
        node->reserve(source.size());
        Frame frame;
        frame.arrayAt = source.begin();
        frame.arrayEnd = source.end();
        frame.array = node.get();
        stack.push_back(std::move(frame));
        return JsonValue(std::move(node));
    }
    if (element.type() == T::OBJECT) {
        simdjson::dom::object source = element.get_object().value_unsafe();
        auto node = JsonObject::create();
        node->reserve(source.size());
        Frame frame;
        frame.objectAt = source.begin();
        frame.objectEnd = source.end();
        frame.object = node.get();
        stack.push_back(std::move(frame));
        return JsonValue(std::move(node));
    }
    return scalar(element);
}

// Stores a member, the last of duplicate keys winning in the position of the first.
void addMember(Frame& frame, std::string_view key, JsonValue value)
{
    JsonObject& object = *frame.object;
    if (!frame.keys) {
        if (JsonValue* existing = object.find(key)) {
            *existing = std::move(value);
            return;
        }
        object.appendUnchecked(std::string(key), std::move(value));
        if (object.size() > linearKeyScanLimit) {
            frame.keys = std::make_unique<std::unordered_map<std::string, size_t>>();
            size_t index = 0;
            for (const auto& entry : object.entries())
                frame.keys->emplace(entry.first, index++);
        }
        return;
    }
    if (!frame.keys->emplace(std::string(key), object.size()).second) {
        *object.find(key) = std::move(value);
        return;
    }
    object.appendUnchecked(std::string(key), std::move(value));
}

simdjson::dom::parser& threadParser()
{
    thread_local simdjson::dom::parser parser;
    return parser;
}

} // namespace

void JsonParser::setMaxDepth(size_t depth)
{
    s_maxDepth = depth;
}

size_t JsonParser::maxDepth()
{
    return s_maxDepth;
}

std::optional<JsonValue> JsonParser::parse(std::string_view text, Error* error)
{
    const size_t depthLimit = maxDepth();
    simdjson::dom::parser& parser = threadParser();
    // The document's own depth counts the root; one more level than ours lets our walk decide.
    const size_t wantedDepth = depthLimit + 1;
    if (parser.max_depth() != wantedDepth || parser.capacity() < text.size()) {
        if (auto code = parser.allocate(std::max(text.size(), parser.capacity()), wantedDepth)) {
            setError(error, codeFor(code), simdjson::error_message(code));
            return std::nullopt;
        }
    }
    simdjson::dom::element root;
    if (auto code = parser.parse(text.data(), text.size()).get(root)) {
        ErrorCode ours = codeFor(code);
        if (ours == ErrorCode::Syntax || ours == ErrorCode::Truncated) {
            const ErrorCode found = classifyStructure(text, depthLimit);
            if (ours == ErrorCode::Syntax || found == ErrorCode::TooDeep)
                ours = found;
        }
        setError(error, ours, simdjson::error_message(code));
        return std::nullopt;
    }

    std::vector<Frame> stack;
    JsonValue result = start(root, stack);
    if (stack.size() > depthLimit) {
        setError(error, ErrorCode::TooDeep, "JSON nested deeper than the limit");
        return std::nullopt;
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.array) {
            if (!(frame.arrayAt != frame.arrayEnd)) {
                stack.pop_back();
                continue;
            }
            simdjson::dom::element element = *frame.arrayAt;
            ++frame.arrayAt;
            JsonArray* array = frame.array;
            array->push_back(start(element, stack));
        } else {
            if (!(frame.objectAt != frame.objectEnd)) {
                stack.pop_back();
                continue;
            }
            std::string_view key = frame.objectAt.key();
            simdjson::dom::element element = frame.objectAt.value();
            ++frame.objectAt;
            const size_t index = stack.size() - 1;
            JsonValue value = start(element, stack);
            addMember(stack[index], key, std::move(value));
        }
        if (stack.size() > depthLimit) {
            setError(error, ErrorCode::TooDeep, "JSON nested deeper than the limit");
            return std::nullopt;
        }
    }
    return result;
}

} // namespace quindle
