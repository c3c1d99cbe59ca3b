#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle {

/// Where the two servers live: the content server host and the legacy JSON server host.
class ServerConfiguration {
public:
    /// The fixed path of the content server under its host.
    static constexpr std::string_view basePath = "/~corvath/vantro/web/app_dev.php/";
    /// The fixed path of the legacy JSON server under its host.
    static constexpr std::string_view legacyPath = "/json/";

    /// Looks up an environment variable; nothing when unset.
    using Environment = std::function<std::optional<std::string>(const std::string&)>;
    static Environment processEnvironment();

    /// A configuration from two host URLs (http://host[:port] or https://...). A trailing slash
    /// or the fixed path already present is accepted and not doubled. The legacy host is the
    /// content host unless given. Nothing, with `error` set, for a malformed URL.
    static std::optional<ServerConfiguration> create(std::string_view server,
        std::optional<std::string_view> legacy = std::nullopt, std::string* error = nullptr);

    /// Reads `--server URL` and `--legacy URL` (also `--server=URL`) from the arguments, then
    /// QUINDLE_SERVER and QUINDLE_LEGACY from the environment; the command line wins. Nothing
    /// with an empty `error` when no server is given at all; nothing with `error` set when a
    /// value is malformed or missing.
    static std::optional<ServerConfiguration> fromArguments(const std::vector<std::string>& arguments,
        const Environment& environment, std::string* error);

    /// "http://host:port" without a trailing slash.
    const std::string& host() const { return m_host; }
    const std::string& legacyHost() const { return m_legacyHost; }
    /// The host followed by the fixed path, ending in a slash.
    std::string baseURL() const;
    /// The legacy host followed by "/json/".
    std::string legacyBaseURL() const;

    bool operator==(const ServerConfiguration&) const = default;

private:
    ServerConfiguration(std::string host, std::string legacyHost);
    std::string m_host;
    std::string m_legacyHost;
};

} // namespace quindle
