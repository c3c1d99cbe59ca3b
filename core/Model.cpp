#include "core/Model.h"

#include "core/ModelSupport.h"
#include "platform/CurlHttpClient.h"
#include "platform/Log.h"

namespace quindle {

namespace modelsupport {

Model::Handler ignored()
{
    return [](std::optional<JsonValue>, std::optional<Error>) { };
}

} // namespace modelsupport

Model& Model::defaultInstance()
{
    static Model instance;
    return instance;
}

Model::Model() = default;

// Configuration and plumbing.

void Model::setConfiguration(ServerConfiguration configuration)
{
    std::lock_guard lock(m_mutex);
    m_configuration = std::move(configuration);
}

std::optional<ServerConfiguration> Model::configuration() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration;
}

std::string Model::baseURL() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration ? m_configuration->baseURL() : std::string {};
}

std::string Model::legacyBaseURL() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration ? m_configuration->legacyBaseURL() : std::string {};
}

std::shared_ptr<HttpClient> Model::httpClient()
{
    std::lock_guard lock(m_mutex);
    if (!m_httpClient)
        m_httpClient = std::make_shared<CurlHttpClient>();
    return m_httpClient;
}

void Model::setHttpClient(std::shared_ptr<HttpClient> client)
{
    std::shared_ptr<HttpClient> previous;
    {
        std::lock_guard lock(m_mutex);
        previous = std::exchange(m_httpClient, std::move(client));
    }
    // The old client (and its threads) goes away outside the lock.
}

void Model::setMaxLogLength(size_t length)
{
    std::lock_guard lock(m_mutex);
    m_maxLogLength = length;
}

void Model::setLoginTabbarItemsHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_loginTabbarItemsHandler = std::move(handler);
}

void Model::resetSessionForTesting()
{
    std::lock_guard lock(m_mutex);
    m_cookies.clear();
    m_defaultOptions.clear();
    m_defaultFont.reset();
    m_defaultTextColour.reset();
    m_defaultBackgroundColour.reset();
    m_isRoot = false;
    m_authToken.clear();
    m_userAssetID.clear();
    m_userRootAssetID.clear();
    m_userID.clear();
    m_username.clear();
    m_userOptions.clear();
    m_userFontName.clear();
    m_userFontSize.clear();
    m_userTextColour.reset();
    m_userBackgroundColour.reset();
    m_pushTokenID.clear();
    m_devID.clear();
    m_workflow.reset();
    m_tab.reset();
    m_tabs.reset();
    m_tabbarID.clear();
}

void Model::log(std::string text) const
{
    size_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_maxLogLength;
    }
    if (text.size() > limit) {
        text.resize(limit);
        text += "...";
    }
    Log::line(text);
}

// Session fields.

std::vector<Cookie> Model::cookies() const { std::lock_guard lock(m_mutex); return m_cookies; }
std::string Model::defaultOptions() const { std::lock_guard lock(m_mutex); return m_defaultOptions; }
bool Model::isRoot() const { std::lock_guard lock(m_mutex); return m_isRoot; }
std::string Model::authToken() const { std::lock_guard lock(m_mutex); return m_authToken; }
void Model::setAuthToken(std::string token) { std::lock_guard lock(m_mutex); m_authToken = std::move(token); }
std::string Model::userAssetID() const { std::lock_guard lock(m_mutex); return m_userAssetID; }
std::string Model::userRootAssetID() const { std::lock_guard lock(m_mutex); return m_userRootAssetID; }
std::string Model::userID() const { std::lock_guard lock(m_mutex); return m_userID; }
std::string Model::username() const { std::lock_guard lock(m_mutex); return m_username; }
std::string Model::userOptions() const { std::lock_guard lock(m_mutex); return m_userOptions; }
std::string Model::userFontName() const { std::lock_guard lock(m_mutex); return m_userFontName; }
std::string Model::userFontSize() const { std::lock_guard lock(m_mutex); return m_userFontSize; }
std::optional<Colour> Model::userTextColour() const { std::lock_guard lock(m_mutex); return m_userTextColour; }
std::optional<Colour> Model::userBackgroundColour() const { std::lock_guard lock(m_mutex); return m_userBackgroundColour; }
std::string Model::pushTokenID() const { std::lock_guard lock(m_mutex); return m_pushTokenID; }
void Model::setPushTokenID(std::string token) { std::lock_guard lock(m_mutex); m_pushTokenID = std::move(token); }
std::string Model::devID() const { std::lock_guard lock(m_mutex); return m_devID; }
void Model::setDevID(std::string id) { std::lock_guard lock(m_mutex); m_devID = std::move(id); }
JsonArrayPtr Model::workflow() const { std::lock_guard lock(m_mutex); return m_workflow; }
AssetRecord Model::tab() const { std::lock_guard lock(m_mutex); return m_tab; }
void Model::setTab(AssetRecord tab) { std::lock_guard lock(m_mutex); m_tab = std::move(tab); }
JsonArrayPtr Model::tabs() const { std::lock_guard lock(m_mutex); return m_tabs; }
void Model::setTabs(JsonArrayPtr tabs) { std::lock_guard lock(m_mutex); m_tabs = std::move(tabs); }
std::string Model::tabbarID() const { std::lock_guard lock(m_mutex); return m_tabbarID; }
void Model::setTabbarID(std::string id) { std::lock_guard lock(m_mutex); m_tabbarID = std::move(id); }

} // namespace quindle
