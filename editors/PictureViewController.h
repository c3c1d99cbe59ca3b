#pragma once

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"
#include "ui/ImageView.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>
#include <string>

namespace quindle {

/// One record's picture shown large, with a "Change" bar button that takes a new picture from
/// the photo picker and sends it. Subclasses say where it goes. A picture the server did not
/// take is taken back from the record and the screen, and the user is told.
class PictureViewController : public ViewController {
public:
    const JsonObjectPtr& object() const { return m_object; }
    void setObject(JsonObjectPtr object) { m_object = std::move(object); }
    const std::string& parentID() const { return m_parentID; }
    void setParentID(std::string parentID) { m_parentID = std::move(parentID); }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    /// The picture last chosen in the picker.
    const std::shared_ptr<Image>& pic() const { return m_pic; }
    std::shared_ptr<ImageView> imageView();
    /// Whether a picture is on its way to the server (a second change waits for it).
    bool isSending() const { return m_sending; }

    /// Presents the photo picker; a chosen picture is stored, shown and sent.
    void change();
    /// What the picker hands back: null (cancelled) changes nothing.
    void didPickPhoto(const std::shared_ptr<Image>& photo);

protected:
    PictureViewController(JsonObjectPtr object, EditorCompletion completion);
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

    /// Sends the record, whose "image" already holds the new picture.
    virtual void sendPicture(const std::shared_ptr<Image>& photo, Model::Handler handler) = 0;
    /// The alert's title and message when the server did not take the picture.
    virtual std::string failureTitle() const { return "Picture not saved"; }
    virtual std::string failureMessage() const = 0;
    /// Whether the "Change" button is offered.
    virtual bool offersChange() const { return true; }

private:
    void finish(const JsonObjectPtr& record, std::shared_ptr<Image> previous, std::optional<JsonValue> content, std::optional<Error> error);

    JsonObjectPtr m_object;
    std::string m_parentID;
    EditorCompletion m_completionHandler;
    std::shared_ptr<ImageView> m_imageView;
    std::shared_ptr<Image> m_pic;
    bool m_sending { false };
};

} // namespace quindle
