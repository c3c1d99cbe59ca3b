#pragma once

#include <QString>

#include <functional>
#include <iosfwd>
#include <string>

namespace quindle {
class CommandInterpreter;
}

namespace quindle::qt {

class PhoneWindow;

/// Runs the text client's command language against the Qt window, plus `shot FILE.png`, which
/// saves a picture of the window as it is then.
class ScriptRunner {
public:
    ScriptRunner(CommandInterpreter& interpreter, PhoneWindow& window) : m_interpreter(interpreter), m_window(window) { }

    /// As the text client's script run: 0 at the end or on `quit`, 1 at the first failing
    /// line (named on `errors` with the screen as text).
    int run(std::istream& input, const std::string& name, std::ostream& output, std::ostream& errors);

    /// Paints the window once (rows coming into view may start work, such as pictures),
    /// lets that work finish through `settle`, ends transitions and fades, then saves the
    /// window as a PNG. Returns whether the file was written.
    static bool saveShot(PhoneWindow& window, const QString& path, const std::function<void()>& settle = {});

private:
    CommandInterpreter& m_interpreter;
    PhoneWindow& m_window;
};

} // namespace quindle::qt
