#include "platform/UserDefaults.h"

#include "platform/JsonParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <thread>

using namespace quindle;
namespace fs = std::filesystem;

namespace {

/// A fresh folder per test, removed afterwards; the environment variables for the path are put back.
class DefaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "HOME", "XDG_CONFIG_HOME" })
            if (const char* value = std::getenv(name))
                m_saved[name] = value;
        std::string pattern = (fs::temp_directory_path() / "quindle-defaults-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override
    {
        for (const char* name : { "HOME", "XDG_CONFIG_HOME" })
            m_saved.count(name) ? setenv(name, m_saved[name].c_str(), 1) : unsetenv(name);
        fs::remove_all(m_folder);
    }

    fs::path file() const { return m_folder / "quindle" / "UserDefaults.json"; }

    static void writeText(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readText(const fs::path& path)
    {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    fs::path m_folder;
    std::map<std::string, std::string> m_saved;
};

} // namespace

TEST_F(DefaultsTest, FileLivesUnderXdgConfigHomeOrDotConfig)
{
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/somewhere/config/quindle/UserDefaults.json"));
    // Unset, empty or relative: the home folder's .config.
    for (const char* unusable : { static_cast<const char*>(nullptr), "", "relative/config" }) {
        unusable ? setenv("XDG_CONFIG_HOME", unusable, 1) : unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/home/someone/.config/quindle/UserDefaults.json")) << (unusable ? unusable : "unset");
    }
    // The standard defaults are one instance at the default path.
    setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    UserDefaults& standard = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&standard, &UserDefaults::standardUserDefaults());
    EXPECT_EQ(standard.path(), file());
    standard.setObject("someone@example.org", "login");
    EXPECT_EQ(UserDefaults::create(file())->stringForKey("login"), "someone@example.org");
}

TEST_F(DefaultsTest, ValuesReadBackByKindSurviveInOnePrivateJsonObjectAndConcurrentWritersLoseNothing)
{
    auto defaults = UserDefaults::create(file());
    for (auto [value, key] : { std::pair { "first", "login" }, { "someone@example.org", "login" }, { "", "password" },
             { "p\"a\\ss\nword \xC3\xA9", "escaped" }, { "YES", "YES" }, { "True", "True" }, { "nope", "nope" } })
        defaults->setObject(value, key);
    defaults->setBool(true, "remember");
    defaults->setBool(false, "no");
    for (int i = 0; i <= 25; ++i)
        defaults->setDouble(i / 10.0, "scale");
    defaults->setInteger(-7, "count");
    defaults->setInteger(0, "zero");
    EXPECT_EQ(std::make_tuple(defaults->stringForKey("login"), defaults->stringForKey("password"), defaults->doubleForKey("scale"),
                  defaults->integerForKey("count")),
        std::make_tuple(std::optional<std::string>("someone@example.org"), std::optional<std::string>(""), 2.5, -7L));
    // Booleans read from numbers and from yes or true in any case.
    for (const char* key : { "remember", "count", "YES", "True" })
        EXPECT_TRUE(defaults->boolForKey(key)) << key;
    for (const char* key : { "no", "zero", "nope", "absent" })
        EXPECT_FALSE(defaults->boolForKey(key)) << key;
    EXPECT_EQ(std::make_pair(defaults->integerForKey("no"), defaults->integerForKey("remember")), std::make_pair(0L, 1L));
    // Other kinds are not strings, text is no number, and absent keys give nothing or zero.
    for (const char* key : { "remember", "count", "absent" })
        EXPECT_FALSE(defaults->stringForKey(key)) << key;
    EXPECT_EQ(std::make_tuple(defaults->doubleForKey("nope"), defaults->doubleForKey("absent"), defaults->integerForKey("absent"),
                  defaults->containsKey("absent")),
        std::make_tuple(0.0, 0.0, 0L, false));
    // Another instance reads the same values back from one JSON object.
    auto again = UserDefaults::create(file());
    EXPECT_EQ(std::make_tuple(again->stringForKey("login"), again->stringForKey("escaped"), again->boolForKey("no"), again->doubleForKey("scale")),
        std::make_tuple(std::optional<std::string>("someone@example.org"), std::optional<std::string>("p\"a\\ss\nword \xC3\xA9"), false, 2.5));
    auto parsed = JsonParser::parse(readText(file()));
    ASSERT_TRUE(parsed && parsed->isObject());
    EXPECT_EQ(std::make_pair(parsed->object()->size(), parsed->object()->get("login").asString()),
        std::make_pair(size_t(11), std::string("someone@example.org")));
    // Writes leave no temporary files behind and only the owner may read the file.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file().parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string> { "UserDefaults.json" }));
    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
    // A value replaced by another kind, then removed, is gone from the file too.
    defaults->setBool(true, "login");
    EXPECT_FALSE(defaults->stringForKey("login"));
    defaults->removeObjectForKey("login");
    defaults->removeObjectForKey("never set");
    EXPECT_FALSE(defaults->containsKey("login") || UserDefaults::create(file())->containsKey("login"));
    // Two writers at once lose nothing.
    auto writer = [&](const std::string& prefix) {
        for (int i = 0; i < 50; ++i)
            defaults->setInteger(i, prefix + std::to_string(i));
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    again = UserDefaults::create(file());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(std::make_pair(again->integerForKey("a" + std::to_string(i)), again->integerForKey("b" + std::to_string(i))),
            std::make_pair(int64_t(i), int64_t(i)));
}

TEST_F(DefaultsTest, UnreadableFilesReadAsEmptyAndAreReplacedOnWrite)
{
    // Corrupt text and other top-level kinds; missing files and folders are the path-switching test's.
    for (std::string text : { std::string("{\"login\": \"cut off"), std::string("[\"login\"]"), std::string(""),
             std::string("\"login\""), std::string("\x00\xFF\xFE garbage", 12), std::string("{\"login\":1}{") }) {
        writeText(file(), text);
        auto defaults = UserDefaults::create(file());
        EXPECT_FALSE(defaults->stringForKey("login")) << text;
        defaults->setObject("fresh", "login");
        EXPECT_EQ(UserDefaults::create(file())->stringForKey("login"), "fresh") << text;
    }
    // Values other than strings, booleans and numbers are ignored.
    writeText(file(), R"({"login":"someone","nested":{"a":1},"list":[1],"nothing":null,"flag":true})");
    auto defaults = UserDefaults::create(file());
    EXPECT_EQ(std::make_pair(defaults->stringForKey("login"), defaults->boolForKey("flag")),
        std::make_pair(std::optional<std::string>("someone"), true));
    for (const char* key : { "nested", "list", "nothing" })
        EXPECT_FALSE(defaults->containsKey(key)) << key;
}

TEST_F(DefaultsTest, SetPathSwitchesFilesHonoursTheSizeLimitAndRetriesFailedWrites)
{
    auto defaults = UserDefaults::create(m_folder / "a.json");
    defaults->setObject("in a", "login");
    defaults->setPath(m_folder / "b.json");
    EXPECT_EQ(std::make_pair(defaults->path(), defaults->stringForKey("login")), std::make_pair(m_folder / "b.json", std::optional<std::string>()));
    defaults->setObject("in b", "login");
    defaults->setPath(m_folder / "a.json");
    EXPECT_EQ(defaults->stringForKey("login"), "in a");
    // An oversized file reads as empty.
    writeText(file(), "{\"login\":\"" + std::string(2000, 'x') + "\"}");
    defaults->setMaxFileSize(1000);
    defaults->setPath(file());
    EXPECT_FALSE(defaults->containsKey("login"));
    defaults->setMaxFileSize(UserDefaults::defaultMaxFileSize);
    defaults->setPath(file());
    EXPECT_TRUE(defaults->containsKey("login"));
    // An unwritable folder keeps values in memory until synchronize succeeds.
    EXPECT_TRUE(defaults->synchronize());
    // A plain file where the folder should be: nothing can be written below it.
    writeText(m_folder / "blocker", "x");
    defaults->setPath(m_folder / "blocker" / "UserDefaults.json");
    defaults->setObject("someone", "login");
    EXPECT_EQ((std::tuple { defaults->stringForKey("login"), defaults->synchronize(), readText(m_folder / "blocker") }),
        (std::tuple { std::optional<std::string>("someone"), false, std::string("x") }));
    fs::remove(m_folder / "blocker");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(UserDefaults::create(m_folder / "blocker" / "UserDefaults.json")->stringForKey("login"), "someone");
}
