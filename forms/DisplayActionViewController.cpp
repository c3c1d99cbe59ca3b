#include "forms/DisplayActionViewController.h"

#include "forms/CareRequest.h"
#include "ui/Label.h"

namespace quindle {

DisplayActionViewController::DisplayActionViewController(std::string name, JsonObjectPtr action)
    : ViewController(name)
    , m_name(std::move(name))
    , m_action(std::move(action))
{
}

std::shared_ptr<DisplayActionViewController> DisplayActionViewController::create(std::string name, JsonObjectPtr action)
{
    return std::shared_ptr<DisplayActionViewController>(new DisplayActionViewController(std::move(name), std::move(action)));
}

void DisplayActionViewController::loadView()
{
    auto root = View::create(Rect { 0, 0, 320, 480 });
    m_dateLabel = Label::create(Rect { 20, 80, 280, 30 });
    m_valLabel = Label::create(Rect { 20, 120, 280, 60 });
    m_dateLabel->setText(m_action ? CareRequest::textOf(m_action->get("date")) : std::string());
    m_valLabel->setText(m_action ? CareRequest::textOf(m_action->get("val")) : std::string());
    root->addSubview(m_dateLabel);
    root->addSubview(m_valLabel);
    setView(root);
}

std::shared_ptr<Label> DisplayActionViewController::dateLabel()
{
    view();
    return m_dateLabel;
}

std::shared_ptr<Label> DisplayActionViewController::valLabel()
{
    view();
    return m_valLabel;
}

} // namespace quindle
