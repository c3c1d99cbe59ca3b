#include "frontends/qt/ScriptRunner.h"

#include "frontends/qt/PhoneWindow.h"
#include "frontends/term/CommandInterpreter.h"

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>

#include <istream>
#include <ostream>

namespace quindle::qt {

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
    m_interpreter.addCommand("shot", [this](const std::string& file) -> CommandInterpreter::Result {
        if (file.empty())
            return { false, false, "usage: shot FILE.png" };
        if (!saveShot(m_window, QString::fromStdString(file), [this] { m_interpreter.waitUntilIdle(m_interpreter.waitTimeout()); }))
            return { false, false, "cannot write the picture " + file };
        return {};
    });
    // The window paints what the command changed before the next line looks at it.
    m_interpreter.setAfterCommand([] { QCoreApplication::processEvents(); });
    return m_interpreter.runScript(input, name, output, errors);
}

} // namespace quindle::qt
