#pragma once

#include "core/Asset.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

/// The picture keys the picture screens read and write in a record: the decoded picture under
/// "image" and its address under "assVal".
namespace recordPicture {

/// The decoded picture under "image", or null.
std::shared_ptr<Image> image(const JsonObjectPtr& record);
/// Stores the picture under "image"; null removes the key.
void setImage(const JsonObjectPtr& record, const std::shared_ptr<Image>& picture);
/// The picture's address: "assVal", else "ImageUrl" (lookup rule), else nothing.
std::optional<std::string> address(const JsonObjectPtr& record);

/// A key's value as it was, so a change the server refused can be undone exactly.
struct SavedValue {
    std::string key;
    std::optional<JsonValue> value;
    static SavedValue of(const JsonObjectPtr& record, std::string key);
    /// Puts the value back, or removes the key when it was absent.
    void restore(const JsonObjectPtr& record) const;
};

/// Fetches the picture at `url`; `done` runs on the main queue with the picture, or null when
/// the download failed or its bytes are no picture.
void fetch(const std::string& url, std::function<void(std::shared_ptr<Image>)> done);

/// A record value's text: strings as they are, integers written out, else "".
std::string text(const JsonValue& value);

} // namespace recordPicture

} // namespace quindle
