#pragma once

#include "platform/Image.h"
#include "ui/View.h"

namespace quindle {

/// How a picture fills its view.
enum class ContentMode { ScaleToFill, AspectFit, AspectFill, Center };

/// Shows a decoded picture, a named bundled picture, or a picture still to come from an address.
class ImageView : public View {
public:
    static std::shared_ptr<ImageView> create(Rect frame = {});

    std::shared_ptr<const Image> image() const { return m_image; }
    void setImage(std::shared_ptr<const Image> image) { update(m_image, std::move(image), ChangeKind::Content); }
    /// A picture of the application bundle ("selectImage.png").
    const std::string& imageName() const { return m_imageName; }
    void setImageName(std::string name) { update(m_imageName, std::move(name), ChangeKind::Content); }
    /// Where the picture is loaded from, for renderers that fetch it themselves.
    const std::string& imageURL() const { return m_url; }
    void setImageURL(std::string url) { update(m_url, std::move(url), ChangeKind::Content); }
    ContentMode contentMode() const { return m_mode; }
    void setContentMode(ContentMode mode) { update(m_mode, mode, ChangeKind::Appearance); }
    /// The picture's own size in points, zero without a decoded picture.
    Size imageSize() const;

private:
    explicit ImageView(Rect frame) : View(frame) { }
    std::shared_ptr<const Image> m_image;
    std::string m_imageName;
    std::string m_url;
    ContentMode m_mode { ContentMode::ScaleToFill };
};

} // namespace quindle
