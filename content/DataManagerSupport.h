#pragma once

// Helpers shared by the coordinator's source files; not part of its interface.

#include "content/DataManagerScreen.h"
#include "core/Asset.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>

namespace quindle::datamanager {

/// Tells the tapped screen, when it goes out of scope, that the loading its tap started is over.
class SelectionEnd {
public:
    explicit SelectionEnd(std::weak_ptr<DataManagerScreen> screen) : m_screen(std::move(screen)) { }
    SelectionEnd(const SelectionEnd&) = delete;
    SelectionEnd& operator=(const SelectionEnd&) = delete;
    ~SelectionEnd()
    {
        if (auto screen = m_screen.lock())
            screen->selectionEnded();
    }

private:
    std::weak_ptr<DataManagerScreen> m_screen;
};

/// The object a reply hands over, or null when it is no object (a failed request, non-JSON).
inline JsonObjectPtr answerObject(const std::optional<JsonValue>& content)
{
    return content && content->isObject() ? content->object() : nullptr;
}

/// The item list a reply hands over, or null when the request failed or the reply holds no list
/// (an HTTP error, a body that is not JSON, no reply): a page then keeps what it shows.
inline JsonArrayPtr answerList(const std::optional<JsonValue>& content)
{
    return asset::list(answerObject(content));
}

/// The "list" of the record's "_linkedAsset", when both are there.
inline JsonArrayPtr linkedList(const JsonObjectPtr& record)
{
    if (!record)
        return nullptr;
    const JsonValue& linked = record->get("_linkedAsset");
    if (!linked.isObject())
        return nullptr;
    const JsonValue& list = linked.object()->get("list");
    return list.isArray() ? list.array() : nullptr;
}

inline std::shared_ptr<Image> pictureOf(const AssetRecord& record)
{
    const JsonValue& value = record ? record->get("image") : JsonValue {};
    return value.isOpaque() ? std::dynamic_pointer_cast<Image>(value.opaque()) : nullptr;
}

inline std::shared_ptr<NavigationController> stackOf(const std::shared_ptr<DataManagerScreen>& screen)
{
    auto controller = screen ? screen->screenController() : nullptr;
    return controller ? controller->navigationController() : nullptr;
}

inline void pushOnto(const std::shared_ptr<DataManagerScreen>& screen, const std::shared_ptr<ViewController>& controller)
{
    auto nav = stackOf(screen);
    if (nav && controller)
        nav->pushViewController(controller, Animated::Yes);
}

} // namespace quindle::datamanager
