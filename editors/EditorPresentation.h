#pragma once

#include <memory>
#include <string>

namespace quindle {

class AlertView;
class ViewController;

/// What the editor screens share about how they are shown: closing the stack they were opened
/// in, and telling the user why nothing was stored.
class EditorPresentation {
public:
    /// Closes the navigation stack holding `screen`, whether its opener showed it as a popover
    /// or modally. Does nothing when the stack is not shown.
    static void dismissStack(ViewController& screen);

    /// Shows an alert with one "OK" button over `screen` and returns it; the caller keeps it
    /// so that it lasts when the screen is in no window.
    static std::shared_ptr<AlertView> showAlert(ViewController& screen, std::string title, std::string message);

    /// Whether the text holds something other than spaces and line breaks.
    static bool hasText(const std::string& text);
};

} // namespace quindle
