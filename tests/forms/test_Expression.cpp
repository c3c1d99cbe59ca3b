// The expression language of computed and conditional entries.
#include "forms/Expression.h"
#include "forms/fuzz/ExpressionOracle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

using namespace quindle;

namespace {

std::optional<std::string> shown(const char* text)
{
    auto value = Expression::evaluate(text);
    return value ? std::optional<std::string>(Expression::text(*value)) : std::nullopt;
}

} // namespace

TEST(Expression, EvaluatesArithmeticCallsAndStrings)
{
    const std::pair<const char*, const char*> cases[] = {
        { "72.0 / (1.8 * 1.8)", "22.22222222222222" },
        { "1 + 2 * 3 - 4 / 2", "5" },
        { "-(2 - 5) * -1", "-3" },
        { "10 - 2 - 3", "5" },
        { "FUNCTION(FUNCTION(12.0 , 'greaterThan:', 10), 'and:', FUNCTION(1.0 , 'smallerThanEqual:', 2))", "1" },
        { "FUNCTION(3, 'factorial:', 1)", "7" },
        { "FUNCTION(5, 'factorial:', 0)", "120" },
        { "FUNCTION(0, 'and:', undefined)", "0" },
        { "FUNCTION(2, 'smallerThan:', 2)", "0" },
        { "FUNCTION(2, 'greaterThanEqual:', '2')", "1" },
        { "FUNCTION('Yes', \"dd_isEqual:\", 'Yes')", "1" },
        { "FUNCTION('Yes', 'dd_isEqual:', 'No')", "0" },
        { "'a string'", "a string" },
        { "1e+20 * 10", "1e+21" },
        { ".5 + 0.25", "0.75" },
    };
    for (auto& [text, expected] : cases)
        EXPECT_EQ(shown(text), std::optional<std::string>(expected)) << text;
}

TEST(Expression, YieldsNothingForWhatIsNotANumberOrDoesNotParse)
{
    const char* const cases[] = {
        "", "1 +", "(1", "1)", "2 / 0", "2 / (1 - 1)", "Weight", "Weight > 3", "1 2", "'open", "'a' + 1", "-'a'",
        "FUNCTION(1, 'noSuchSelector:', 2)", "FUNCTION(1, smallerThan, 2)", "FUNCTION('a', 'smallerThan:', 2)",
        "FUNCTION(1, 'and:', nothing)", "FUNCTION(200, 'factorial:', 0)", "1e308 * 10", "1 # 2",
        "7e308", "-1e999", "FUNCTION(1e999, 'greaterThan:', 1)",
    };
    for (const char* text : cases) {
        auto value = Expression::evaluate(text);
        EXPECT_FALSE(value && std::holds_alternative<double>(*value)) << text;
        EXPECT_FALSE(Expression::isTrue(value)) << text;
    }
    // Deep nesting and long chains are refused, not a crash.
    EXPECT_FALSE(Expression::evaluate(std::string(5000, '(') + "1" + std::string(5000, ')')));
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_FALSE(Expression::evaluate(chain));
    EXPECT_EQ(shown(("(((1)))" + std::string(" + 1") + "").c_str()), "2");
}

// The fuzzer's seeds and finds replay here too, so a build without clang still checks them.
TEST(Expression, CorpusKeepsTheFuzzOracle)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(__FILE__).parent_path() / "corpus" / "expression")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(fuzz::expressionProblem(text), "") << entry.path();
        ++files;
    }
    EXPECT_GE(files, 30u);
}
