#pragma once

#include "platform/Image.h"

#include <functional>
#include <memory>

namespace quindle {

/// Lets the user choose a photo. Front ends install one; image screens ask the shared one.
class PhotoPicker {
public:
    using Completion = std::function<void(std::shared_ptr<Image> photo)>;
    virtual ~PhotoPicker() = default;

    /// Asks the user for a photo; `done` runs once on the main thread, with null when the user
    /// cancels or the file cannot be read as a picture.
    virtual void pickPhoto(Completion done) = 0;

    /// The installed picker; none until a front end installs one.
    static std::shared_ptr<PhotoPicker> shared();
    /// Installs the picker; null removes it.
    static void setShared(std::shared_ptr<PhotoPicker> picker);
};

} // namespace quindle
