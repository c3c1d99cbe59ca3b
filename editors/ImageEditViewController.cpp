#include "editors/ImageEditViewController.h"

namespace quindle {

std::shared_ptr<ImageEditViewController> ImageEditViewController::create(JsonObjectPtr object, EditorCompletion completion)
{
    return std::shared_ptr<ImageEditViewController>(new ImageEditViewController(std::move(object), std::move(completion)));
}

void ImageEditViewController::sendPicture(const std::shared_ptr<Image>&, Model::Handler handler)
{
    Model::defaultInstance().sendImage(object(), std::move(handler));
}

std::string ImageEditViewController::failureMessage() const
{
    return "The new picture was not sent to the server. Nothing was changed.";
}

} // namespace quindle
