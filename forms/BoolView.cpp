#include "forms/BoolView.h"

#include "forms/FormEngine.h"

namespace quindle {

BoolView::BoolView(Rect frame, std::weak_ptr<FormEngine> parent, int state, size_t index)
    : View(frame)
    , m_parent(std::move(parent))
    , m_state(state)
    , m_index(index)
{
}

std::shared_ptr<BoolView> BoolView::create(Rect frame, std::weak_ptr<FormEngine> parent, int state, size_t index)
{
    std::shared_ptr<BoolView> view(new BoolView(frame, std::move(parent), state, index));
    view->m_yes = Label::create({ 0, 0, width / 2, height });
    view->m_yes->setText("Yes");
    view->m_no = Label::create({ width / 2, 0, width / 2, height });
    view->m_no->setText("No");
    if (state == 1)
        view->m_yes->setTextColour(Colour::fromRGB(1, 0, 0));
    else if (state == 2)
        view->m_no->setTextColour(Colour::fromRGB(0, 1, 0));
    view->addSubview(view->m_yes);
    view->addSubview(view->m_no);
    // The control is drawn again by the table after the engine's reload, so it keeps no link back.
    view->onTouch = [](View& self, Point location) { static_cast<BoolView&>(self).touched(location); };
    return view;
}

int BoolView::stateForValue(const std::string& value)
{
    if (value == "YES" || value == "1")
        return 1;
    if (value == "NO" || value == "0")
        return 2;
    return 0;
}

void BoolView::touched(Point location)
{
    m_state = location.x < yesLimit ? 1 : 2;
    if (auto parent = m_parent.lock())
        parent->setState(m_state, m_index);
}

} // namespace quindle
