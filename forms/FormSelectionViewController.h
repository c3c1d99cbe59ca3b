#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <memory>
#include <string>

namespace quindle {

class Model;

/// The screen that receives the page chooser's choice (the page and form editors).
class LinkTarget {
public:
    virtual ~LinkTarget() = default;
    virtual void setLinkAssetId(std::string id) = 0;
    virtual void setLinkName(std::string name) = 0;
};

/// The page chooser: lists the owner's pages by "Name"; choosing one hands its "Id" and "Name"
/// to `cont` and goes back one screen.
class FormSelectionViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    using CompletionHandler = std::function<void()>;
    static constexpr const char* cellIdentifier = "PageCell";

    static std::shared_ptr<FormSelectionViewController> create(Model& model);

    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects) { m_objects = objects ? std::move(objects) : JsonArray::create(); }
    std::shared_ptr<LinkTarget> cont() const { return m_cont.lock(); }
    void setCont(std::weak_ptr<LinkTarget> cont) { m_cont = std::move(cont); }
    // Both kept for the opener; the chooser itself does not use them.
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const CompletionHandler& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView();

    /// Asks the server for the page list again.
    void refresh();
    /// Goes back without a choice.
    void cancel();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit FormSelectionViewController(Model& model);
    void close();

    Model& m_model;
    JsonArrayPtr m_objects = JsonArray::create();
    std::weak_ptr<LinkTarget> m_cont;
    std::string m_assetID;
    CompletionHandler m_completionHandler;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
