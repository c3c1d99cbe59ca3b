#include "core/Model.h"

#include "core/ModelSupport.h"
#include "platform/Base64.h"
#include "platform/Log.h"

namespace quindle {

using namespace modelsupport;

// Changes to pages and items.

void Model::associateAssetID(const std::string& linkedAssetID, const std::string& receivingAssetID, Handler handler)
{
    get("associateAssets.php?a=" + receivingAssetID + "&b=" + linkedAssetID, std::move(handler));
}

void Model::addDirectoryToAssetId(const std::string& parentID, const std::string& name, Handler handler)
{
    get("makePage?assetid=" + parentID + "&name=" + encode(name), std::move(handler));
}

void Model::addFormToAssetId(const std::string& parentID, const std::string& name, const std::string& successMessage,
    const std::string& nextPage, Handler handler)
{
    get("makeForm?assetid=" + parentID + "&name=" + encode(name) + "&message=" + encode(successMessage)
            + "&linkassetid=" + encode(nextPage),
        std::move(handler));
}

void Model::carousel(const std::string& option, const std::string& assetID, Handler handler)
{
    get("setCarousel?assetid=" + assetID + "&option=" + option, std::move(handler));
}

void Model::deleteAsset(const std::string& assetID, Handler handler)
{
    get("deleteAsset?assetid=" + assetID, std::move(handler));
}

void Model::restoreAsset(const std::string& assetID, Handler handler)
{
    get("restoreAsset?assetid=" + assetID, std::move(handler));
}

void Model::sendDateForAssetID(const std::string& assetID, const std::string& key, Date date, Handler handler)
{
    if (key != "date" && key != "endDate") {
        if (handler)
            handler(std::nullopt, Error { "Model", 0, "The date key must be \"date\" or \"endDate\"." });
        return;
    }
    get("setDate?assetid=" + assetID + "&" + key + "=" + encode(serverDateStringForDate(date)), std::move(handler));
}

// POST-JSON operations.

void Model::postJSON(const JsonObjectPtr& dict, const std::string& endPoint, Handler handler)
{
    sendDict(dict, endPoint, std::move(handler));
}

void Model::sendName(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "setName", std::move(handler)); }
void Model::sendOptions(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "updateDefaultOptions", std::move(handler)); }
void Model::sendForm(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendForm", std::move(handler)); }
void Model::sendText(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendText", std::move(handler)); }
void Model::sendTextField(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendTextField", std::move(handler)); }
void Model::sendTextView(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendTextView", std::move(handler)); }

void Model::sendImage(const AssetRecord& record, Handler handler)
{
    std::shared_ptr<Image> image;
    if (record) {
        if (const JsonValue* value = record->find("image"))
            image = Image::fromValue(*value);
    }
    std::optional<std::string> jpeg = image ? image->jpegData(1.0) : std::nullopt;
    if (!jpeg) {
        if (handler)
            handler(std::nullopt, Error { "Model", 0, "The record holds no picture to send." });
        return;
    }
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    dict->set("image", Base64::encode(*jpeg));
    postJSON(dict, "sendImage", std::move(handler));
}

void Model::addImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler)
{
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    if (auto id = asset::ident(selectedImageAsset))
        dict->set("selectedimageid", *id);
    dict->set("action", "add");
    postJSON(dict, "linkImage", std::move(handler));
}

void Model::linkImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler)
{
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    if (!selectedImageAsset)
        dict->set("selectedimageid", "0");
    else if (auto id = asset::ident(selectedImageAsset))
        dict->set("selectedimageid", *id);
    postJSON(dict, "linkImage", std::move(handler));
}

void Model::swapAssetId(const std::string& firstID, const std::string& secondID, Handler handler)
{
    auto dict = JsonObject::create();
    dict->set("assetid", firstID);
    dict->set("secondid", secondID);
    postJSON(dict, "swapAssets", std::move(handler));
}

// Operations no screen reaches.

void Model::sendContactFormWithEmail(const std::string& email, const std::string& subject, const std::string& message,
    Handler handler)
{
    std::string body = "rootAssetID=" + tabbarID() + "&email=" + email + "&subject=" + subject + "&body=" + message;
    jsonRequest(postRequestWithString(body, baseURL() + "addContactRequest.php"), std::move(handler));
}

void Model::fetchContactRequestsWithCompletionHandler(Handler handler) { get("getContactRequests.php", std::move(handler)); }
void Model::userBeaconsWithCompletionHandler(Handler handler) { get("userBeacons", std::move(handler)); }
void Model::beaconListWithCompletionHandler(Handler handler) { get("beaconList", std::move(handler)); }

void Model::addBeaconID(const std::string& beaconID, const std::string& major, const std::string& minor,
    const std::string& message, Handler handler)
{
    if (pushTokenID().empty())
        return;
    std::string url = baseURL() + "saveBeacon" + "?message=" + encode(message) + "&beaconID=" + encode(beaconID)
        + "&beaconmajor=" + encode(major) + "&beaconminor=" + encode(minor);
    log("add beacon " + url);
    requestWithURL(url, std::move(handler));
}

void Model::addTextToAssetId(const std::string& assetID, const std::string& text, Handler handler)
{
    get("addText?assetid=" + assetID + "&text=" + encode(text), std::move(handler));
}

void Model::addTextFieldToAssetId(const std::string& assetID, const std::string& title, Handler handler)
{
    get("addTextField?assetid=" + assetID + "&title=" + encode(title), std::move(handler));
}

void Model::addTextViewToAssetId(const std::string& assetID, const std::string& title, Handler handler)
{
    get("addTextView?assetid=" + assetID + "&title=" + encode(title), std::move(handler));
}

void Model::sendError(const std::string& error)
{
    log("send error " + error);
    get("sendError.php" + std::string("?error=") + encode(error), ignored());
}

} // namespace quindle
