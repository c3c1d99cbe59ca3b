#include "app/CreateAccountViewController.h"

#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/TextField.h"

namespace quindle {

namespace {

/// Length in characters, not bytes: a name in another script is not cut short.
size_t characterCount(const std::string& text)
{
    size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

} // namespace

std::shared_ptr<CreateAccountViewController> CreateAccountViewController::create(Model& model, std::function<void()> completionHandler)
{
    auto screen = std::shared_ptr<CreateAccountViewController>(new CreateAccountViewController(model, std::move(completionHandler)));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

CreateAccountViewController::CreateAccountViewController(Model& model, std::function<void()> completionHandler)
    : StaticTableViewController("Register your app")
    , m_model(model)
    , m_completionHandler(std::move(completionHandler))
    , m_textCell(captionCell("Register your organisation. We will send you an e-mail to verify your address."))
    , m_emailField(makeField("E-mail", SecureEntry::No, KeyboardType::EmailAddress))
    , m_passwordField(makeField("Password", SecureEntry::Yes))
    , m_passwordConfirmField(makeField("Confirm password", SecureEntry::Yes))
    , m_organisationField(makeField("Organisation"))
{
    m_textCell->textLabel()->setNumberOfLines(0);
    m_textCell->setSelectionStyle(SelectionStyle::None);
}

void CreateAccountViewController::viewDidLoad()
{
    std::weak_ptr<CreateAccountViewController> weak = std::static_pointer_cast<CreateAccountViewController>(shared_from_this());
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto self = weak.lock())
            self->close();
    }));
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto self = weak.lock())
            self->save();
    }));
    setRows({ { m_textCell, textRowHeight, {} }, { fieldCell(m_emailField), fieldRowHeight, {} },
        { fieldCell(m_passwordField), fieldRowHeight, {} }, { fieldCell(m_passwordConfirmField), fieldRowHeight, {} },
        { fieldCell(m_organisationField), fieldRowHeight, {} } });
}

bool CreateAccountViewController::save()
{
    // A second Save before the answer would register the organisation twice.
    if (m_isSending)
        return false;
    struct Check {
        std::vector<TextField*> fields;
        bool passes;
    };
    const std::string password = m_passwordField->text();
    const Check checks[] = {
        { { m_emailField.get() }, characterCount(m_emailField->text()) >= minimumEmailLength },
        { { m_passwordField.get(), m_passwordConfirmField.get() }, characterCount(password) >= minimumPasswordLength },
        { { m_passwordField.get(), m_passwordConfirmField.get() }, password == m_passwordConfirmField->text() },
        { { m_organisationField.get() }, characterCount(m_organisationField->text()) >= minimumOrganisationLength },
    };
    for (const Check& check : checks) {
        for (TextField* field : check.fields)
            field->setBackgroundColour(check.passes ? Colour::white() : warningColour);
        if (!check.passes)
            return false;
    }

    m_isSending = true;
    std::weak_ptr<CreateAccountViewController> weak = std::static_pointer_cast<CreateAccountViewController>(shared_from_this());
    m_model.addAccountWithUsername(m_emailField->text(), password, m_organisationField->text(),
        [weak](std::optional<JsonValue> content, std::optional<Error> error) {
            // A refused registration (bad input) comes back without content.
            const bool registered = !error && content;
            std::string reason = error ? error->localizedDescription : std::string();
            MainQueue::shared().dispatch([weak, registered, reason = std::move(reason)] {
                if (auto self = weak.lock())
                    self->replied(registered, reason);
            });
        });
    return true;
}

void CreateAccountViewController::replied(bool registered, const std::string& reason)
{
    m_isSending = false;
    std::weak_ptr<CreateAccountViewController> weak = std::static_pointer_cast<CreateAccountViewController>(shared_from_this());
    if (!registered) {
        // The screen stays open with what was typed, so the user can correct it.
        std::string message = "Your app could not be registered.";
        if (!reason.empty())
            message += "\n" + reason;
        showAlert("Register your app", message, "Ok");
        return;
    }
    showAlert("Verify email", "An email has been sent to your email address.\nPlease use the link to verify your address.", "Ok",
        [weak] {
            auto self = weak.lock();
            if (!self)
                return;
            if (auto handler = self->m_completionHandler)
                handler();
            self->close();
        });
}

} // namespace quindle
