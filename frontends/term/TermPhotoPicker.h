#pragma once

#include "ui/PhotoPicker.h"

#include <memory>
#include <string>

namespace quindle {

class CommandInterpreter;

/// The text client's photo library: `photo PATH` hands a picture file over, and the next
/// screen that presents the picker receives it. With nothing handed over the pick is cancelled.
class TermPhotoPicker final : public PhotoPicker {
public:
    static std::shared_ptr<TermPhotoPicker> create() { return std::make_shared<TermPhotoPicker>(); }

    /// Reads and decodes the file now, so a bad file is refused at once; false with `error` set.
    bool handOver(const std::string& path, std::string* error = nullptr);
    void pickPhoto(Completion done) override;
    /// One line for the screen: what waits for the next pick, or what the last pick got.
    std::string status() const;

    /// Installs a picker as the shared one, adds `photo PATH` to the interpreter and shows the
    /// picker's status under the screen.
    static std::shared_ptr<TermPhotoPicker> install(CommandInterpreter& interpreter);

private:
    std::shared_ptr<Image> m_pending;
    std::string m_pendingPath;
    std::string m_status;
};

} // namespace quindle
