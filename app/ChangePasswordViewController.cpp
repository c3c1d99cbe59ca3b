#include "app/ChangePasswordViewController.h"

#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"

namespace quindle {

std::shared_ptr<ChangePasswordViewController> ChangePasswordViewController::create(Model& model)
{
    auto screen = std::shared_ptr<ChangePasswordViewController>(new ChangePasswordViewController(model));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

ChangePasswordViewController::ChangePasswordViewController(Model& model)
    : StaticTableViewController("Change password")
    , m_model(model)
    , m_passwordField(makeField("New password", SecureEntry::Yes))
    , m_confirmPasswordField(makeField("Confirm password", SecureEntry::Yes))
{
}

void ChangePasswordViewController::viewDidLoad()
{
    std::weak_ptr<ChangePasswordViewController> weak = std::static_pointer_cast<ChangePasswordViewController>(shared_from_this());
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto self = weak.lock())
            self->save();
    }));
    setRows({ { fieldCell(m_passwordField), defaultFieldRowHeight, {} },
        { fieldCell(m_confirmPasswordField), defaultFieldRowHeight, {} } });
}

void ChangePasswordViewController::save()
{
    std::weak_ptr<ChangePasswordViewController> weak = std::static_pointer_cast<ChangePasswordViewController>(shared_from_this());
    m_model.changePassword(m_passwordField->text(), [weak](std::optional<JsonValue> content, std::optional<Error> error) {
        // A refused change (not logged in, empty password) arrives as a reply without content.
        const bool changed = !error && content;
        MainQueue::shared().dispatch([weak, changed] {
            auto self = weak.lock();
            if (!self)
                return;
            self->showAlert("Change password", changed ? "Your password has been changed" : "An error occured when changing your password",
                "Ok", [weak] {
                    auto screen = weak.lock();
                    if (auto stack = screen ? screen->navigationController() : nullptr)
                        stack->popViewController(Animated::Yes);
                });
        });
    });
}

} // namespace quindle
