#include "frontends/qt/ScriptRunner.h"

#include "frontends/qt/PhoneWindow.h"
#include "frontends/term/CommandInterpreter.h"

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>

#include <istream>
#include <ostream>

namespace quindle::qt {

namespace {

std::string trimmed(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

} // namespace

bool ScriptRunner::saveShot(PhoneWindow& window, const QString& path, const std::function<void()>& settle)
{
    QCoreApplication::processEvents();
    window.repaint();
    if (settle)
        settle();
    QCoreApplication::processEvents();
    window.finishAnimations();
    QCoreApplication::processEvents();
    // Written aside and renamed, so a reader never sees half a picture.
    const QString part = path + QStringLiteral(".part");
    return window.grab().save(part, "PNG") && (!QFile::exists(path) || QFile::remove(path)) && QFile::rename(part, path);
}

int ScriptRunner::run(std::istream& input, const std::string& name, std::ostream& output, std::ostream& errors)
{
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        std::string command = trimmed(line);
        CommandInterpreter::Result result;
        if (command.rfind("shot", 0) == 0 && (command.size() == 4 || command[4] == ' ' || command[4] == '\t')) {
            std::string file = trimmed(command.substr(4));
            if (file.empty())
                result = { false, false, "usage: shot FILE.png" };
            else if (!saveShot(m_window, QString::fromStdString(file), [this] { m_interpreter.waitUntilIdle(m_interpreter.waitTimeout()); }))
                result = { false, false, "cannot write the picture " + file };
        } else {
            result = m_interpreter.execute(line);
        }
        // The window paints what the command changed before the next line looks at it.
        QCoreApplication::processEvents();
        if (!result.ok) {
            errors << name << ":" << number << ": " << command << ": " << result.message << "\n";
            errors << "The screen then:\n" << m_interpreter.render().text << std::flush;
            return 1;
        }
        if (!result.message.empty())
            output << result.message << std::flush;
        if (result.quit)
            return 0;
    }
    return 0;
}

} // namespace quindle::qt
