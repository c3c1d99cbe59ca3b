// What must hold for any input to Expression::evaluate, shared by the fuzzer and the corpus replay.
#pragma once

#include "forms/Expression.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace quindle::fuzz {

/// Same alternative and same bits, so that two NaNs of one evaluation still compare as the same.
inline bool sameResult(const std::optional<ExpressionValue>& a, const std::optional<ExpressionValue>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (a->index() != b->index())
        return false;
    if (auto* x = std::get_if<double>(&*a))
        return std::memcmp(x, &std::get<double>(*b), sizeof(double)) == 0;
    return std::get<std::string>(*a) == std::get<std::string>(*b);
}

/// Empty when `text` behaves, otherwise what went wrong. Evaluation is deterministic; a number
/// is finite and its text evaluates back to an equal number; a string without a single quote,
/// quoted in single quotes, evaluates back to itself.
inline std::string expressionProblem(std::string_view text)
{
    const auto first = Expression::evaluate(text);
    if (!sameResult(first, Expression::evaluate(text)))
        return "two evaluations differ";
    if (!first)
        return {};
    if (auto* x = std::get_if<double>(&*first)) {
        if (!std::isfinite(*x))
            return "a number that is not finite: " + Expression::text(*first);
        const std::string written = Expression::text(*first);
        const auto again = Expression::evaluate(written);
        const double* y = again ? std::get_if<double>(&*again) : nullptr;
        if (!y || *y != *x)
            return "the number's text \"" + written + "\" does not evaluate back to it";
        return {};
    }
    const std::string& s = std::get<std::string>(*first);
    if (s.find('\'') != std::string::npos)
        return {};
    const auto again = Expression::evaluate("'" + s + "'");
    const std::string* t = again ? std::get_if<std::string>(&*again) : nullptr;
    if (!t || *t != s)
        return "the string, quoted, does not evaluate back to it";
    return {};
}

} // namespace quindle::fuzz
