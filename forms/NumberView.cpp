#include "forms/NumberView.h"

#include "forms/FormEngine.h"

namespace quindle {

NumberView::NumberView(Rect frame, std::weak_ptr<FormEngine> parent, std::string state, size_t index)
    : View(frame)
    , m_parent(std::move(parent))
    , m_state(std::move(state))
    , m_index(index)
{
}

std::shared_ptr<NumberView> NumberView::create(Rect frame, std::weak_ptr<FormEngine> parent, std::string state, size_t index)
{
    std::shared_ptr<NumberView> view(new NumberView(frame, std::move(parent), std::move(state), index));
    view->m_field = TextField::create({ 0, 0, width, height });
    view->m_field->setText(view->m_state);
    view->m_field->setKeyboardType(KeyboardType::DecimalPad);
    std::weak_ptr<NumberView> weak = view;
    view->m_field->onReturn = [](TextField& field) { field.resignFirstResponder(); };
    view->m_field->onEndEditing = [weak](TextField&) {
        if (auto self = weak.lock())
            self->ended();
    };
    view->addSubview(view->m_field);
    return view;
}

void NumberView::ended()
{
    // Focus leaving an untouched field is not an edit.
    if (m_field->text() == m_state)
        return;
    m_state = m_field->text();
    if (auto parent = m_parent.lock())
        parent->setValue(m_state, m_index);
}

} // namespace quindle
