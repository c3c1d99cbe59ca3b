#include "core/Model.h"

#include "core/ModelSupport.h"
#include "platform/JsonWriter.h"
#include "platform/MainQueue.h"

#include <unistd.h>

namespace quindle {

using namespace modelsupport;

// Login and logout.

void Model::loginWithUsername(const std::string& email, const std::string& password, Handler handler)
{
    {
        std::lock_guard lock(m_mutex);
        m_username = email;
    }
    get("login?email=" + encode(email) + "&password=" + encode(password),
        [this, handler = std::move(handler)](std::optional<JsonValue> content, std::optional<Error> error) {
            if (content && content->isObject()) {
                const JsonValue* alert = content->object()->find("Alert");
                if (alert && alert->isString()) {
                    if (handler)
                        handler(std::nullopt, Error { "world", 200, *alert->string() });
                    return;
                }
                applyLoginReply(content);
            }
            if (handler)
                handler(std::move(content), std::move(error));
        });
}

void Model::applyLoginReply(const std::optional<JsonValue>& content)
{
    const JsonObjectPtr& reply = content->object();
    bool rebuildTabs = false;
    std::optional<std::string> options;
    JsonArrayPtr workflows;
    std::optional<std::string> token;
    if (const JsonValue* value = reply->find("AuthToken"); value && value->isString())
        token = *value->string();

    const JsonValue* user = reply->find("User");
    AssetRecord tabRecord;
    JsonArrayPtr tabList;
    std::optional<bool> root;
    if (user && user->isObject()) {
        const JsonObjectPtr& userObject = user->object();
        if (const JsonValue* value = userObject->find("DefaultOptions"); value && value->isString())
            options = *value->string();
        if (const JsonValue* value = userObject->find("Tabs"); value && value->isObject()) {
            tabRecord = value->object();
            const JsonValue* children = tabRecord->find("Children");
            if (children && children->isArray())
                tabList = children->array();
            rebuildTabs = true;
        }
        if (const JsonValue* value = reply->find("isRoot"); value && value->isString())
            root = *value->string() == "Yes";
        if (const JsonValue* value = reply->find("Profile"); value && value->isArray()) {
            workflows = JsonArray::create();
            for (const JsonValue& element : *value->array()) {
                if (!element.isObject())
                    continue;
                const JsonValue* kind = element.object()->find("type");
                if (kind && kind->isString() && *kind->string() == "Workflow")
                    workflows->push_back(element);
            }
        }
    }

    std::function<void()> tabbarItemsHandler;
    {
        std::lock_guard lock(m_mutex);
        if (token)
            m_authToken = *token;
        if (options) {
            m_userOptions = *options;
            m_userFontName = fontNameFromOptions(*options);
            m_userFontSize = fontSizeFromOptions(*options);
            m_userTextColour = textColourFromOptions(*options);
            m_userBackgroundColour = backgroundColourFromOptions(*options);
        }
        if (rebuildTabs) {
            m_tab = tabRecord;
            m_tabs = tabList;
            tabbarItemsHandler = m_loginTabbarItemsHandler;
        }
        if (root)
            m_isRoot = *root;
        if (workflows)
            m_workflow = workflows;
    }
    if (workflows)
        log("workflow " + JsonWriter::describe(JsonValue(workflows)));
    if (tabbarItemsHandler)
        MainQueue::shared().dispatch(std::move(tabbarItemsHandler));
}

void Model::logoutWithCompletionHandler(Handler handler)
{
    get("logoutUser", std::move(handler));
}

// Account and device.

void Model::addAccountWithUsername(const std::string& email, const std::string& password,
    const std::string& organisation, Handler handler)
{
    get("registerCompany?email=" + encode(email) + "&password=" + encode(password) + "&company="
            + encode(organisation) + "&device=" + devID(),
        std::move(handler));
}

void Model::resetPassword(const std::string& email)
{
    get("resetPassword?email=" + encode(email), ignored());
}

void Model::changePassword(const std::string& password, Handler handler)
{
    get("changePassword?userID=" + userID() + "&password=" + encode(password), std::move(handler));
}

void Model::sendDeviceID(const std::string& deviceName)
{
    std::string token = pushTokenID();
    if (token.empty())
        return;
    std::string url = baseURL() + "registerDevice" + "?name=" + encode(deviceName) + "&deviceid=" + devID()
        + "&pushtoken=" + token;
    log("register device " + url);
    requestWithURL(url, ignored());
}

void Model::publishAsset(const std::string& assetID, Handler handler)
{
    get("setPublished?assetid=" + assetID, std::move(handler));
}

std::string Model::hostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

} // namespace quindle
