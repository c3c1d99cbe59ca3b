#include "core/Asset.h"

#include "core/Model.h"
#include "platform/MainQueue.h"

#include <cctype>

namespace quindle::asset {

namespace {

std::string lowerCased(std::string_view key)
{
    std::string lower(key);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// A non-empty string under the key (lookup rule), else nothing.
const std::string* nonEmptyString(const AssetRecord& record, std::string_view key)
{
    const JsonValue* node = nodeForKey(record, key);
    if (!node)
        return nullptr;
    const std::string* s = node->string();
    return (s && !s->empty()) ? s : nullptr;
}

std::optional<std::string> anyString(const JsonValue* node)
{
    if (node && node->isString())
        return *node->string();
    return std::nullopt;
}

std::optional<Date> parsedDate(const JsonValue* node)
{
    if (node && node->isString())
        return Model::dateFromServerDateString(*node->string());
    return std::nullopt;
}

std::string display(const std::optional<Date>& d)
{
    return d ? DateFormat::shortDateTime(*d) : std::string {};
}

bool typeIs(const AssetRecord& record, std::string_view typeName)
{
    return type(record) == typeName;
}

} // namespace

const JsonValue* nodeForKey(const AssetRecord& record, std::string_view key)
{
    if (!record)
        return nullptr;
    if (const JsonValue* exact = record->find(key))
        return exact;
    return record->find(lowerCased(key));
}

std::string name(const AssetRecord& record)
{
    const std::string* s = nonEmptyString(record, "Name");
    return s ? *s : std::string {};
}

std::string type(const AssetRecord& record)
{
    const std::string* s = nonEmptyString(record, "Type");
    return s ? *s : std::string {};
}

std::string title(const AssetRecord& record)
{
    const std::string* s = nonEmptyString(record, "Title");
    return s ? *s : name(record);
}

std::string data(const AssetRecord& record)
{
    const std::string* s = nonEmptyString(record, "Data");
    return s ? *s : std::string {};
}

std::string text(const AssetRecord& record)
{
    if (const std::string* s = nonEmptyString(record, "Data"))
        return *s;
    if (const std::string* s = nonEmptyString(record, "Value"))
        return *s;
    return {};
}

std::optional<std::string> options(const AssetRecord& record) { return anyString(nodeForKey(record, "Options")); }
std::optional<std::string> ident(const AssetRecord& record) { return anyString(nodeForKey(record, "AssetId")); }
std::optional<std::string> owner(const AssetRecord& record) { return anyString(nodeForKey(record, "Owner")); }

bool isDeleted(const AssetRecord& record)
{
    const JsonValue* node = nodeForKey(record, "IsDeleted");
    return node && node->isString() && *node->string() == "true";
}

JsonArrayPtr list(const AssetRecord& record)
{
    if (!record)
        return nullptr;
    const JsonValue* children = record->find("Children");
    if (!children || !children->isArray())
        return nullptr;
    return JsonArray::create(children->array()->items());
}

std::optional<Date> date(const AssetRecord& record) { return parsedDate(nodeForKey(record, "Date")); }
std::optional<Date> startDate(const AssetRecord& record) { return parsedDate(record ? record->find("startDate") : nullptr); }
std::optional<Date> endDate(const AssetRecord& record) { return parsedDate(record ? record->find("endDate") : nullptr); }
std::string displayDate(const AssetRecord& record) { return display(date(record)); }
std::string displayStartDate(const AssetRecord& record) { return display(startDate(record)); }
std::string displayEndDate(const AssetRecord& record) { return display(endDate(record)); }

std::optional<std::string> imageUrl(const AssetRecord& record)
{
    std::string t = type(record);
    const std::string* s = nullptr;
    if (t == "Image" || t == "Directory" || t == "Document" || t == "Tabbar")
        s = nonEmptyString(record, "ImageUrl");
    else if (t == "Event")
        s = nonEmptyString(record, "Name2");
    if (!s)
        return std::nullopt;
    return *s;
}

std::shared_ptr<Image> imageWithCompletionHandler(const AssetRecord& record, ImageCompletion handler)
{
    if (!record)
        return nullptr;
    if (const JsonValue* cached = nodeForKey(record, "Image"))
        return Image::fromValue(*cached);
    std::optional<std::string> url = imageUrl(record);
    if (!url)
        return nullptr;
    HttpRequest request;
    request.url = *url;
    Model::defaultInstance().imageRequest(std::move(request),
        [record, handler = std::move(handler)](std::shared_ptr<Image> image, std::optional<Error>) {
            if (!image)
                return;
            // Records belong to the main queue; the reply arrives on the callback thread.
            MainQueue::shared().dispatch([record, image, handler] {
                record->set("Image", JsonValue(std::static_pointer_cast<Opaque>(image)));
                if (handler)
                    handler(image);
            });
        });
    return nullptr;
}

bool isCarousel(const AssetRecord& record)
{
    if (!record)
        return false;
    const JsonValue* node = record->find("options");
    return node && node->isString() && node->string()->starts_with("Carousel");
}

bool isTabbar(const AssetRecord& record) { return typeIs(record, "Tabbar"); }
bool isDirectory(const AssetRecord& record) { return typeIs(record, "Directory"); }
bool isDocument(const AssetRecord& record) { return typeIs(record, "Document"); }
bool isForm(const AssetRecord& record) { return typeIs(record, "Form"); }
bool isText(const AssetRecord& record) { return typeIs(record, "Text"); }
bool isTextField(const AssetRecord& record) { return typeIs(record, "TextField"); }
bool isTextView(const AssetRecord& record) { return typeIs(record, "TextView"); }
bool isImage(const AssetRecord& record) { return typeIs(record, "Image"); }
bool isEvent(const AssetRecord& record) { return typeIs(record, "Event"); }
bool isYoutubeVideo(const AssetRecord& record) { return typeIs(record, "YoutubeVideo"); }
bool isSubmit(const AssetRecord& record) { return typeIs(record, "Submit"); }
bool isButton(const AssetRecord& record) { return typeIs(record, "Button"); }

} // namespace quindle::asset
