#include "editors/PictureViewController.h"

#include "editors/EditorAlert.h"
#include "editors/RecordPicture.h"
#include "platform/MainQueue.h"
#include "ui/PhotoPicker.h"

namespace quindle {

PictureViewController::PictureViewController(JsonObjectPtr object, EditorCompletion completion)
    : ViewController(object ? recordPicture::text(object->get("name")) : std::string {})
    , m_object(std::move(object))
    , m_completionHandler(std::move(completion))
{
}

void PictureViewController::loadView()
{
    m_imageView = ImageView::create();
    m_imageView->setContentMode(ContentMode::AspectFit);
    m_imageView->setBackgroundColour(Colour::black());
    setView(m_imageView);
}

std::shared_ptr<ImageView> PictureViewController::imageView()
{
    view();
    return m_imageView;
}

void PictureViewController::viewDidLoad()
{
    if (m_object)
        setTitle(recordPicture::text(m_object->get("name")));
    if (offersChange()) {
        std::weak_ptr<ViewController> weak = weak_from_this();
        setRightBarButtonItem(BarButtonItem::create("Change", BarButtonStyle::Plain, [weak] {
            if (auto self = std::static_pointer_cast<PictureViewController>(weak.lock()))
                self->change();
        }));
    }
    auto picture = recordPicture::image(m_object);
    m_imageView->setImage(picture);
    // A picture known only by its address is fetched and kept in the record, as the forms do.
    auto url = picture ? std::nullopt : recordPicture::address(m_object);
    if (!url)
        return;
    std::weak_ptr<ViewController> weak = weak_from_this();
    recordPicture::fetch(*url, [weak, record = m_object](std::shared_ptr<Image> fetched) {
        auto self = std::static_pointer_cast<PictureViewController>(weak.lock());
        if (!self || !fetched || self->m_object != record || recordPicture::image(record))
            return;
        recordPicture::setImage(record, fetched);
        self->m_imageView->setImage(fetched);
    });
}

// The screen's view is loaded before it shows, as on the platform.
void PictureViewController::viewWillAppear(Animated) { view(); }

void PictureViewController::change()
{
    auto picker = PhotoPicker::shared();
    if (!picker || m_sending)
        return;
    std::weak_ptr<ViewController> weak = weak_from_this();
    picker->pickPhoto([weak](std::shared_ptr<Image> photo) {
        if (auto self = std::static_pointer_cast<PictureViewController>(weak.lock()))
            self->didPickPhoto(photo);
    });
}

void PictureViewController::didPickPhoto(const std::shared_ptr<Image>& photo)
{
    if (!photo || !m_object || m_sending)
        return;
    auto previous = recordPicture::image(m_object);
    m_pic = photo;
    recordPicture::setImage(m_object, photo);
    imageView()->setImage(photo);
    m_sending = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    sendPicture(photo, [weak, previous, record = m_object](std::optional<JsonValue> content, std::optional<Error> error) {
        MainQueue::shared().dispatch([weak, previous, record, content = std::move(content), error = std::move(error)]() mutable {
            if (auto self = std::static_pointer_cast<PictureViewController>(weak.lock()))
                self->finish(record, previous, std::move(content), std::move(error));
            else if (!content || error)
                recordPicture::setImage(record, previous);
        });
    });
}

void PictureViewController::finish(const JsonObjectPtr& record, std::shared_ptr<Image> previous, std::optional<JsonValue> content, std::optional<Error> error)
{
    m_sending = false;
    if (!content || error) {
        // The server kept the old picture: so do the record and the screen.
        recordPicture::setImage(record, previous);
        m_imageView->setImage(previous);
        EditorAlert::show(*this, failureTitle(), failureMessage());
        return;
    }
    if (m_completionHandler)
        m_completionHandler(std::move(content));
}

} // namespace quindle
