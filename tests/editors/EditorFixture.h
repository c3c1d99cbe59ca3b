#pragma once
// Shared set-up of the picture screen tests: a shown window, a photo picker that hands over
// what the test put in it, a JPEG made here, and a look at the JSON bodies the server saw.

#include "content/ContentFixture.h"
#include "platform/Image.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/PhotoPicker.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

namespace quindle::test {

/// Answers each pick with `next` (null: cancelled), on the main queue as a real picker does.
class HandOverPicker : public PhotoPicker {
public:
    void pickPhoto(Completion done) override
    {
        ++picks;
        MainQueue::shared().dispatch([done, photo = next] { done(photo); });
    }
    std::shared_ptr<Image> next;
    int picks = 0;
};

/// A plain-coloured picture of the given size.
inline std::shared_ptr<Image> solidPicture(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    std::vector<uint8_t> rgba;
    for (int i = 0; i < width * height; ++i)
        rgba.insert(rgba.end(), { red, green, blue, 255 });
    return Image::create(width, height, std::move(rgba));
}

inline std::string jpegBytes(int width = 8, int height = 6) { return *solidPicture(width, height, 200, 40, 40)->jpegData(1.0); }

inline JsonObjectPtr parsedBody(const RecordedRequest& request)
{
    auto parsed = JsonParser::parse(request.body);
    return parsed && parsed->isObject() ? parsed->object() : nullptr;
}

class EditorFixture : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        picker = std::make_shared<HandOverPicker>();
        PhotoPicker::setShared(picker);
        window = Window::create();
    }
    void TearDown() override
    {
        PhotoPicker::setShared(nullptr);
        ReferenceServerFixture::TearDown();
    }
    /// Shows the screen at the root of a navigation stack in the window.
    void show(const std::shared_ptr<ViewController>& screen)
    {
        nav = NavigationController::create(screen);
        window->setRootViewController(nav);
        window->makeKeyAndVisible();
    }
    /// The requests the recording server saw whose path ends with `endpoint`.
    std::vector<RecordedRequest> requestsTo(const std::string& endpoint) const
    {
        std::vector<RecordedRequest> found;
        for (const auto& request : server.requests())
            if (request.path.ends_with(endpoint))
                found.push_back(request);
        return found;
    }
    void logInToReference()
    {
        useReferenceServer();
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.waitFor(1));
        settle();
    }

    std::shared_ptr<HandOverPicker> picker;
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> nav;
};

} // namespace quindle::test
