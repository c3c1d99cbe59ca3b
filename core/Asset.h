#pragma once

#include "platform/Date.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quindle {

/// An asset record: the JSON object the content server sent for one asset, shared and mutable.
using AssetRecord = JsonObjectPtr;

/// Read-only accessors of asset records (except `imageWithCompletionHandler`, which caches the
/// decoded picture). A null record yields nothing, the empty string or false.
namespace asset {

/// The value under the key, else (only when the key is absent) under its lower-case form.
const JsonValue* nodeForKey(const AssetRecord& record, std::string_view key);

std::string name(const AssetRecord& record);
std::string type(const AssetRecord& record);
/// "Title", or `name` when it is not a non-empty string.
std::string title(const AssetRecord& record);
std::string data(const AssetRecord& record);
/// "Data", else "Value", else the empty string.
std::string text(const AssetRecord& record);
std::optional<std::string> options(const AssetRecord& record);
/// The asset's identifier ("AssetId").
std::optional<std::string> ident(const AssetRecord& record);
std::optional<std::string> owner(const AssetRecord& record);
/// True only for the exact string "true".
bool isDeleted(const AssetRecord& record);
/// A fresh array holding the record's own child records, or null when "Children" is no array.
JsonArrayPtr list(const AssetRecord& record);

std::optional<Date> date(const AssetRecord& record);
std::optional<Date> startDate(const AssetRecord& record);
std::optional<Date> endDate(const AssetRecord& record);
/// Short local date and time, or the empty string when there is no date.
std::string displayDate(const AssetRecord& record);
std::string displayStartDate(const AssetRecord& record);
std::string displayEndDate(const AssetRecord& record);

/// The picture address for image-bearing types ("Name2" for events), else nothing.
std::optional<std::string> imageUrl(const AssetRecord& record);

using ImageCompletion = std::function<void(std::shared_ptr<Image>)>;
/// The cached picture at once, or nothing. When nothing is cached and the record has a
/// picture address, fetches it; on success the picture is stored under "Image" and the
/// handler called, both on the main queue (so the record is only ever changed there).
std::shared_ptr<Image> imageWithCompletionHandler(const AssetRecord& record, ImageCompletion handler);

/// True when "options" (lower case only) begins with "Carousel".
bool isCarousel(const AssetRecord& record);

bool isTabbar(const AssetRecord& record);
bool isDirectory(const AssetRecord& record);
bool isDocument(const AssetRecord& record);
bool isForm(const AssetRecord& record);
bool isText(const AssetRecord& record);
bool isTextField(const AssetRecord& record);
bool isTextView(const AssetRecord& record);
bool isImage(const AssetRecord& record);
bool isEvent(const AssetRecord& record);
bool isYoutubeVideo(const AssetRecord& record);
bool isSubmit(const AssetRecord& record);
bool isButton(const AssetRecord& record);

} // namespace asset
} // namespace quindle
