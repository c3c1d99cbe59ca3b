#include "core/ServerConfiguration.h"

#include <cctype>
#include <cstdlib>

namespace quindle {

namespace {

bool stripSuffix(std::string_view& text, std::string_view suffix)
{
    if (text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix) {
        text.remove_suffix(suffix.size());
        return true;
    }
    return false;
}

// Validates "scheme://host[:port]" after the known path suffix is removed; returns the host
// part normalised without a trailing slash.
std::optional<std::string> normaliseHost(std::string_view url, std::string_view fixedPath, std::string* error)
{
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        if (error)
            *error = "invalid server URL \"" + std::string(url) + "\": " + why
                + " (expected http://host[:port] or https://host[:port])";
        return std::nullopt;
    };
    std::string_view rest = url;
    std::string_view scheme;
    if (rest.starts_with("http://"))
        scheme = "http://";
    else if (rest.starts_with("https://"))
        scheme = "https://";
    else
        return fail("the scheme must be http or https");
    rest.remove_prefix(scheme.size());

    // Accept the fixed path (with or without its final slash) or a lone trailing slash.
    std::string_view pathNoSlash = fixedPath.substr(0, fixedPath.size() - 1);
    if (!stripSuffix(rest, fixedPath) && !stripSuffix(rest, pathNoSlash))
        stripSuffix(rest, "/");

    size_t colon = rest.find(':');
    std::string_view hostName = rest.substr(0, colon);
    if (hostName.empty())
        return fail("the host is missing");
    for (char c : hostName) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            return fail("the host may hold only letters, digits, '.', '-' and '_'");
    }
    if (colon != std::string_view::npos) {
        std::string_view port = rest.substr(colon + 1);
        if (port.empty() || port.size() > 5)
            return fail("the port must be a number from 1 to 65535");
        long value = 0;
        for (char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return fail("the port must be a number from 1 to 65535");
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535)
            return fail("the port must be a number from 1 to 65535");
    }
    return std::string(scheme) + std::string(rest);
}

} // namespace

ServerConfiguration::ServerConfiguration(std::string host, std::string legacyHost)
    : m_host(std::move(host))
    , m_legacyHost(std::move(legacyHost))
{
}

ServerConfiguration::Environment ServerConfiguration::processEnvironment()
{
    return [](const std::string& name) -> std::optional<std::string> {
        if (const char* value = std::getenv(name.c_str()))
            return std::string(value);
        return std::nullopt;
    };
}

std::optional<ServerConfiguration> ServerConfiguration::create(std::string_view server,
    std::optional<std::string_view> legacy, std::string* error)
{
    std::optional<std::string> host = normaliseHost(server, basePath, error);
    if (!host)
        return std::nullopt;
    std::string legacyHost = *host;
    if (legacy) {
        std::optional<std::string> given = normaliseHost(*legacy, legacyPath, error);
        if (!given)
            return std::nullopt;
        legacyHost = *given;
    }
    return ServerConfiguration(std::move(*host), std::move(legacyHost));
}

std::optional<ServerConfiguration> ServerConfiguration::fromArguments(const std::vector<std::string>& arguments,
    const Environment& environment, std::string* error)
{
    if (error)
        error->clear();
    std::optional<std::string> server;
    std::optional<std::string> legacy;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        for (auto [option, slot] : { std::pair { std::string_view("--server"), &server },
                 std::pair { std::string_view("--legacy"), &legacy } }) {
            if (argument == option) {
                if (i + 1 >= arguments.size()) {
                    if (error)
                        *error = std::string(option) + " needs a URL";
                    return std::nullopt;
                }
                *slot = arguments[++i];
            } else if (argument.starts_with(std::string(option) + "=")) {
                *slot = argument.substr(option.size() + 1);
            }
        }
    }
    if (environment) {
        if (!server)
            server = environment("QUINDLE_SERVER");
        if (!legacy)
            legacy = environment("QUINDLE_LEGACY");
    }
    if (!server) {
        if (legacy && error)
            *error = "--legacy needs --server as well";
        return std::nullopt;
    }
    std::optional<std::string_view> legacyView;
    if (legacy)
        legacyView = *legacy;
    return create(*server, legacyView, error);
}

std::string ServerConfiguration::baseURL() const
{
    return m_host + std::string(basePath);
}

std::string ServerConfiguration::legacyBaseURL() const
{
    return m_legacyHost + std::string(legacyPath);
}

} // namespace quindle
