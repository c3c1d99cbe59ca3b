#pragma once

#include <memory>
#include <string>

namespace quindle {

class AlertView;
class ViewController;

/// The editors' one-button alert: a short title naming what failed or is missing, a message
/// saying what was not done, and "OK".
class EditorAlert {
public:
    static constexpr const char* buttonTitle = "OK";

    /// Shows the alert over the controller's window; the caller keeps the returned alert so it
    /// lives while shown even when the controller has no window.
    static std::shared_ptr<AlertView> show(const ViewController& over, std::string title, std::string message);
};

} // namespace quindle
