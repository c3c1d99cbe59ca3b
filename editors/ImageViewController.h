#pragma once

#include "editors/PictureViewController.h"

#include <string_view>

namespace quindle {

/// One image item full size. Its "Change" button (offered to a logged-in user) uploads a
/// picture from the photo picker to the legacy server's image script as a multipart file.
class ImageViewController : public PictureViewController {
public:
    /// The server-side folder the legacy script stores uploads in.
    static constexpr std::string_view galleryFolder = "/home/corvath/public_html/json/gallery/pics";

    static std::shared_ptr<ImageViewController> create(JsonObjectPtr object, EditorCompletion completion = {});

    /// Percent-escaping in UTF-8, then "/" as "%2f" and ":" as "%3a".
    static std::string encode(std::string_view text);
    /// The upload address: "setImage.php" on the legacy server with the folder, the record's
    /// "assetID" and `parentID`.
    std::string uploadURL() const;

protected:
    void sendPicture(const std::shared_ptr<Image>& photo, Model::Handler handler) override;
    std::string failureMessage() const override;
    bool offersChange() const override;

private:
    using PictureViewController::PictureViewController;
};

} // namespace quindle
