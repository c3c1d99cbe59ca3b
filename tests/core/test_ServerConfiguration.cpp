// Server addresses from arguments and environment.

#include "core/ServerConfiguration.h"

#include <gtest/gtest.h>

#include <map>

using namespace quindle;

namespace {

ServerConfiguration::Environment env(std::map<std::string, std::string> values)
{
    return [values](const std::string& name) -> std::optional<std::string> {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(ServerConfiguration, BaseAndLegacyFromOneHostOrTwoAndMalformedUrlsAreClearErrors)
{
    auto c = ServerConfiguration::create("http://127.0.0.1:8080");
    ASSERT_TRUE(c);
    EXPECT_EQ((std::vector<std::string> { c->baseURL(), c->legacyBaseURL() }),
        (std::vector<std::string> { "http://127.0.0.1:8080/~corvath/vantro/web/app_dev.php/", "http://127.0.0.1:8080/json/" }));
    // A trailing slash or the fixed path is not doubled.
    for (const char* given : { "http://h.example:81/", "http://h.example:81/~corvath/vantro/web/app_dev.php/",
             "http://h.example:81/~corvath/vantro/web/app_dev.php" }) {
        auto trimmed = ServerConfiguration::create(given);
        ASSERT_TRUE(trimmed) << given;
        EXPECT_EQ(trimmed->baseURL(), "http://h.example:81/~corvath/vantro/web/app_dev.php/") << given;
    }
    auto legacy = ServerConfiguration::create("https://a", std::string_view("http://b:9/json/"));
    ASSERT_TRUE(legacy);
    EXPECT_EQ(legacy->legacyBaseURL(), "http://b:9/json/");
    EXPECT_EQ(legacy->baseURL(), "https://a/~corvath/vantro/web/app_dev.php/");

    // Malformed addresses are clear errors.
    for (const char* bad : { "ftp://h", "127.0.0.1:8080", "http://", "http://h:0", "http://h:70000", "http://h:8o",
             "http://h/other/path", "http://h:", "http://a b" }) {
        std::string error;
        EXPECT_FALSE(ServerConfiguration::create(bad, std::nullopt, &error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ServerConfiguration::create("http://ok", std::string_view("json"), &error));
    EXPECT_NE(error.find("json"), std::string::npos);
}

TEST(ServerConfiguration, CommandLineWinsOverEnvironmentAndNeedsItsValue)
{
    std::string error;
    auto c = ServerConfiguration::fromArguments({ "prog", "--server", "http://cli:1" },
        env({ { "QUINDLE_SERVER", "http://env:2" }, { "QUINDLE_LEGACY", "http://envlegacy:3" } }), &error);
    ASSERT_TRUE(c) << error;
    auto e = ServerConfiguration::fromArguments({ "prog" }, env({ { "QUINDLE_SERVER", "http://env:2" } }), &error);
    ASSERT_TRUE(e);
    EXPECT_EQ((std::vector<std::string> { c->host(), c->legacyHost(), e->host(), e->legacyHost() }),
        (std::vector<std::string> { "http://cli:1", "http://envlegacy:3", "http://env:2", "http://env:2" }));
    auto eq = ServerConfiguration::fromArguments({ "prog", "--legacy=http://l:4", "--server=http://s:5" }, env({}), &error);
    ASSERT_TRUE(eq);
    EXPECT_EQ(eq->legacyBaseURL(), "http://l:4/json/");
    // Nothing given is no error, but a missing or bad value is.
    error = "stale";
    EXPECT_FALSE(ServerConfiguration::fromArguments({ "prog", "--demo" }, env({}), &error));
    EXPECT_TRUE(error.empty());
    EXPECT_FALSE(ServerConfiguration::fromArguments({ "prog", "--server" }, env({}), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ServerConfiguration::fromArguments({ "prog", "--server", "nonsense" }, env({}), &error));
    EXPECT_FALSE(error.empty());
}
