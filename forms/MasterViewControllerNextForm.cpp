// The resident form screen's next form: the form state, then the menu or a new form screen.
#include "forms/MasterViewController.h"

#include "core/Model.h"
#include "forms/RecordText.h"
#include "platform/MainQueue.h"

namespace quindle {

namespace {

/// The form state of a currentState payload: its "list" when that is a dictionary and
/// "modified" is set; otherwise none.
JsonObjectPtr formStateOf(const std::optional<JsonValue>& payload)
{
    if (!payload || !payload->isObject())
        return nullptr;
    const JsonObjectPtr& reply = payload->object();
    if (!reply->get("list").isObject() || reply->get("modified").isNull())
        return nullptr;
    return JsonObject::create(reply->get("list").object()->entries());
}

} // namespace

void MasterViewController::nextForm(const JsonObjectPtr& entry, const std::string& formID, const std::string& docID, bool resProfile)
{
    std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
    // Without a document there is no state to ask for: the form opens without one.
    if (docID.empty()) {
        openNext(entry, formID, docID, resProfile, nullptr);
        return;
    }
    Model::defaultInstance().requestWithURL(Model::defaultInstance().legacyBaseURL() + "currentState.php?a=" + docID,
        [weak, entry, formID, docID, resProfile](std::optional<JsonValue> payload, std::optional<Error>) {
            JsonObjectPtr state = formStateOf(payload);
            MainQueue::shared().dispatch([weak, entry, formID, docID, resProfile, state] {
                if (auto self = weak.lock())
                    self->openNext(entry, formID, docID, resProfile, state);
            });
        });
}

void MasterViewController::openNext(const JsonObjectPtr& entry, const std::string& formID, const std::string& docID, bool resProfile,
    JsonObjectPtr state)
{
    if (recordText(entry, "type") == "Meal") {
        std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
        const std::string address = Model::defaultInstance().legacyBaseURL() + "getMenu.php?a=" + formID + "&p=" + personnelDetailsID().value_or("");
        Model::defaultInstance().requestWithURL(address, [weak, entry, formID](std::optional<JsonValue> payload, std::optional<Error>) {
            MainQueue::shared().dispatch([weak, entry, formID, payload = std::move(payload)] {
                auto self = weak.lock();
                auto shell = ApplicationShell::shared();
                if (!self || !shell)
                    return;
                JsonArrayPtr dishes;
                if (payload && payload->isObject() && payload->object()->get("list").isArray())
                    dishes = JsonArray::create(payload->object()->get("list").array()->items());
                self->show(shell->makeMenuViewController(formID, recordText(entry, "name"), self->resID(), dishes));
            });
        });
        return;
    }
    ResidentFormSetup setup;
    setup.url = recordText(entry, "url");
    setup.assetID = formID;
    setup.resID = resID();
    setup.name = m_name;
    setup.docs = m_docs;
    setup.formState = std::move(state);
    setup.resDocID = docID;
    setup.isResidentProfile = resProfile;
    show(create(setup));
}

} // namespace quindle
