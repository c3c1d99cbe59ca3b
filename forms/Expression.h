#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quindle {

/// What an expression yields: a number or a string.
using ExpressionValue = std::variant<double, std::string>;

/// The language of computed and conditional entries, after key substitution and rewriting:
/// number literals, string literals in single or double quotes, + - * / with the usual
/// precedence, unary minus, parentheses, and FUNCTION(receiver, 'selector', argument) with
/// the selectors smallerThan:, smallerThanEqual:, greaterThan:, greaterThanEqual:, and:,
/// factorial: (number receivers) and dd_isEqual: (string receivers). Arithmetic is in double
/// precision; a comparison yields 1 or 0.
///
/// Anything else yields nothing: text that does not parse, a bare word, division by zero, a
/// result that is not finite, arithmetic on a string, an unknown selector, input over
/// `maxLength`, nested deeper than `maxDepth` or made of more than `maxNodes` parts. Evaluation
/// never throws.
class Expression {
public:
    static constexpr size_t maxLength = 64 * 1024;
    static constexpr int maxDepth = 200;
    static constexpr size_t maxNodes = 2000;

    static std::optional<ExpressionValue> evaluate(std::string_view text);
    /// A number is true when it is not zero; a string is never true.
    static bool isTrue(const std::optional<ExpressionValue>& value);
    /// The text a computed entry records: an integral number without a decimal point, otherwise
    /// the shortest digits that read back as the same number; a string as it is.
    static std::string text(const ExpressionValue& value);
};

} // namespace quindle
