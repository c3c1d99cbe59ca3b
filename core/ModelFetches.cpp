#include "core/Model.h"

namespace quindle {

// Pages, tabs and trash.

void Model::fetchPage(const std::string& url, Handler handler)
{
    requestWithURL(url, [this, handler = std::move(handler)](std::optional<JsonValue> content, std::optional<Error> error) {
        if (content) {
            std::string options;
            if (content->isObject()) {
                const JsonValue* value = content->object()->find("DefaultOptions");
                if (value && value->isString())
                    options = *value->string();
            }
            {
                std::lock_guard lock(m_mutex);
                m_defaultOptions = options;
            }
            updateDefaultOptions(options);
        }
        if (handler)
            handler(std::move(content), std::move(error));
    });
}

void Model::fetchTabbarForAssetID(const std::string& assetID, Handler handler)
{
    setTabbarID(assetID);
    fetchPage(baseURL() + "getTabbar?assetid=" + assetID, std::move(handler));
}

void Model::fetchDirectoryForAssetID(const std::string& assetID, Handler handler)
{
    std::string url = baseURL() + "contentForNode";
    if (!assetID.empty())
        url += "?assetid=" + assetID;
    fetchPage(url, std::move(handler));
}

void Model::fetchDocumentForAssetID(const std::string& assetID, Handler handler)
{
    get("getDocument.php?assetid=" + assetID, std::move(handler));
}

void Model::fetchPageListWithCompletionHandler(Handler handler) { get("pageList", std::move(handler)); }
void Model::fetchTrashWithCompletionHandler(Handler handler) { get("trash", std::move(handler)); }
void Model::fetchImageListWithCompletionHandler(Handler handler) { get("imageList", std::move(handler)); }

void Model::fetchAssociatedAssetsForAssetID(const std::string& assetID, Handler handler)
{
    get("associatedAssets.php?a=" + assetID, std::move(handler));
}

} // namespace quindle
