#include "platform/UserDefaults.h"

#include "platform/JsonParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

using namespace quindle;
namespace fs = std::filesystem;

namespace {

/// A fresh folder per test, removed afterwards.
class DefaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quindle-defaults-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path file() const { return m_folder / "quindle" / "UserDefaults.json"; }

    static void writeText(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string readText(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_folder;
};

/// Keeps an environment variable as it was.
class SavedVariable {
public:
    explicit SavedVariable(const char* name)
        : m_name(name)
    {
        if (const char* value = std::getenv(name))
            m_value = value;
    }
    ~SavedVariable()
    {
        if (m_value)
            setenv(m_name, m_value->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_value;
};

} // namespace

// Where the file lives

TEST(UserDefaultsPath, UsesXdgConfigHome)
{
    SavedVariable xdg("XDG_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/somewhere/config/quindle/UserDefaults.json"));
}

TEST(UserDefaultsPath, FallsBackToDotConfigInHome)
{
    SavedVariable xdg("XDG_CONFIG_HOME");
    SavedVariable home("HOME");
    setenv("HOME", "/home/someone", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/home/someone/.config/quindle/UserDefaults.json"));
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/home/someone/.config/quindle/UserDefaults.json"));
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(UserDefaults::defaultPath(), fs::path("/home/someone/.config/quindle/UserDefaults.json"));
}

TEST_F(DefaultsTest, StandardDefaultsAreOneInstanceAtTheDefaultPath)
{
    SavedVariable xdg("XDG_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    UserDefaults& standard = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&standard, &UserDefaults::standardUserDefaults());
    EXPECT_EQ(standard.path(), file());
    standard.setObject("someone@example.org", "login");
    EXPECT_EQ(UserDefaults::create(file())->stringForKey("login"), "someone@example.org");
}

// Values

TEST_F(DefaultsTest, StringsBoolsAndNumbersReadBack)
{
    auto defaults = UserDefaults::create(file());
    defaults->setObject("someone@example.org", "login");
    defaults->setObject("", "password");
    defaults->setBool(true, "remember");
    defaults->setDouble(2.5, "scale");
    defaults->setInteger(-7, "count");
    EXPECT_EQ(defaults->stringForKey("login"), "someone@example.org");
    EXPECT_EQ(defaults->stringForKey("password"), "");
    EXPECT_TRUE(defaults->boolForKey("remember"));
    EXPECT_DOUBLE_EQ(defaults->doubleForKey("scale"), 2.5);
    EXPECT_EQ(defaults->integerForKey("count"), -7);
}

TEST_F(DefaultsTest, AbsentKeysGiveNothingOrZero)
{
    auto defaults = UserDefaults::create(file());
    EXPECT_FALSE(defaults->stringForKey("login"));
    EXPECT_FALSE(defaults->boolForKey("login"));
    EXPECT_EQ(defaults->doubleForKey("login"), 0);
    EXPECT_EQ(defaults->integerForKey("login"), 0);
    EXPECT_FALSE(defaults->containsKey("login"));
}

TEST_F(DefaultsTest, WrongKindsAreNotStrings)
{
    auto defaults = UserDefaults::create(file());
    defaults->setBool(true, "flag");
    defaults->setInteger(3, "number");
    EXPECT_FALSE(defaults->stringForKey("flag"));
    EXPECT_FALSE(defaults->stringForKey("number"));
    defaults->setObject("not a number", "text");
    EXPECT_EQ(defaults->doubleForKey("text"), 0);
}

TEST_F(DefaultsTest, BooleanReadings)
{
    auto defaults = UserDefaults::create(file());
    defaults->setBool(false, "no");
    defaults->setInteger(2, "two");
    defaults->setInteger(0, "zero");
    defaults->setObject("YES", "yesText");
    defaults->setObject("True", "trueText");
    defaults->setObject("nope", "otherText");
    EXPECT_FALSE(defaults->boolForKey("no"));
    EXPECT_TRUE(defaults->boolForKey("two"));
    EXPECT_FALSE(defaults->boolForKey("zero"));
    EXPECT_TRUE(defaults->boolForKey("yesText"));
    EXPECT_TRUE(defaults->boolForKey("trueText"));
    EXPECT_FALSE(defaults->boolForKey("otherText"));
    EXPECT_EQ(defaults->integerForKey("no"), 0);
    defaults->setBool(true, "no");
    EXPECT_EQ(defaults->integerForKey("no"), 1);
}

TEST_F(DefaultsTest, ReplacingAndRemoving)
{
    auto defaults = UserDefaults::create(file());
    defaults->setObject("first", "login");
    defaults->setObject("second", "login");
    EXPECT_EQ(defaults->stringForKey("login"), "second");
    defaults->setBool(true, "login");
    EXPECT_FALSE(defaults->stringForKey("login"));
    defaults->removeObjectForKey("login");
    defaults->removeObjectForKey("never set");
    EXPECT_FALSE(defaults->containsKey("login"));
    EXPECT_FALSE(UserDefaults::create(file())->containsKey("login"));
}

// The file

TEST_F(DefaultsTest, ValuesSurviveIntoANewInstance)
{
    {
        auto defaults = UserDefaults::create(file());
        defaults->setObject("someone@example.org", "login");
        defaults->setObject("p\"a\\ss\nword \xC3\xA9", "password");
        defaults->setBool(false, "remember");
        defaults->setDouble(0.1, "scale");
    }
    auto again = UserDefaults::create(file());
    EXPECT_EQ(again->stringForKey("login"), "someone@example.org");
    EXPECT_EQ(again->stringForKey("password"), "p\"a\\ss\nword \xC3\xA9");
    EXPECT_TRUE(again->containsKey("remember"));
    EXPECT_FALSE(again->boolForKey("remember"));
    EXPECT_DOUBLE_EQ(again->doubleForKey("scale"), 0.1);
}

TEST_F(DefaultsTest, FileIsOneJsonObject)
{
    auto defaults = UserDefaults::create(file());
    defaults->setObject("someone@example.org", "login");
    defaults->setBool(true, "remember");
    auto parsed = JsonParser::parse(readText(file()));
    ASSERT_TRUE(parsed);
    ASSERT_TRUE(parsed->isObject());
    EXPECT_EQ(parsed->object()->size(), 2u);
    EXPECT_EQ(parsed->object()->get("login").asString(), "someone@example.org");
    EXPECT_TRUE(parsed->object()->get("remember").asBool());
}

TEST_F(DefaultsTest, WritingLeavesNoTemporaryFilesAndKeepsTheFilePrivate)
{
    auto defaults = UserDefaults::create(file());
    for (int i = 0; i < 20; ++i)
        defaults->setInteger(i, "count");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file().parent_path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string> { "UserDefaults.json" }));
    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST_F(DefaultsTest, MissingFileAndFolderReadAsEmpty)
{
    auto defaults = UserDefaults::create(m_folder / "not" / "there" / "UserDefaults.json");
    EXPECT_FALSE(defaults->stringForKey("login"));
    defaults->setObject("x", "login");
    EXPECT_TRUE(fs::exists(m_folder / "not" / "there" / "UserDefaults.json"));
}

TEST_F(DefaultsTest, CorruptFilesReadAsEmptyAndAreReplacedOnWrite)
{
    for (std::string text : { std::string("{\"login\": \"cut off"), std::string("[\"login\"]"), std::string(""),
             std::string("\"login\""), std::string("\x00\xFF\xFE garbage", 12), std::string("{\"login\":1}{") }) {
        writeText(file(), text);
        auto defaults = UserDefaults::create(file());
        EXPECT_FALSE(defaults->stringForKey("login")) << text;
        defaults->setObject("fresh", "login");
        EXPECT_EQ(UserDefaults::create(file())->stringForKey("login"), "fresh") << text;
    }
}

TEST_F(DefaultsTest, ValuesOfOtherKindsInTheFileAreIgnored)
{
    writeText(file(), R"({"login":"someone","nested":{"a":1},"list":[1],"nothing":null,"flag":true})");
    auto defaults = UserDefaults::create(file());
    EXPECT_EQ(defaults->stringForKey("login"), "someone");
    EXPECT_TRUE(defaults->boolForKey("flag"));
    EXPECT_FALSE(defaults->containsKey("nested"));
    EXPECT_FALSE(defaults->containsKey("list"));
    EXPECT_FALSE(defaults->containsKey("nothing"));
}

TEST_F(DefaultsTest, OversizedFileReadsAsEmpty)
{
    writeText(file(), "{\"login\":\"" + std::string(2000, 'x') + "\"}");
    auto defaults = UserDefaults::create(m_folder / "unused.json");
    defaults->setMaxFileSize(1000);
    defaults->setPath(file());
    EXPECT_FALSE(defaults->containsKey("login"));
    defaults->setMaxFileSize(UserDefaults::defaultMaxFileSize);
    defaults->setPath(file());
    EXPECT_TRUE(defaults->containsKey("login"));
}

TEST_F(DefaultsTest, SetPathSwitchesFiles)
{
    auto defaults = UserDefaults::create(m_folder / "a.json");
    defaults->setObject("in a", "login");
    defaults->setPath(m_folder / "b.json");
    EXPECT_EQ(defaults->path(), m_folder / "b.json");
    EXPECT_FALSE(defaults->stringForKey("login"));
    defaults->setObject("in b", "login");
    defaults->setPath(m_folder / "a.json");
    EXPECT_EQ(defaults->stringForKey("login"), "in a");
}

TEST_F(DefaultsTest, UnwritableFolderKeepsValuesInMemory)
{
    // A plain file where the folder should be: nothing can be written below it.
    writeText(m_folder / "blocker", "x");
    auto defaults = UserDefaults::create(m_folder / "blocker" / "UserDefaults.json");
    defaults->setObject("someone", "login");
    EXPECT_EQ(defaults->stringForKey("login"), "someone");
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_EQ(readText(m_folder / "blocker"), "x");
}

TEST_F(DefaultsTest, SynchronizeWritesWhatFailedBefore)
{
    auto defaults = UserDefaults::create(file());
    EXPECT_TRUE(defaults->synchronize());
    writeText(m_folder / "quindle-blocked", "x");
    defaults->setPath(m_folder / "quindle-blocked" / "UserDefaults.json");
    defaults->setObject("someone", "login");
    EXPECT_FALSE(defaults->synchronize());
    fs::remove(m_folder / "quindle-blocked");
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(UserDefaults::create(m_folder / "quindle-blocked" / "UserDefaults.json")->stringForKey("login"), "someone");
}

TEST_F(DefaultsTest, ConcurrentWritersLoseNothing)
{
    auto defaults = UserDefaults::create(file());
    auto writer = [&](const std::string& prefix) {
        for (int i = 0; i < 50; ++i)
            defaults->setInteger(i, prefix + std::to_string(i));
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    a.join();
    b.join();
    auto again = UserDefaults::create(file());
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(again->integerForKey("a" + std::to_string(i)), i);
        EXPECT_EQ(again->integerForKey("b" + std::to_string(i)), i);
    }
}
