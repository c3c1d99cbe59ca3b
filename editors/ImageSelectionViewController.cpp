#include "editors/ImageSelectionViewController.h"

#include "core/Asset.h"
#include "editors/EditorAlert.h"
#include "editors/ImageCollectionCell.h"
#include "editors/RecordPicture.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/PhotoPicker.h"

namespace quindle {

namespace {

using Self = ImageSelectionViewController;

std::shared_ptr<Self> lockSelf(const std::weak_ptr<ViewController>& weak) { return std::static_pointer_cast<Self>(weak.lock()); }

} // namespace

ImageSelectionViewController::ImageSelectionViewController(JsonObjectPtr object, ImageSelectionMode mode, EditorCompletion completion)
    : ViewController("Select image")
    , m_object(std::move(object))
    , m_addAction(mode == ImageSelectionMode::Add)
    , m_completionHandler(std::move(completion))
{
}

std::shared_ptr<ImageSelectionViewController> ImageSelectionViewController::create(JsonObjectPtr object, ImageSelectionMode mode,
    EditorCompletion completion)
{
    return std::shared_ptr<Self>(new Self(std::move(object), mode, std::move(completion)));
}

void ImageSelectionViewController::loadView()
{
    // The grid is the screen's view, so it is fitted to the screen at every layout.
    m_collectionView = CollectionView::create();
    m_collectionView->setItemSize(itemSize);
    m_collectionView->registerCell("ImageCell", [](const std::string& id) { return ImageCollectionCell::create(id); });
    m_collectionView->registerCell("Cell", [](const std::string& id) { return CollectionViewCell::create(id); });
    auto self = std::static_pointer_cast<Self>(shared_from_this());
    m_collectionView->setDataSource(self);
    m_collectionView->setDelegate(self);
    setView(m_collectionView);
}

std::shared_ptr<CollectionView> ImageSelectionViewController::collectionView()
{
    view();
    return m_collectionView;
}

void ImageSelectionViewController::viewDidLoad()
{
    setTitle("Select image");
    std::weak_ptr<ViewController> weak = weak_from_this();
    setRightBarButtonItem(BarButtonItem::create("Upload Image", BarButtonStyle::Plain, [weak] {
        if (auto self = lockSelf(weak))
            self->uploadImage();
    }));
    refresh();
}

void ImageSelectionViewController::viewWillAppear(Animated)
{
    // The view (and with it the first refresh) is loaded before the screen shows.
    view();
    if (auto stack = navigationController())
        stack->setNavigationBarHidden(BarVisibility::Shown);
    refresh();
}

void ImageSelectionViewController::refresh()
{
    // Loading and appearing come together: one request serves both.
    if (m_refreshing)
        return;
    m_refreshing = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    Model::defaultInstance().fetchImageListWithCompletionHandler([weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = lockSelf(weak);
            if (!self)
                return;
            self->m_refreshing = false;
            // A failed refresh keeps the grid as it is.
            if (content && content->isObject() && content->object()->get("ImageList").isArray()) {
                self->m_imageList = content->object()->get("ImageList").array();
                self->m_downloading.clear();
            }
            self->collectionView()->reloadData();
        });
    });
}

JsonObjectPtr ImageSelectionViewController::entryAt(int row) const
{
    if (!m_imageList || row < 0 || static_cast<size_t>(row) >= m_imageList->size())
        return nullptr;
    const JsonValue& entry = m_imageList->at(static_cast<size_t>(row));
    return entry.isObject() ? entry.object() : nullptr;
}

int ImageSelectionViewController::numberOfItemsInSection(CollectionView&, int)
{
    return m_imageList ? static_cast<int>(m_imageList->size()) : 1;
}

std::shared_ptr<CollectionViewCell> ImageSelectionViewController::cellForItemAtIndexPath(CollectionView& collection, IndexPath path)
{
    auto cell = std::dynamic_pointer_cast<ImageCollectionCell>(collection.dequeueReusableCellWithReuseIdentifier("ImageCell"));
    if (!cell)
        return collection.dequeueReusableCellWithReuseIdentifier("Cell");
    JsonObjectPtr entry = entryAt(path.row);
    const JsonValue* cached = entry ? entry->find("Image") : nullptr;
    auto picture = cached ? Image::fromValue(*cached) : nullptr;
    cell->imageView()->setImage(picture);
    if (picture || !entry || m_downloading.contains(entry))
        return cell;
    const JsonValue* url = asset::nodeForKey(entry, "ImageUrl");
    if (!url || !url->isString() || url->asString().empty())
        return cell;
    m_downloading.insert(entry);
    std::weak_ptr<ViewController> weak = weak_from_this();
    recordPicture::fetch(url->asString(), [weak, entry](std::shared_ptr<Image> fetched) {
        if (auto self = lockSelf(weak))
            self->thumbnailArrived(entry, fetched);
    });
    return cell;
}

void ImageSelectionViewController::thumbnailArrived(const JsonObjectPtr& entry, const std::shared_ptr<Image>& picture)
{
    // A failed or undecodable download leaves the item empty until it is drawn again.
    m_downloading.erase(entry);
    if (!picture)
        return;
    entry->set("Image", JsonValue(std::static_pointer_cast<Opaque>(picture)));
    for (int row = 0; m_imageList && static_cast<size_t>(row) < m_imageList->size(); ++row) {
        if (entryAt(row) == entry) {
            collectionView()->reloadItemsAtIndexPaths({ { 0, row } });
            return;
        }
    }
}

void ImageSelectionViewController::didSelectItemAtIndexPath(CollectionView&, IndexPath path)
{
    m_selectedImage = entryAt(path.row);
    auto alert = AlertView::create("Title", "Please enter image name", "Cancel", { "OK" });
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    std::weak_ptr<ViewController> weak = weak_from_this();
    if (auto field = alert->textFieldAtIndex(0)) {
        field->onEndEditing = [weak](TextField& edited) {
            if (auto self = lockSelf(weak))
                self->m_imageName = edited.text();
        };
    }
    alert->setDelegate(std::static_pointer_cast<Self>(shared_from_this()));
    m_alert = alert;
    alert->show(*this);
}

void ImageSelectionViewController::clickedButtonAtIndex(AlertView& alert, int buttonIndex)
{
    if (buttonIndex != 1)
        return;
    // The field may still have focus when "OK" is chosen.
    if (auto field = alert.textFieldAtIndex(0))
        m_imageName = field->text();
    confirm();
}

void ImageSelectionViewController::confirm()
{
    // The single empty item stands for no picture: there is nothing to add or link.
    if (!m_selectedImage || !m_object || m_sending)
        return;
    const JsonValue* url = asset::nodeForKey(m_selectedImage, "ImageUrl");
    m_selectedURL = url && url->isString() ? url->asString() : std::string {};
    auto oldAddress = recordPicture::SavedValue::of(m_object, "assVal");
    auto oldImage = recordPicture::SavedValue::of(m_object, "image");
    // Linking makes the picture the item's own; adding makes a new item and leaves the page's
    // own picture alone.
    if (!m_addAction && !m_selectedURL.empty()) {
        m_object->set("assVal", m_selectedURL);
        m_object->erase("image");
    }
    m_sending = true;

    std::weak_ptr<ViewController> weak = weak_from_this();
    bool adding = m_addAction;
    auto reported = m_selectedURL;
    auto handler = [weak, record = m_object, oldAddress, oldImage, adding, reported](std::optional<JsonValue> content, std::optional<Error> error) {
        bool taken = content && !error;
        MainQueue::shared().dispatch([weak, record, oldAddress, oldImage, adding, reported, taken] {
            if (!taken) {
                // The server kept the old picture: so does the record.
                oldAddress.restore(record);
                oldImage.restore(record);
            }
            auto self = lockSelf(weak);
            if (!self)
                return;
            self->m_sending = false;
            if (!taken) {
                EditorAlert::show(*self, adding ? "Picture not added" : "Picture not linked",
                    adding ? "The picture was not added to the page. Nothing was changed." : "The picture was not linked to the item. Nothing was changed.");
                return;
            }
            if (self->m_completionHandler) {
                auto answer = JsonObject::create();
                answer->set("assVal", reported);
                self->m_completionHandler(JsonValue(answer));
            }
        });
    };
    if (m_addAction)
        Model::defaultInstance().addImage(m_object, m_selectedImage, std::move(handler));
    else
        Model::defaultInstance().linkImage(m_object, m_selectedImage, std::move(handler));
}

void ImageSelectionViewController::uploadImage()
{
    auto picker = PhotoPicker::shared();
    if (!picker || m_sending)
        return;
    std::weak_ptr<ViewController> weak = weak_from_this();
    picker->pickPhoto([weak](std::shared_ptr<Image> photo) {
        if (auto self = lockSelf(weak))
            self->didPickPhoto(photo);
    });
}

void ImageSelectionViewController::didPickPhoto(const std::shared_ptr<Image>& photo)
{
    if (!photo || !m_object || m_sending)
        return;
    m_pic = photo;
    auto oldImage = recordPicture::SavedValue::of(m_object, "image");
    recordPicture::setImage(m_object, photo);
    m_sending = true;
    std::weak_ptr<ViewController> weak = weak_from_this();
    Model::defaultInstance().sendImage(m_object, [weak, record = m_object, oldImage](std::optional<JsonValue> content, std::optional<Error> error) {
        MainQueue::shared().dispatch([weak, record, oldImage, content = std::move(content), error = std::move(error)]() mutable {
            bool taken = content && !error;
            if (!taken)
                oldImage.restore(record);
            auto self = lockSelf(weak);
            if (!self)
                return;
            self->m_sending = false;
            if (!taken) {
                EditorAlert::show(*self, "Picture not uploaded", "The picture was not uploaded. Nothing was changed.");
                return;
            }
            if (self->m_completionHandler)
                self->m_completionHandler(std::move(content));
        });
    });
}

} // namespace quindle
