#include "app/ResetPasswordViewController.h"

#include "core/Model.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"

namespace quindle {

std::shared_ptr<ResetPasswordViewController> ResetPasswordViewController::create(Model& model, std::string email)
{
    auto screen = std::shared_ptr<ResetPasswordViewController>(new ResetPasswordViewController(model, std::move(email)));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

ResetPasswordViewController::ResetPasswordViewController(Model& model, std::string email)
    : StaticTableViewController("Reset password")
    , m_model(model)
    , m_email(std::move(email))
    , m_emailField(makeField("E-mail", SecureEntry::No, KeyboardType::EmailAddress))
{
    m_emailField->setText(m_email);
}

void ResetPasswordViewController::viewDidLoad()
{
    std::weak_ptr<ResetPasswordViewController> weak = std::static_pointer_cast<ResetPasswordViewController>(shared_from_this());
    setRightBarButtonItem(BarButtonItem::create("Reset", BarButtonStyle::Done, [weak] {
        if (auto self = weak.lock())
            self->reset();
    }));
    setRows({ { fieldCell(m_emailField), defaultFieldRowHeight, {} } });
}

void ResetPasswordViewController::reset()
{
    // The server does not say whether it knows the address, so the reply is not awaited.
    m_model.resetPassword(m_emailField->text());
    std::weak_ptr<ResetPasswordViewController> weak = std::static_pointer_cast<ResetPasswordViewController>(shared_from_this());
    showAlert("Reset password", "A temporary password has been sent to your email", "Ok", [weak] {
        auto self = weak.lock();
        if (auto stack = self ? self->navigationController() : nullptr)
            stack->popViewController(Animated::Yes);
    });
}

} // namespace quindle
