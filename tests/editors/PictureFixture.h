#pragma once
// The editor tests' base set-up: a shown window, a photo picker handing over what the test put
// in it, pictures made here, the JSON bodies the server saw, alerts as text, answers kept, and
// the demo site on the reference server.

#include "content/ContentFixture.h"
#include "platform/Base64.h"
#include "platform/Image.h"
#include "platform/JsonParser.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/PhotoPicker.h"
#include "ui/Window.h"

namespace quindle::test {

/// Answers each pick with `next` (null: cancelled), on the main queue as a real picker does.
class HandOverPicker : public PhotoPicker {
public:
    void pickPhoto(Completion done) override { MainQueue::shared().dispatch([done, photo = next] { done(photo); }); }
    std::shared_ptr<Image> next;
};

inline std::shared_ptr<Image> solidPicture(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; ++i)
        rgba.insert(rgba.end(), { red, green, blue, 255 });
    return Image::create(width, height, std::move(rgba));
}

/// The alert as "title|button|...", "(none)" without one.
inline std::string titleOf(const std::shared_ptr<AlertView>& alert)
{
    std::string shown = alert ? alert->title() : "(none)";
    for (const auto& button : alert ? alert->buttonTitles() : std::vector<std::string> {})
        shown += "|" + button;
    return shown;
}

/// The top alert as titleOf shows it; it is answered with its first button.
inline std::string answerAlert(Window& window)
{
    auto alert = window.topAlert();
    std::string shown = titleOf(alert);
    if (alert)
        alert->chooseButton(0);
    return shown;
}

inline JsonObjectPtr parsedBody(const RecordedRequest& request)
{
    auto parsed = JsonParser::parse(request.body);
    return parsed && parsed->isObject() ? parsed->object() : nullptr;
}

/// An upload's body: the item's id and the whole picture as a full quality JPEG, nothing else.
inline void expectUpload(const RecordedRequest& request, const std::string& id, const Image& photo)
{
    EXPECT_EQ(JsonParser::parse(request.body),
        JsonValue(JsonObject::create({ { "assetid", id }, { "image", Base64::encode(*photo.jpegData(1.0)) } })));
}

class PictureFixture : public DemoSiteFixture {
protected:
    void SetUp() override
    {
        DemoSiteFixture::SetUp();
        PhotoPicker::setShared(picker);
    }
    void TearDown() override
    {
        PhotoPicker::setShared(nullptr);
        DemoSiteFixture::TearDown();
    }
    void show(const std::shared_ptr<ViewController>& screen)
    {
        window->setRootViewController(nav = NavigationController::create(screen));
        window->makeKeyAndVisible();
    }
    std::vector<RecordedRequest> requestsTo(const std::string& endpoint) const
    {
        std::vector<RecordedRequest> found;
        for (const auto& request : server.requests())
            if (request.path.ends_with(endpoint))
                found.push_back(request);
        return found;
    }
    /// Logs the demo owner in on the reference server and answers the start page's id.
    std::string loginToReference()
    {
        EXPECT_TRUE(logInDemoOwner());
        settle();
        return asset::ident(directory("")).value_or("");
    }
    bool shown() const { return root->presentedViewController() != nullptr; }
    /// A completion that keeps each answer, whether it came on the main queue and whether a
    /// screen was still shown over the page then.
    EditorCompletion keep()
    {
        return [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
            onMain.push_back(MainQueue::shared().isMainThread());
            whileShown.push_back(shown());
        };
    }
    std::vector<std::optional<JsonValue>> answers;
    std::vector<bool> onMain, whileShown;
    std::shared_ptr<HandOverPicker> picker = std::make_shared<HandOverPicker>();
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<ViewController> root = ViewController::create("Page");
    std::shared_ptr<NavigationController> nav;
};

} // namespace quindle::test
