#pragma once

namespace quindle {

class CommandInterpreter;

/// Commands for controls inside rows and beside tables: `detail ROW` taps the button in a row's
/// accessory (a menu's "Info"), `day YYYY-MM-DD` turns the screen's date picker to that local day.
void installRowCommands(CommandInterpreter& interpreter);

} // namespace quindle
