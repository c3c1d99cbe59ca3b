#pragma once

#include "ui/AlertView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

/// Tells the user that a change did not reach the server and nothing was changed: a short
/// title, a message and one "OK" button.
class ChangeFailedAlert {
public:
    static constexpr const char* buttonTitle = "OK";

    /// Shows the alert over the controller's window; the caller keeps the returned alert so it
    /// lives while shown even when the controller has no window.
    static std::shared_ptr<AlertView> show(const ViewController& over, std::string title, std::string message);
};

} // namespace quindle
