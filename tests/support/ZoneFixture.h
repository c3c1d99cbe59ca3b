#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace quindle::test {

/// Runs a test in a named time zone and puts the process zone back afterwards.
class ZoneFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_saved ? setenv("TZ", m_saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void use(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    const char* m_zone = std::getenv("TZ");
    std::optional<std::string> m_saved = m_zone ? std::optional<std::string>(m_zone) : std::nullopt;
};

} // namespace quindle::test
