#include "editors/ImageViewController.h"

#include "core/FileUpload.h"
#include "editors/RecordPicture.h"

namespace quindle {

std::shared_ptr<ImageViewController> ImageViewController::create(JsonObjectPtr object, EditorCompletion completion)
{
    return std::shared_ptr<ImageViewController>(new ImageViewController(std::move(object), std::move(completion)));
}

std::string ImageViewController::encode(std::string_view text) { return Model::encode(text); }

std::string ImageViewController::uploadURL() const
{
    std::string assetID = object() ? recordPicture::text(object()->get("assetID")) : std::string {};
    return Model::defaultInstance().legacyBaseURL() + "setImage.php?dir=" + encode(galleryFolder) + "&a=" + assetID + "&parentID=" + parentID();
}

void ImageViewController::sendPicture(const std::shared_ptr<Image>& photo, Model::Handler handler)
{
    // A picture that cannot be written as JPEG goes out as no bytes, which the upload reports
    // as a failure without sending anything.
    std::string jpeg = photo->jpegData(1.0).value_or(std::string {});
    FileUpload::sendFileDataWithURL(uploadURL(), jpeg, std::move(handler));
}

std::string ImageViewController::failureMessage() const
{
    return "The new picture was not uploaded. Nothing was changed.";
}

// Anyone may look at a picture; only a logged-in owner can replace it, so only then is it offered.
bool ImageViewController::offersChange() const { return Model::defaultInstance().isLoggedIn(); }

} // namespace quindle
