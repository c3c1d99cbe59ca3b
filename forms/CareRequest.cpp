#include "forms/CareRequest.h"

#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/ViewController.h"

namespace quindle {

void CareRequest::send(const std::string& path, std::weak_ptr<void> owner, Reply reply)
{
    Model& model = Model::defaultInstance();
    model.requestWithURL(model.legacyBaseURL() + path,
        [owner = std::move(owner), reply = std::move(reply)](std::optional<JsonValue> content, std::optional<Error>) {
            MainQueue::shared().dispatch([owner, reply, content = std::move(content)] {
                if (owner.lock())
                    reply(content);
            });
        });
}

JsonArrayPtr CareRequest::listOf(const std::optional<JsonValue>& payload)
{
    if (!payload || !payload->isObject())
        return nullptr;
    const JsonValue& list = payload->object()->get("list");
    return list.isArray() ? list.array() : nullptr;
}

std::string CareRequest::idText(const JsonValue& value)
{
    if (value.isString())
        return value.asString();
    return value.isInteger() ? std::to_string(value.asInt()) : std::string();
}

std::string CareRequest::textOf(const JsonValue& value, const std::string& fallback)
{
    return value.isString() ? value.asString() : fallback;
}

std::shared_ptr<AlertView> CareRequest::alert(const ViewController& over, std::string title, std::string message)
{
    auto shown = AlertView::create(std::move(title), std::move(message), "OK");
    shown->show(over);
    return shown;
}

} // namespace quindle
