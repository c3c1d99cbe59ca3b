#pragma once

#include "content/DataManagerScreen.h"
#include "core/Asset.h"
#include "platform/JsonValue.h"
#include "ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

/// Holds the place of an editor or viewer screen that is not built yet: it carries the title
/// and the inputs its opener gives (record, list, flags, completion handler), so the opener's
/// flow runs end to end. It sends nothing.
class PendingEditorViewController : public ViewController {
public:
    /// What the editor reports back when it has stored a change (the server's answer).
    using CompletionHandler = std::function<void(std::optional<JsonValue> answer)>;

    /// `editor` names the screen this one stands for.
    static std::shared_ptr<PendingEditorViewController> create(std::string editor, std::string title);

    const std::string& editor() const { return m_editor; }
    const AssetRecord& object() const { return m_object; }
    void setObject(AssetRecord object) { m_object = std::move(object); }
    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects) { m_objects = std::move(objects); }
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    bool isTextInput() const { return m_isTextInput; }
    void setTextInput(bool textInput) { m_isTextInput = textInput; }
    /// The page screen the editor hands over to (the directory editor's parent).
    std::shared_ptr<DataManagerScreen> parent() const { return m_parent.lock(); }
    void setParent(std::weak_ptr<DataManagerScreen> parent) { m_parent = std::move(parent); }
    const CompletionHandler& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }

private:
    PendingEditorViewController(std::string editor, std::string title) : ViewController(std::move(title)), m_editor(std::move(editor)) { }
    std::string m_editor;
    AssetRecord m_object;
    JsonArrayPtr m_objects;
    std::string m_assetID;
    bool m_isTextInput = false;
    std::weak_ptr<DataManagerScreen> m_parent;
    CompletionHandler m_completionHandler;
};

} // namespace quindle
