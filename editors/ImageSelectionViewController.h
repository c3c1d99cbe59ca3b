#pragma once

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"
#include "ui/AlertView.h"
#include "ui/CollectionView.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace quindle {

/// The owner's image library as a grid of thumbnails. Tapping one and confirming its name adds
/// it to `object` as a new image item (`addAction`) or links it to `object` as its picture;
/// "Upload Image" sends a picture from the photo picker as `object`'s picture instead.
class ImageSelectionViewController : public ViewController,
                                     public CollectionViewDataSource,
                                     public CollectionViewDelegate,
                                     public AlertViewDelegate {
public:
    static constexpr Size itemSize { 100, 100 };

    static std::shared_ptr<ImageSelectionViewController> create(JsonObjectPtr object, ImageSelectionMode mode = ImageSelectionMode::Link,
        EditorCompletion completion = {});

    const JsonObjectPtr& object() const { return m_object; }
    bool addAction() const { return m_addAction; }
    void setAddAction(bool addAction) { m_addAction = addAction; }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<CollectionView> collectionView();
    const std::string& imageName() const { return m_imageName; }
    const std::string& selectedURL() const { return m_selectedURL; }
    /// The library entry tapped last, or null (the empty item before the list arrives).
    const JsonObjectPtr& selectedImage() const { return m_selectedImage; }
    /// The library; null until a list has arrived.
    const JsonArrayPtr& imageList() const { return m_imageList; }
    const std::shared_ptr<Image>& pic() const { return m_pic; }
    /// The name alert while it is open.
    std::shared_ptr<AlertView> nameAlert() const { return m_alert.lock(); }

    /// Asks for the library again; the grid reloads when it arrives.
    void refresh();
    /// "Upload Image": presents the photo picker.
    void uploadImage();
    /// What the picker hands back: null (cancelled) changes nothing.
    void didPickPhoto(const std::shared_ptr<Image>& photo);

    int numberOfItemsInSection(CollectionView&, int section) override;
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView&, IndexPath path) override;
    void didSelectItemAtIndexPath(CollectionView&, IndexPath path) override;
    void clickedButtonAtIndex(AlertView& alert, int buttonIndex) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    ImageSelectionViewController(JsonObjectPtr object, ImageSelectionMode mode, EditorCompletion completion);
    JsonObjectPtr entryAt(int row) const;
    void thumbnailArrived(const JsonObjectPtr& entry, const std::shared_ptr<Image>& picture);
    void confirm();

    JsonObjectPtr m_object;
    bool m_addAction;
    EditorCompletion m_completionHandler;
    std::shared_ptr<CollectionView> m_collectionView;
    std::string m_imageName;
    std::string m_selectedURL;
    JsonObjectPtr m_selectedImage;
    JsonArrayPtr m_imageList;
    std::shared_ptr<Image> m_pic;
    std::weak_ptr<AlertView> m_alert;
    /// Entries whose thumbnail is on its way, so a redraw does not ask again.
    std::set<JsonObjectPtr> m_downloading;
    bool m_refreshing { false };
    bool m_sending { false };
};

} // namespace quindle
