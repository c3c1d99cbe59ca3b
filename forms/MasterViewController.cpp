// The resident form screen: set-up, sections and loading the entry list and the documents.
#include "forms/MasterViewController.h"

#include "core/Model.h"
#include "forms/RecordText.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quindle {

MasterViewController::MasterViewController(const ResidentFormSetup& setup)
    : ViewController("Forms")
    , m_engine(FormEngine::create(FormKind::Resident))
    , m_url(setup.url)
    , m_name(setup.name)
    , m_docs(setup.docs ? setup.docs : JsonArray::create())
    , m_date(setup.date)
    , m_message(setup.message)
    , m_suppressHistory(setup.suppressHistory)
    , m_isResidentProfile(setup.isResidentProfile)
{
    m_engine->setAssetID(setup.assetID);
    m_engine->setResID(setup.resID);
    m_engine->setResDocID(setup.resDocID);
    m_engine->setFormState(setup.formState);
}

std::shared_ptr<MasterViewController> MasterViewController::create(const ResidentFormSetup& setup)
{
    std::shared_ptr<MasterViewController> screen(new MasterViewController(setup));
    std::weak_ptr<MasterViewController> weak = screen;
    screen->m_engine->setReloadHandler([weak] {
        if (auto self = weak.lock())
            self->reload();
    });
    return screen;
}

void MasterViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void MasterViewController::viewDidLoad()
{
    m_engine->setUser(UserDefaults::standardUserDefaults().stringForKey("login").value_or(""));
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(std::static_pointer_cast<MasterViewController>(shared_from_this())));
    m_table->setDelegate(std::static_pointer_cast<MasterViewController>(shared_from_this()));
    m_table->reloadData();
    // The entry list is fetched once, when the screen is first shown.
    if (!objects() && !m_requested) {
        m_requested = true;
        loadEntryList();
    }
}

std::shared_ptr<TableView> MasterViewController::tableView()
{
    view();
    return m_table;
}

void MasterViewController::reload()
{
    if (isViewLoaded())
        m_table->reloadData();
}

std::vector<MasterViewController::Section> MasterViewController::sections() const
{
    std::vector<Section> shown { Section::Heading };
    if (hasFormState())
        shown.push_back(Section::Actions);
    // A profile without form state still leads to the allergies.
    if (m_isResidentProfile)
        shown.push_back(Section::Allergies);
    shown.push_back(Section::Values);
    return shown;
}

std::optional<MasterViewController::Section> MasterViewController::sectionAt(int section) const
{
    auto shown = sections();
    if (section < 0 || static_cast<size_t>(section) >= shown.size())
        return std::nullopt;
    return shown[static_cast<size_t>(section)];
}

int MasterViewController::numberOfSectionsInTableView(TableView&) { return static_cast<int>(sections().size()); }

int MasterViewController::headingRows() const
{
    if (!hasFormState())
        return 1;
    return !m_suppressHistory && !m_date.empty() && !m_message.empty() ? 4 : 2;
}

int MasterViewController::numberOfRowsInSection(TableView&, int section)
{
    switch (sectionAt(section).value_or(Section::Values)) {
    case Section::Heading: return headingRows();
    case Section::Actions: return std::max<int>(1, static_cast<int>(m_engine->displayActions().size()));
    case Section::Allergies: return 1;
    case Section::Values: return sectionAt(section) ? static_cast<int>(m_engine->numberOfRows()) : 0;
    }
    return 0;
}

std::string MasterViewController::titleForHeaderInSection(TableView&, int section)
{
    if (!sectionAt(section))
        return {};
    switch (*sectionAt(section)) {
    case Section::Heading: return "Name";
    case Section::Actions: return "Actions";
    case Section::Allergies: return "Food allergies";
    case Section::Values: return m_formTitle;
    }
    return {};
}

std::optional<std::string> MasterViewController::personnelDetailsID() const
{
    for (const JsonValue& doc : m_docs->items())
        if (doc.isObject() && recordText(doc.object(), "name") == "Personnel Details")
            return recordText(doc.object(), "assetID");
    return std::nullopt;
}

std::string MasterViewController::legacyURL(const std::string& url)
{
    if (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0)
        return url;
    auto configuration = Model::defaultInstance().configuration();
    if (!url.empty() && url[0] == '/')
        return (configuration ? configuration->legacyHost() : std::string {}) + url;
    return Model::defaultInstance().legacyBaseURL() + url;
}

void MasterViewController::loadEntryList()
{
    std::string address = m_url.empty() ? Model::defaultInstance().legacyBaseURL() + "start.php" : legacyURL(m_url);
    if (!assetID().empty())
        address += "?a=" + assetID();
    std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
    Model::defaultInstance().requestWithURL(address, [weak](std::optional<JsonValue> payload, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, payload = std::move(payload)] {
            if (auto self = weak.lock())
                self->entryListArrived(payload);
        });
    });
    if (m_docs->size() == 0)
        loadDocs();
}

void MasterViewController::entryListArrived(const std::optional<JsonValue>& payload)
{
    // Without a list the screen keeps showing no value rows.
    const JsonObjectPtr reply = payload && payload->isObject() ? payload->object() : nullptr;
    if (!reply || !reply->get("list").isArray())
        return;
    m_formTitle = recordText(reply, "title");
    m_engine->setObjects(JsonArray::create(reply->get("list").array()->items()));
    m_engine->sortedKeys();
    m_engine->parseForm();
    m_engine->evaluateForm();
    reload();
}

void MasterViewController::loadDocs()
{
    std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
    Model::defaultInstance().requestWithURL(Model::defaultInstance().legacyBaseURL() + "start.php?a=" + resID(),
        [weak](std::optional<JsonValue> payload, std::optional<Error>) {
            MainQueue::shared().dispatch([weak, payload = std::move(payload)] {
                auto self = weak.lock();
                if (!self || !payload || !payload->isObject() || !payload->object()->get("list").isArray())
                    return;
                // Filled in place: the screens opened from this one share the list.
                for (const JsonValue& doc : payload->object()->get("list").array()->items())
                    self->m_docs->push_back(doc);
            });
        });
}

} // namespace quindle
