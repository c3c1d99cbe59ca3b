#pragma once

#include <memory>
#include <string>

namespace quindle {

class ViewController;

/// What the editor screens share about how they are shown: closing the stack they were opened in.
class EditorPresentation {
public:
    /// Closes the navigation stack holding `screen`, whether its opener showed it as a popover
    /// or modally. Does nothing when the stack is not shown.
    static void dismissStack(ViewController& screen);

    /// Whether the text holds something other than spaces and line breaks.
    static bool hasText(const std::string& text);
};

} // namespace quindle
