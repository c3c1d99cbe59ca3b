#include "ui/TextField.h"

namespace quindle {

std::shared_ptr<TextField> TextField::create(Rect frame) { return std::shared_ptr<TextField>(new TextField(frame)); }

void TextField::setText(std::string text)
{
    m_text = std::move(text);
    notify(ChangeKind::Text);
}

void TextField::type(std::string text)
{
    if (text == m_text)
        return;
    setText(std::move(text));
    if (onChange)
        onChange(*this);
}

void TextField::pressReturn()
{
    if (onReturn)
        onReturn(*this);
}

} // namespace quindle
