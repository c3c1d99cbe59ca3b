#pragma once
// Starts a real quindle-server in-process on a free loopback port with a fresh database.

#include "core/ServerConfiguration.h"
#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"
#include "server/QuindleServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace quindle::test {

class ServerFixture : public ::testing::Test {
protected:
    /// Seeds the demo data; tests that need an empty server override it.
    virtual bool withDemo() const { return true; }
    /// Tests that need other limits set them here.
    virtual void configure(ServerOptions&) const { }

    void SetUp() override
    {
        std::random_device random;
        m_dir = std::filesystem::temp_directory_path() / ("quindle-server-test-" + std::to_string(random()));
        std::filesystem::create_directories(m_dir);
        startServer();
    }

    void TearDown() override
    {
        stopServer();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    void startServer()
    {
        ServerOptions options;
        options.databasePath = databasePath();
        options.demo = withDemo();
        options.requestLog = false;
        configure(options);
        std::string error;
        server = QuindleServer::create(options, &error);
        ASSERT_TRUE(server) << error;
        ASSERT_TRUE(server->start(&error)) << error;
        client = std::make_unique<httplib::Client>("127.0.0.1", server->port());
        client->set_read_timeout(30, 0);
    }

    void stopServer()
    {
        client.reset();
        if (server)
            server->stop();
        server.reset();
    }

    std::string databasePath() const { return (m_dir / "quindle.sqlite").string(); }

    /// Content server path of an endpoint, e.g. content("login?email=...").
    static std::string content(const std::string& endpoint) { return std::string(ServerConfiguration::basePath) + endpoint; }
    static std::string legacy(const std::string& endpoint) { return std::string(ServerConfiguration::legacyPath) + endpoint; }

    /// Headers that carry `token` as the client does after login.
    static httplib::Headers tokenHeaders(const std::string& token) { return { { "wibble", token } }; }

    /// Logs in and returns the token (empty when login failed).
    std::string login(const std::string& email = QuindleServer::demoEmail, const std::string& password = QuindleServer::demoPassword);

    std::unique_ptr<QuindleServer> server;
    std::unique_ptr<httplib::Client> client;

private:
    std::filesystem::path m_dir;
};

/// The parsed reply body (nothing when it is not JSON).
inline std::optional<JsonValue> replyJson(const httplib::Result& result)
{
    if (!result)
        return std::nullopt;
    return JsonParser::parse(result->body);
}

inline std::string ServerFixture::login(const std::string& email, const std::string& password)
{
    auto result = client->Get(content("login"), httplib::Params { { "email", email }, { "password", password } }, httplib::Headers {});
    auto json = replyJson(result);
    if (!json || !json->isObject())
        return {};
    auto message = json->object()->get("Message");
    if (!message.isObject())
        return {};
    auto token = message.object()->get("AuthToken");
    return token.isString() ? std::string(token.asString()) : std::string();
}

} // namespace quindle::test
