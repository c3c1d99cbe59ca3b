#include "editors/EditorAlert.h"

#include "ui/AlertView.h"
#include "ui/ViewController.h"

namespace quindle {

void showNotSavedAlert(const ViewController& over, const std::string& title, const std::string& message)
{
    AlertView::create(title, message, "OK")->show(over);
}

} // namespace quindle
