#include "forms/Expression.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace quindle {

namespace {

/// A parsed expression. Calls keep their argument unevaluated, so that "and:" can skip it.
struct Node {
    enum class Kind { Number, String, Word, Negate, Add, Subtract, Multiply, Divide, Call };
    Kind kind = Kind::Number;
    double number = 0;
    std::string text; ///< a string literal, or a call's selector
    std::unique_ptr<Node> left, right;
};

using NodePtr = std::unique_ptr<Node>;

class Parser {
public:
    explicit Parser(std::string_view text)
        : m_text(text)
    {
    }

    /// The whole text as one expression, or null when any of it does not parse.
    NodePtr parseAll()
    {
        NodePtr node = sum();
        skipSpace();
        return node && m_at == m_text.size() ? std::move(node) : nullptr;
    }

private:
    NodePtr make(Node::Kind kind, NodePtr left = nullptr, NodePtr right = nullptr)
    {
        // Long chains ("1+1+...") nest as deep as they are long: the parse stops at the node
        // limit, which bounds the recursion of evaluation and destruction too.
        if (++m_nodes > Expression::maxNodes)
            return nullptr;
        auto node = std::make_unique<Node>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    void skipSpace()
    {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n' || m_text[m_at] == '\r'))
            ++m_at;
    }

    bool take(char c)
    {
        skipSpace();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    /// Guards the recursion: nesting past maxDepth fails the parse instead of the stack.
    struct Depth {
        explicit Depth(int& depth)
            : m_depth(depth)
        {
            ++m_depth;
        }
        ~Depth() { --m_depth; }
        bool tooDeep() const { return m_depth > Expression::maxDepth; }
        int& m_depth;
    };

    NodePtr sum()
    {
        Depth depth(m_depth);
        if (depth.tooDeep())
            return nullptr;
        NodePtr left = product();
        while (left) {
            if (take('+'))
                left = make(Node::Kind::Add, std::move(left), product());
            else if (take('-'))
                left = make(Node::Kind::Subtract, std::move(left), product());
            else
                break;
            if (!left || !left->right)
                return nullptr;
        }
        return left;
    }

    NodePtr product()
    {
        NodePtr left = unary();
        while (left) {
            if (take('*'))
                left = make(Node::Kind::Multiply, std::move(left), unary());
            else if (take('/'))
                left = make(Node::Kind::Divide, std::move(left), unary());
            else
                break;
            if (!left || !left->right)
                return nullptr;
        }
        return left;
    }

    NodePtr unary()
    {
        Depth depth(m_depth);
        if (depth.tooDeep())
            return nullptr;
        if (take('-')) {
            NodePtr operand = unary();
            return operand ? make(Node::Kind::Negate, std::move(operand)) : nullptr;
        }
        if (take('+'))
            return unary();
        return primary();
    }

    static bool isWordByte(char c, bool first)
    {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x80 || std::isalpha(u) || c == '_' || (!first && std::isdigit(u));
    }

    NodePtr primary()
    {
        skipSpace();
        if (m_at >= m_text.size())
            return nullptr;
        const char c = m_text[m_at];
        if (c == '(') {
            ++m_at;
            NodePtr inner = sum();
            return inner && take(')') ? std::move(inner) : nullptr;
        }
        if (c == '\'' || c == '"')
            return string();
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            return number();
        if (!isWordByte(c, true))
            return nullptr;
        const size_t start = m_at;
        while (m_at < m_text.size() && isWordByte(m_text[m_at], false))
            ++m_at;
        std::string_view word = m_text.substr(start, m_at - start);
        if (word == "FUNCTION" && take('('))
            return call();
        NodePtr node = make(Node::Kind::Word);
        if (!node)
            return nullptr;
        node->text = std::string(word);
        return node;
    }

    NodePtr string()
    {
        const char quote = m_text[m_at++];
        const size_t end = m_text.find(quote, m_at);
        if (end == std::string_view::npos)
            return nullptr;
        NodePtr node = make(Node::Kind::String);
        if (!node)
            return nullptr;
        node->text = std::string(m_text.substr(m_at, end - m_at));
        m_at = end + 1;
        return node;
    }

    NodePtr number()
    {
        const size_t start = m_at;
        auto digits = [&] {
            const size_t from = m_at;
            while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at])))
                ++m_at;
            return m_at > from;
        };
        bool any = digits();
        if (m_at < m_text.size() && m_text[m_at] == '.') {
            ++m_at;
            any = digits() || any;
        }
        if (!any)
            return nullptr;
        // An exponent, as recorded numbers may be written ("1e+20").
        if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            const size_t mark = m_at++;
            if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-'))
                ++m_at;
            if (!digits())
                m_at = mark;
        }
        NodePtr node = make(Node::Kind::Number);
        if (!node)
            return nullptr;
        const std::string literal(m_text.substr(start, m_at - start));
        node->number = std::strtod(literal.c_str(), nullptr);
        return node;
    }

    /// After "FUNCTION(": receiver, 'selector', argument).
    NodePtr call()
    {
        NodePtr receiver = sum();
        if (!receiver || !take(','))
            return nullptr;
        skipSpace();
        if (m_at >= m_text.size() || (m_text[m_at] != '\'' && m_text[m_at] != '"'))
            return nullptr;
        NodePtr selector = string();
        if (!selector || !take(','))
            return nullptr;
        NodePtr argument = sum();
        if (!argument || !take(')'))
            return nullptr;
        NodePtr node = make(Node::Kind::Call, std::move(receiver), std::move(argument));
        if (!node)
            return nullptr;
        node->text = std::move(selector->text);
        return node;
    }

    std::string_view m_text;
    size_t m_at = 0;
    int m_depth = 0;
    size_t m_nodes = 0;
};

using Value = std::optional<ExpressionValue>;

/// A string's leading number, 0 when it has none (how a string argument reads as a number).
double leadingNumber(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

std::optional<double> numberOf(const Value& value)
{
    if (!value)
        return std::nullopt;
    if (auto* number = std::get_if<double>(&*value))
        return *number;
    return leadingNumber(std::get<std::string>(*value));
}

Value finite(double x)
{
    return std::isfinite(x) ? Value(x) : std::nullopt;
}

Value evaluate(const Node& node);

Value call(const Node& node)
{
    const Value receiver = evaluate(*node.left);
    if (!receiver)
        return std::nullopt;
    const std::string& selector = node.text;
    if (selector == "dd_isEqual:") {
        const Value argument = evaluate(*node.right);
        if (!argument)
            return std::nullopt;
        return Expression::text(*receiver) == Expression::text(*argument) ? 1.0 : 0.0;
    }
    // The other functions take a number receiver.
    const double* r = std::get_if<double>(&*receiver);
    if (!r)
        return std::nullopt;
    if (selector == "and:") {
        if (*r == 0)
            return 0.0; // the argument is not examined
        const std::optional<double> a = numberOf(evaluate(*node.right));
        return a ? Value(*a != 0 ? 1.0 : 0.0) : std::nullopt;
    }
    const std::optional<double> a = numberOf(evaluate(*node.right));
    if (!a)
        return std::nullopt;
    if (selector == "smallerThan:")
        return *r < *a ? 1.0 : 0.0;
    if (selector == "smallerThanEqual:")
        return *r <= *a ? 1.0 : 0.0;
    if (selector == "greaterThan:")
        return *r > *a ? 1.0 : 0.0;
    if (selector == "greaterThanEqual:")
        return *r >= *a ? 1.0 : 0.0;
    if (selector == "factorial:")
        return finite(std::tgamma(*r + 1) + std::trunc(*a));
    return std::nullopt;
}

Value evaluate(const Node& node)
{
    switch (node.kind) {
    case Node::Kind::Number:
        return finite(node.number); // a literal past the double range reads as infinity
    case Node::Kind::String:
        return node.text;
    case Node::Kind::Word:
        return std::nullopt; // a word that no key replaced has no value
    case Node::Kind::Call:
        return call(node);
    case Node::Kind::Negate: {
        const Value operand = evaluate(*node.left);
        const double* x = operand ? std::get_if<double>(&*operand) : nullptr;
        return x ? Value(-*x) : std::nullopt;
    }
    default:
        break;
    }
    const Value left = evaluate(*node.left);
    const Value right = evaluate(*node.right);
    const double* x = left ? std::get_if<double>(&*left) : nullptr;
    const double* y = right ? std::get_if<double>(&*right) : nullptr;
    if (!x || !y)
        return std::nullopt;
    switch (node.kind) {
    case Node::Kind::Add: return finite(*x + *y);
    case Node::Kind::Subtract: return finite(*x - *y);
    case Node::Kind::Multiply: return finite(*x * *y);
    default: return *y == 0 ? std::nullopt : finite(*x / *y);
    }
}

} // namespace

std::optional<ExpressionValue> Expression::evaluate(std::string_view text)
{
    if (text.size() > maxLength)
        return std::nullopt;
    NodePtr tree = Parser(text).parseAll();
    return tree ? quindle::evaluate(*tree) : std::nullopt;
}

bool Expression::isTrue(const std::optional<ExpressionValue>& value)
{
    const double* number = value ? std::get_if<double>(&*value) : nullptr;
    return number && *number != 0;
}

std::string Expression::text(const ExpressionValue& value)
{
    if (auto* s = std::get_if<std::string>(&value))
        return *s;
    const double x = std::get<double>(value);
    if (x == std::trunc(x) && std::fabs(x) < 9007199254740992.0)
        return std::to_string(static_cast<long long>(x));
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

} // namespace quindle
