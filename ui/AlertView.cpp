#include "ui/AlertView.h"

#include "ui/ViewController.h"
#include "ui/Window.h"

#include <algorithm>

namespace quindle {

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message, std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles)
{
    auto alert = std::shared_ptr<AlertView>(new AlertView);
    alert->m_title = std::move(title);
    alert->m_message = std::move(message);
    if (!cancelButtonTitle.empty()) {
        alert->m_cancelIndex = 0;
        alert->m_buttons.push_back(std::move(cancelButtonTitle));
    }
    for (auto& other : otherButtonTitles)
        alert->m_buttons.push_back(std::move(other));
    return alert;
}

std::string AlertView::buttonTitleAtIndex(int index) const
{
    return index >= 0 && index < numberOfButtons() ? m_buttons[index] : std::string();
}

int AlertView::addButtonWithTitle(std::string title)
{
    m_buttons.push_back(std::move(title));
    return numberOfButtons() - 1;
}

void AlertView::setAlertViewStyle(AlertViewStyle style)
{
    m_style = style;
    m_fields.clear();
    switch (style) {
    case AlertViewStyle::Default:
        break;
    case AlertViewStyle::PlainTextInput:
        m_fields.push_back(TextField::create());
        break;
    case AlertViewStyle::SecureTextInput:
        m_fields.push_back(TextField::create());
        m_fields.back()->setSecureTextEntry(SecureEntry::Yes);
        break;
    case AlertViewStyle::LoginAndPasswordInput:
        m_fields.push_back(TextField::create());
        m_fields.push_back(TextField::create());
        m_fields.back()->setSecureTextEntry(SecureEntry::Yes);
        break;
    }
}

std::shared_ptr<TextField> AlertView::textFieldAtIndex(size_t index) const
{
    return index < m_fields.size() ? m_fields[index] : nullptr;
}

void AlertView::show(const std::shared_ptr<Window>& window)
{
    if (m_visible)
        return;
    m_visible = true;
    m_window = window;
    if (!window)
        return;
    window->addAlert(shared_from_this());
    if (auto o = window->observer())
        o->alertChanged(*this, AlertChange::Shown, -1);
}

void AlertView::show(const ViewController& over) { show(over.window()); }

bool AlertView::chooseButton(int buttonIndex)
{
    if (!m_visible || buttonIndex < 0 || buttonIndex >= numberOfButtons())
        return false;
    // The window may hold the last reference; the handlers below still need this alert.
    auto keepAlive = shared_from_this();
    auto delegate = m_delegate.lock();
    if (delegate)
        delegate->clickedButtonAtIndex(*this, buttonIndex);
    m_visible = false;
    if (auto window = m_window.lock()) {
        window->removeAlert(*this);
        if (auto o = window->observer())
            o->alertChanged(*this, AlertChange::Dismissed, buttonIndex);
    }
    m_window.reset();
    if (delegate)
        delegate->didDismissWithButtonIndex(*this, buttonIndex);
    if (onDismiss) {
        auto handler = onDismiss;
        handler(*this, buttonIndex);
    }
    return true;
}

bool AlertView::chooseButtonWithTitle(const std::string& title)
{
    auto it = std::ranges::find(m_buttons, title);
    return it != m_buttons.end() && chooseButton(static_cast<int>(it - m_buttons.begin()));
}

} // namespace quindle
