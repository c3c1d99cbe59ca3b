#include "frontends/term/TermPhotoPicker.h"

#include "frontends/term/CommandInterpreter.h"
#include "platform/MainQueue.h"

#include <fstream>
#include <sstream>

namespace quindle {

bool TermPhotoPicker::handOver(const std::string& path, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    auto picture = Image::decode(bytes.str());
    if (!picture) {
        if (error)
            *error = path + " is not a JPEG, PNG or GIF picture";
        return false;
    }
    m_pending = std::move(picture);
    m_pendingPath = path;
    m_status = "next pick gets " + path;
    return true;
}

void TermPhotoPicker::pickPhoto(Completion done)
{
    auto photo = std::move(m_pending);
    m_pending.reset();
    if (photo)
        m_status = "picked " + m_pendingPath + " (" + std::to_string(photo->width()) + "x" + std::to_string(photo->height()) + ")";
    else
        m_status = "cancelled (no picture handed over)";
    // A real picker answers after the user chose; the screen must not depend on it being at once.
    MainQueue::shared().dispatch([done = std::move(done), photo] {
        if (done)
            done(photo);
    });
}

std::string TermPhotoPicker::status() const { return m_status.empty() ? std::string {} : "Photo picker: " + m_status; }

std::shared_ptr<TermPhotoPicker> TermPhotoPicker::install(CommandInterpreter& interpreter)
{
    auto picker = create();
    PhotoPicker::setShared(picker);
    std::weak_ptr<TermPhotoPicker> weak = picker;
    interpreter.addCommand("photo", [weak](const std::string& path) {
        auto self = weak.lock();
        if (!self)
            return CommandInterpreter::Result { false, false, "no photo picker" };
        if (path.empty())
            return CommandInterpreter::Result { false, false, "usage: photo PATH" };
        std::string error;
        if (!self->handOver(path, &error))
            return CommandInterpreter::Result { false, false, error };
        return CommandInterpreter::Result {};
    });
    interpreter.addStatusLine([weak] {
        auto self = weak.lock();
        return self ? self->status() : std::string {};
    });
    return picker;
}

} // namespace quindle
