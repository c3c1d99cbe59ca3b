#pragma once

#include "forms/FormEngine.h"
#include "ui/TableView.h"

#include <memory>
#include <set>
#include <string>

namespace quindle {

class DocumentViewController;
class ViewController;

/// The rows of a document form: one per entry, each drawn by its kind, over a document-kind
/// form engine that sends every value to the document on the server.
class DocumentDatasource : public TableViewDataSource, public std::enable_shared_from_this<DocumentDatasource> {
public:
    /// What a row shows when its last value did not reach the server.
    static constexpr const char* unsavedText = "not saved";

    static std::shared_ptr<DocumentDatasource> create(JsonArrayPtr objects, const JsonObjectPtr& currentStateDict, std::string assetID);

    const std::shared_ptr<FormEngine>& engine() const { return m_engine; }
    const JsonArrayPtr& objects() const { return m_engine->objects(); }
    const JsonObjectPtr& currentStateDict() const { return m_engine->formState(); }
    const std::string& assetID() const { return m_engine->assetID(); }
    std::shared_ptr<DocumentViewController> documentViewController() const { return m_documentViewController.lock(); }
    void setDocumentViewController(std::weak_ptr<DocumentViewController> controller);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    std::string titleForHeaderInSection(TableView&, int) override { return "Name"; }

    /// The screen a selected row opens, or null.
    std::shared_ptr<ViewController> viewControllerFofIndexPath(IndexPath path);
    /// Sends the row's value again when the server did not take it; returns whether it did.
    bool resendIfUnsaved(IndexPath path);

private:
    explicit DocumentDatasource(std::shared_ptr<FormEngine> engine) : m_engine(std::move(engine)) { }
    void configureImage(TableViewCell& cell, const JsonObjectPtr& entry, bool isForm);
    void fetchImage(const JsonObjectPtr& entry, const std::string& url);
    void reload();

    std::shared_ptr<FormEngine> m_engine;
    std::weak_ptr<DocumentViewController> m_documentViewController;
    /// Entries whose picture was asked for, so each is fetched once.
    std::set<const JsonObject*> m_fetched;
};

} // namespace quindle
