#include "app/UserViewController.h"

#include "app/AppDelegate.h"
#include "app/BeaconListViewController.h"
#include "app/ChangePasswordViewController.h"
#include "core/Model.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TabEditViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"

#include <cstdio>

namespace quindle {

namespace {

std::string componentsText(double red, double green, double blue)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.2f,%.2f,%.2f", red, green, blue);
    return text;
}

/// An unset value reads as "(null)", which makes the whole string carry no options.
std::string orNull(const std::string& value)
{
    return value.empty() ? std::string("(null)") : value;
}

} // namespace

std::shared_ptr<UserViewController> UserViewController::create(Model& model)
{
    auto screen = std::shared_ptr<UserViewController>(new UserViewController(model));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

UserViewController::UserViewController(Model& model)
    : StaticTableViewController("Account")
    , m_model(model)
{
    setTabBarItem({ "Account", "second.png", {} });
}

void UserViewController::viewDidLoad()
{
    // The screen's own copies: saving sends them but leaves the session's values alone.
    m_fontName = m_model.userFontName();
    m_size = m_model.userFontSize();
    if (auto colour = m_model.userTextColour()) {
        m_textRed = colour->red;
        m_textGreen = colour->green;
        m_textBlue = colour->blue;
    }
    if (auto colour = m_model.userBackgroundColour()) {
        m_backgroundRed = colour->red;
        m_backgroundGreen = colour->green;
        m_backgroundBlue = colour->blue;
    }

    std::weak_ptr<UserViewController> weak = std::static_pointer_cast<UserViewController>(shared_from_this());
    auto call = [weak](void (UserViewController::*operation)()) {
        return [weak, operation] {
            if (auto self = weak.lock())
                (self.get()->*operation)();
        };
    };
    setRightBarButtonItems({ BarButtonItem::create("Logout", BarButtonStyle::Plain, call(&UserViewController::logout)),
        BarButtonItem::create("Save", BarButtonStyle::Plain, call(&UserViewController::save)) });

    Model* model = &m_model;
    auto opens = [weak](std::function<std::shared_ptr<ViewController>()> make) {
        return [weak, make = std::move(make)] {
            if (auto self = weak.lock())
                self->push(make());
        };
    };
    auto row = [](std::string label, std::function<void()> action) {
        return Row { captionCell(std::move(label), AccessoryType::DisclosureIndicator), TableView::defaultRowHeight, std::move(action) };
    };
    setRows({
        row("Change password", opens([model] { return ChangePasswordViewController::create(*model); })),
        row("Beacon list", opens([] { return BeaconListViewController::create(); })),
        row("Default font", opens([weak] {
            auto self = weak.lock();
            return TextEditorFontViewController::create(self->m_fontName, [weak](const std::string& name) {
                if (auto screen = weak.lock())
                    screen->chooseFont(name);
            });
        })),
        row("Default font size", opens([weak] {
            auto self = weak.lock();
            return TextEditorSizeViewController::create(self->m_size, [weak](const std::string& size) {
                if (auto screen = weak.lock())
                    screen->chooseSize(size);
            });
        })),
        row("Default text colour", opens([weak] {
            auto self = weak.lock();
            return ColorWheelViewController::create([weak](Colour colour) {
                if (auto screen = weak.lock())
                    screen->updateTextColour(colour);
            }, self->textColour());
        })),
        row("Default background colour", opens([weak] {
            auto self = weak.lock();
            return ColorWheelViewController::create([weak](Colour colour) {
                if (auto screen = weak.lock())
                    screen->updateBackgroundColour(colour);
            }, self->backgroundColour());
        })),
        row("Set site image", opens([model] { return TabEditViewController::create(*model); })),
    });
}

void UserViewController::viewWillAppear(Animated)
{
    auto item = tabBarItem();
    item.imageName = "first.png";
    setTabBarItem(std::move(item));
}

void UserViewController::push(const std::shared_ptr<ViewController>& screen)
{
    if (auto stack = navigationController())
        stack->pushViewController(screen, Animated::Yes);
}

void UserViewController::closeChooser()
{
    auto stack = navigationController();
    if (stack && stack->topViewController().get() != this)
        stack->popViewController(Animated::Yes);
}

std::string UserViewController::optionsString() const
{
    return orNull(m_fontName) + ":" + orNull(m_size) + ":" + componentsText(m_textRed, m_textGreen, m_textBlue) + ":"
        + componentsText(m_backgroundRed, m_backgroundGreen, m_backgroundBlue);
}

void UserViewController::save()
{
    auto body = JsonObject::create();
    body->set("toptions", optionsString());
    std::weak_ptr<UserViewController> weak = std::static_pointer_cast<UserViewController>(shared_from_this());
    m_model.sendOptions(body, [weak](std::optional<JsonValue> content, std::optional<Error> error) {
        if (content && !error)
            return; // a stored save shows nothing
        MainQueue::shared().dispatch([weak] {
            if (auto self = weak.lock())
                self->showAlert("Not saved", "Your default font, size and colours were not saved; nothing was changed on the server.", "OK");
        });
    });
}

void UserViewController::chooseFont(const std::string& name)
{
    m_fontName = name;
    tableView()->reloadData();
    closeChooser();
}

void UserViewController::chooseSize(const std::string& size)
{
    m_size = size;
    tableView()->reloadData();
    closeChooser();
}

void UserViewController::logout()
{
    Model* model = &m_model;
    m_model.logoutWithCompletionHandler([model](std::optional<JsonValue>, std::optional<Error>) {
        // Logged out here whatever the server says, also when it cannot be reached.
        model->setAuthToken({});
        MainQueue::shared().dispatch([] {
            if (auto shell = std::dynamic_pointer_cast<AppDelegate>(ApplicationShell::shared()))
                shell->showNormalTabbar();
        });
    });
}

void UserViewController::updateTextColour(Colour colour)
{
    m_textRed = colour.red;
    m_textGreen = colour.green;
    m_textBlue = colour.blue;
    closeChooser();
}

void UserViewController::updateBackgroundColour(Colour colour)
{
    m_backgroundRed = colour.red;
    m_backgroundGreen = colour.green;
    m_backgroundBlue = colour.blue;
    closeChooser();
}

} // namespace quindle
