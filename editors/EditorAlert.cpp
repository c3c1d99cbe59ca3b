#include "editors/EditorAlert.h"

#include "ui/AlertView.h"
#include "ui/ViewController.h"

namespace quindle {

std::shared_ptr<AlertView> EditorAlert::show(const ViewController& over, std::string title, std::string message)
{
    auto alert = AlertView::create(std::move(title), std::move(message), buttonTitle);
    alert->show(over);
    return alert;
}

} // namespace quindle
