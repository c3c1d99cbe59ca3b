#include "forms/TextEditViewController.h"

#include "forms/FormEngine.h"
#include "ui/NavigationController.h"

namespace quindle {

TextEditViewController::TextEditViewController(JsonObjectPtr object, std::weak_ptr<FormEngine> parent, size_t index, std::string val)
    : ViewController(object ? object->get("name").asString() : std::string {})
    , m_object(std::move(object))
    , m_parent(std::move(parent))
    , m_index(index)
    , m_val(std::move(val))
{
}

std::shared_ptr<TextEditViewController> TextEditViewController::create(JsonObjectPtr object, std::weak_ptr<FormEngine> parent, size_t index, std::string val)
{
    return std::shared_ptr<TextEditViewController>(new TextEditViewController(std::move(object), std::move(parent), index, std::move(val)));
}

void TextEditViewController::loadView()
{
    m_textView = TextView::create();
    m_textView->setText(m_val);
    m_textView->setEditable(Editable::Yes);
    setView(m_textView);
    std::weak_ptr<ViewController> weak = weak_from_this();
    setRightBarButtonItem(BarButtonItem::create("Save", BarButtonStyle::Plain, [weak] {
        if (auto self = std::static_pointer_cast<TextEditViewController>(weak.lock()))
            self->save();
    }));
}

std::shared_ptr<TextView> TextEditViewController::textView()
{
    view();
    return m_textView;
}

void TextEditViewController::save()
{
    std::string text = textView()->text();
    auto keep = shared_from_this();
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
    if (auto parent = m_parent.lock())
        parent->setValue(text, m_index, "0");
}

} // namespace quindle
