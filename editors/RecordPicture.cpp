#include "editors/RecordPicture.h"

#include "core/Model.h"
#include "platform/MainQueue.h"

namespace quindle::recordPicture {

std::shared_ptr<Image> image(const JsonObjectPtr& record)
{
    if (!record)
        return nullptr;
    const JsonValue* value = record->find("image");
    return value ? Image::fromValue(*value) : nullptr;
}

void setImage(const JsonObjectPtr& record, const std::shared_ptr<Image>& picture)
{
    if (!record)
        return;
    if (picture)
        record->set("image", JsonValue(std::static_pointer_cast<Opaque>(picture)));
    else
        record->erase("image");
}

std::optional<std::string> address(const JsonObjectPtr& record)
{
    for (const char* key : { "assVal", "ImageUrl" }) {
        const JsonValue* value = asset::nodeForKey(record, key);
        if (value && value->isString() && !value->asString().empty())
            return value->asString();
    }
    return std::nullopt;
}

SavedValue SavedValue::of(const JsonObjectPtr& record, std::string key)
{
    SavedValue saved { std::move(key), std::nullopt };
    if (record) {
        if (const JsonValue* value = record->find(saved.key))
            saved.value = *value;
    }
    return saved;
}

void SavedValue::restore(const JsonObjectPtr& record) const
{
    if (!record)
        return;
    if (value)
        record->set(key, *value);
    else
        record->erase(key);
}

void fetch(const std::string& url, std::function<void(std::shared_ptr<Image>)> done)
{
    HttpRequest request;
    request.url = url;
    Model::defaultInstance().imageRequest(std::move(request), [done = std::move(done)](std::shared_ptr<Image> picture, std::optional<Error>) {
        MainQueue::shared().dispatch([done, picture] {
            if (done)
                done(picture);
        });
    });
}

std::string text(const JsonValue& value)
{
    if (value.isString())
        return value.asString();
    return value.isInteger() ? std::to_string(value.asInt()) : std::string();
}

} // namespace quindle::recordPicture
