#include "editors/ImageEditViewController.h"

#include "core/Asset.h"

namespace quindle {

std::shared_ptr<ImageEditViewController> ImageEditViewController::create(JsonObjectPtr object, EditorCompletion completion)
{
    return std::shared_ptr<ImageEditViewController>(new ImageEditViewController(std::move(object), std::move(completion)));
}

void ImageEditViewController::sendPicture(const std::shared_ptr<Image>&, Model::Handler handler)
{
    AssetRecord record = object();
    // A form document's entry names itself by "assetID" ("<document>-<n>"), not by a content id.
    if (record && !asset::ident(record) && record->get("assetID").isString()) {
        record = JsonObject::create(record->entries());
        record->set("AssetId", record->get("assetID"));
    }
    Model::defaultInstance().sendImage(record, std::move(handler));
}

std::string ImageEditViewController::failureMessage() const
{
    return "The new picture was not sent to the server. Nothing was changed.";
}

} // namespace quindle
