#include "ui/AlertView.h"

namespace quindle {

std::shared_ptr<AlertView> AlertView::create(std::string title, std::string message, std::string cancelButtonTitle,
                                             std::vector<std::string> otherButtonTitles)
{
    auto alert = std::shared_ptr<AlertView>(new AlertView);
    alert->m_title = std::move(title);
    alert->m_message = std::move(message);
    if (!cancelButtonTitle.empty())
        alert->m_buttons.push_back(std::move(cancelButtonTitle));
    for (auto& other : otherButtonTitles)
        alert->m_buttons.push_back(std::move(other));
    return alert;
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

void AlertView::show(const std::shared_ptr<ViewObserver>& observer)
{
    m_visible = true;
    m_observer = observer;
    if (observer)
        observer->alertShown(*this);
}

bool AlertView::chooseButton(int buttonIndex)
{
    if (!m_visible || buttonIndex < 0 || buttonIndex >= static_cast<int>(m_buttons.size()))
        return false;
    m_visible = false;
    if (auto o = m_observer.lock())
        o->alertDismissed(*this, buttonIndex);
    if (onDismiss)
        onDismiss(*this, buttonIndex);
    return true;
}

} // namespace quindle
