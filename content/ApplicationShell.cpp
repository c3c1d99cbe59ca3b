#include "content/ApplicationShell.h"

#include "content/FollowUpInterval.h"
#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

#include <mutex>

namespace quindle {

namespace {
std::mutex s_mutex;
std::shared_ptr<ApplicationShell> s_shell;

std::string idOf(const JsonValue& value)
{
    if (value.isString())
        return value.asString();
    return value.isInteger() ? std::to_string(value.asInt()) : std::string();
}

void sendIgnoringReply(const std::string& url)
{
    Model::defaultInstance().requestWithURL(url, [](std::optional<JsonValue>, std::optional<Error>) { });
}

} // namespace

EditorCompletion popWhenCompleted(std::shared_ptr<std::weak_ptr<ViewController>> shown)
{
    return [shown = std::move(shown)](std::optional<JsonValue>) {
        MainQueue::shared().dispatch([shown] {
            auto screen = shown->lock();
            auto stack = screen ? screen->navigationController() : nullptr;
            if (stack && stack->topViewController() == screen)
                stack->popViewController(Animated::Yes);
        });
    };
}

std::string ApplicationShell::dateStringForIndex(long index)
{
    return FollowUpInterval::dateString(index, DateFormat::now());
}

// Values a carer typed (a trigger holds them) are escaped whole, so "&" and "=" stay inside
// their value; identifiers go out as they are.
void ApplicationShell::setTimedObject(const JsonObjectPtr& entry, const std::optional<std::string>& trigger, const std::string& resDocID)
{
    if (!entry)
        return;
    const std::string& title = entry->get("title").asString();
    std::string url = Model::defaultInstance().legacyBaseURL() + "setTimedObject.php?a=" + resDocID + "&o=" + idOf(entry->get("assetID"))
        + "&date=" + Model::encodeValue(dateStringForIndex(FollowUpInterval::integerValue(title))) + "&val=" + Model::encodeValue(title);
    if (trigger)
        url += "&trigger=" + Model::encodeValue(*trigger);
    sendIgnoringReply(url);
}

void ApplicationShell::setAction(const JsonObjectPtr& record, const std::optional<std::string>& trigger)
{
    if (!record)
        return;
    const JsonValue& val = record->get("val");
    const std::string value = val.isString() ? val.asString() : idOf(val);
    std::string url = Model::defaultInstance().legacyBaseURL() + "setAction.php?a=" + idOf(record->get("assetID"))
        + "&date=" + Model::encodeIllegal(dateStringForIndex(FollowUpInterval::integerValue(value))) + "&devID=" + idOf(record->get("linkID"))
        + "&val=" + value;
    if (trigger)
        url += "&trigger=" + Model::encodeIllegal(*trigger);
    sendIgnoringReply(url);
}

std::shared_ptr<ApplicationShell> ApplicationShell::shared()
{
    std::lock_guard lock(s_mutex);
    return s_shell;
}

void ApplicationShell::setShared(std::shared_ptr<ApplicationShell> shell)
{
    std::lock_guard lock(s_mutex);
    s_shell = std::move(shell);
}

} // namespace quindle
