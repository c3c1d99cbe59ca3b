#pragma once

#include <string>

namespace quindle {

class ViewController;

/// Tells the user that a change did not reach the server: a short title naming what failed,
/// a message saying what was not saved, and one "OK" button.
void showNotSavedAlert(const ViewController& over, const std::string& title, const std::string& message);

} // namespace quindle
