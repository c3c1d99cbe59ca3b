#pragma once

#include "editors/PictureViewController.h"

namespace quindle {

/// The picture of one form field: "Change" replaces it by a picture from the photo picker and
/// sends it to the content server ("sendImage"); the server's reply goes to the completion
/// handler. `parentID` is only kept.
class ImageEditViewController : public PictureViewController {
public:
    static std::shared_ptr<ImageEditViewController> create(JsonObjectPtr object, EditorCompletion completion = {});

protected:
    void sendPicture(const std::shared_ptr<Image>& photo, Model::Handler handler) override;
    std::string failureMessage() const override;

private:
    using PictureViewController::PictureViewController;
};

} // namespace quindle
