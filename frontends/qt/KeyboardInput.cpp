// Keys: typing into the focused input through its own edit calls, return, tab between inputs,
// escape as back.
#include "frontends/qt/InputRouter.h"

#include "frontends/qt/PaintSupport.h"
#include "frontends/qt/PhoneWindow.h"
#include "ui/AlertView.h"
#include "ui/PopoverController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/Window.h"

#include <QKeyEvent>

namespace quindle::qt {

namespace {

void collectInputs(const std::shared_ptr<View>& view, std::vector<std::shared_ptr<View>>& inputs)
{
    if (!view || view->isHidden())
        return;
    if (std::dynamic_pointer_cast<TextField>(view)) {
        inputs.push_back(view);
        return;
    }
    if (auto text = std::dynamic_pointer_cast<TextView>(view)) {
        if (text->isEditable())
            inputs.push_back(view);
        return;
    }
    if (auto table = std::dynamic_pointer_cast<TableView>(view)) {
        collectInputs(table->tableHeaderView(), inputs);
        for (const auto& row : table->layoutRows(table->contentOffset().y, table->frame().height).rows)
            collectInputs(row.cell, inputs);
        return;
    }
    for (const auto& subview : view->subviews())
        collectInputs(subview, inputs);
}

std::string textOf(const View& input)
{
    if (auto* field = dynamic_cast<const TextField*>(&input))
        return field->text();
    if (auto* text = dynamic_cast<const TextView*>(&input))
        return text->text();
    return {};
}

/// Replaces the whole text, as the text client's `field` does, so the input's should-change
/// check sees the edit.
void setText(View& input, const std::string& text)
{
    if (auto* field = dynamic_cast<TextField*>(&input))
        field->type(text);
    else if (auto* view = dynamic_cast<TextView*>(&input))
        view->type(text);
}

} // namespace

std::vector<std::shared_ptr<View>> InputRouter::inputs()
{
    std::vector<std::shared_ptr<View>> found;
    const auto& window = m_window.window();
    if (!window)
        return found;
    if (auto alert = window->topAlert()) {
        for (size_t i = 0; i < alert->numberOfTextFields(); ++i)
            found.push_back(alert->textFieldAtIndex(i));
        return found;
    }
    for (const auto& popover : window->popovers()) {
        auto content = popover->contentViewController();
        auto shown = content && popover->isPopoverVisible() ? content->visibleViewController() : nullptr;
        if (shown)
            collectInputs(shown->view(), found);
    }
    if (!found.empty())
        return found;
    if (auto top = window->visibleViewController())
        collectInputs(top->view(), found);
    return found;
}

void InputRouter::focus(const std::shared_ptr<View>& input)
{
    if (!input)
        return;
    for (const auto& other : inputs()) {
        if (other != input && other->isFirstResponder())
            other->resignFirstResponder();
    }
    if (auto field = std::dynamic_pointer_cast<TextField>(input))
        field->becomeFirstResponder();
    else if (auto view = std::dynamic_pointer_cast<TextView>(input))
        view->becomeFirstResponder();
}

std::shared_ptr<View> InputRouter::focusedInput()
{
    for (const auto& input : inputs()) {
        if (input->isFirstResponder())
            return input;
    }
    return nullptr;
}

void InputRouter::typeText(const QString& text)
{
    if (auto input = focusedInput())
        setText(*input, textOf(*input) + text.toStdString());
}

void InputRouter::backspace()
{
    auto input = focusedInput();
    if (!input)
        return;
    QString text = toQString(textOf(*input));
    if (text.isEmpty())
        return;
    // One character, whole: a surrogate pair goes together.
    text.chop(text.size() >= 2 && text.back().isLowSurrogate() ? 2 : 1);
    setText(*input, text.toStdString());
}

void InputRouter::pressReturn()
{
    auto input = focusedInput();
    if (auto field = std::dynamic_pointer_cast<TextField>(input)) {
        // As the text client's `return`: the field's own return handling, then the edit ends.
        if (field->pressReturn())
            field->resignFirstResponder();
    } else if (input) {
        setText(*input, textOf(*input) + "\n");
    }
}

void InputRouter::focusNext(bool backwards)
{
    auto all = inputs();
    if (all.empty())
        return;
    auto current = std::find_if(all.begin(), all.end(), [](auto& input) { return input->isFirstResponder(); });
    size_t index = 0;
    if (current != all.end()) {
        size_t at = static_cast<size_t>(current - all.begin());
        index = backwards ? (at + all.size() - 1) % all.size() : (at + 1) % all.size();
    } else if (backwards) {
        index = all.size() - 1;
    }
    focus(all[index]);
}

bool InputRouter::key(QKeyEvent* event)
{
    const auto& window = m_window.window();
    if (!window)
        return false;
    switch (event->key()) {
    case Qt::Key_Escape:
        // The alert takes all input: back waits until it is answered.
        if (!window->topAlert())
            window->back();
        return true;
    case Qt::Key_Tab:
        focusNext(false);
        return true;
    case Qt::Key_Backtab:
        focusNext(true);
        return true;
    case Qt::Key_Backspace:
        backspace();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressReturn();
        return true;
    default:
        break;
    }
    QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false;
    typeText(text);
    return true;
}

} // namespace quindle::qt
