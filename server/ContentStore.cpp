#include "server/ContentStore.h"

namespace quindle {

namespace {

constexpr const char* assetColumns = "id, parent_id, site_id, position, type, name, title, data, options, carousel, date,"
                                     " start_date, end_date, message, owner_id, image_id, linked_id, deleted";

} // namespace

bool ContentStore::isContainer(const std::string& type)
{
    return type == "Tabbar" || type == "Directory" || type == "Form";
}

ContentStore::ContentStore(Storage& storage)
    : m_storage(storage)
{
}

void ContentStore::migrate()
{
    m_storage.migrate("content", {
        "CREATE TABLE content_assets (id INTEGER PRIMARY KEY, parent_id INTEGER REFERENCES content_assets(id),"
        " site_id INTEGER NOT NULL DEFAULT 0, position INTEGER NOT NULL DEFAULT 0, type TEXT NOT NULL,"
        " name TEXT NOT NULL DEFAULT '', title TEXT NOT NULL DEFAULT '', data TEXT NOT NULL DEFAULT '',"
        " options TEXT NOT NULL DEFAULT '', carousel TEXT NOT NULL DEFAULT '', date TEXT NOT NULL DEFAULT '',"
        " start_date TEXT NOT NULL DEFAULT '', end_date TEXT NOT NULL DEFAULT '', message TEXT NOT NULL DEFAULT '',"
        " owner_id INTEGER NOT NULL, image_id INTEGER NOT NULL DEFAULT 0, linked_id INTEGER NOT NULL DEFAULT 0,"
        " deleted INTEGER NOT NULL DEFAULT 0, deleted_at TEXT NOT NULL DEFAULT '');"
        "CREATE INDEX content_assets_parent ON content_assets(parent_id, position);"
        "CREATE INDEX content_assets_owner ON content_assets(owner_id, deleted);"
        "CREATE TABLE content_sites (tabbar_id INTEGER PRIMARY KEY REFERENCES content_assets(id),"
        " owner_id INTEGER NOT NULL UNIQUE, company TEXT NOT NULL DEFAULT '', published INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE content_user_options (user_id INTEGER PRIMARY KEY, options TEXT NOT NULL DEFAULT '');"
        "CREATE TABLE content_links (asset_id INTEGER NOT NULL, linked_id INTEGER NOT NULL, position INTEGER NOT NULL,"
        " PRIMARY KEY (asset_id, linked_id));"
        "CREATE TABLE content_document_entries (id INTEGER PRIMARY KEY, document_id INTEGER NOT NULL, entry TEXT NOT NULL);"
        "CREATE INDEX content_document_entries_document ON content_document_entries(document_id, id);"
        "CREATE TABLE content_document_values (document_id INTEGER NOT NULL, name TEXT NOT NULL, value TEXT NOT NULL,"
        " type TEXT NOT NULL DEFAULT '', last_modified TEXT NOT NULL DEFAULT '', user_name TEXT NOT NULL DEFAULT '',"
        " PRIMARY KEY (document_id, name));"
        "CREATE TABLE content_submissions (id INTEGER PRIMARY KEY, form_id INTEGER NOT NULL, user_id INTEGER NOT NULL DEFAULT 0,"
        " created TEXT NOT NULL);"
        "CREATE TABLE content_submission_values (submission_id INTEGER NOT NULL, position INTEGER NOT NULL,"
        " name TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (submission_id, position));"
        "CREATE TABLE content_contact_requests (id INTEGER PRIMARY KEY, site_id INTEGER NOT NULL, email TEXT NOT NULL,"
        " subject TEXT NOT NULL, body TEXT NOT NULL, created TEXT NOT NULL);"
        "CREATE TABLE content_beacons (id INTEGER PRIMARY KEY, owner_id INTEGER NOT NULL, beacon_id TEXT NOT NULL,"
        " major INTEGER NOT NULL, minor INTEGER NOT NULL, message TEXT NOT NULL);"
        "CREATE TABLE content_devices (device_id TEXT PRIMARY KEY, name TEXT NOT NULL, push_token TEXT NOT NULL,"
        " user_id INTEGER NOT NULL DEFAULT 0, updated TEXT NOT NULL);"
        "CREATE TABLE content_errors (id INTEGER PRIMARY KEY, text TEXT NOT NULL, created TEXT NOT NULL);",
    });
}

ContentAsset ContentStore::fromRow(const SqlRow& row)
{
    ContentAsset a;
    a.id = Storage::integer(row[0]);
    a.parentId = Storage::integer(row[1]);
    a.siteId = Storage::integer(row[2]);
    a.position = Storage::integer(row[3]);
    a.type = Storage::text(row[4]);
    a.name = Storage::text(row[5]);
    a.title = Storage::text(row[6]);
    a.data = Storage::text(row[7]);
    a.options = Storage::text(row[8]);
    a.carousel = Storage::text(row[9]);
    a.date = Storage::text(row[10]);
    a.startDate = Storage::text(row[11]);
    a.endDate = Storage::text(row[12]);
    a.message = Storage::text(row[13]);
    a.ownerId = Storage::integer(row[14]);
    a.imageId = Storage::integer(row[15]);
    a.linkedId = Storage::integer(row[16]);
    a.deleted = Storage::integer(row[17]) != 0;
    return a;
}

std::vector<ContentAsset> ContentStore::assets(const std::string& where, const std::vector<SqlValue>& params, size_t limit)
{
    std::vector<SqlValue> all = params;
    all.push_back(static_cast<int64_t>(limit));
    auto rows = m_storage.query(std::string("SELECT ") + assetColumns + " FROM content_assets WHERE " + where + " LIMIT ?", all);
    std::vector<ContentAsset> out;
    out.reserve(rows.size());
    for (const SqlRow& row : rows)
        out.push_back(fromRow(row));
    return out;
}

std::optional<ContentAsset> ContentStore::asset(int64_t id)
{
    auto found = assets("id = ?", { id }, 1);
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::vector<ContentAsset> ContentStore::children(int64_t parentId, Deleted deleted)
{
    if (deleted == Deleted::Include)
        return assets("parent_id = ? ORDER BY position, id", { parentId }, m_maxChildren);
    return assets("parent_id = ? AND deleted = 0 ORDER BY position, id", { parentId }, m_maxChildren);
}

std::vector<ContentAsset> ContentStore::trash(int64_t ownerId)
{
    return assets("owner_id = ? AND deleted = 1 ORDER BY deleted_at DESC, id DESC", { ownerId }, m_maxListRows);
}

std::vector<ContentAsset> ContentStore::pages(int64_t ownerId)
{
    return assets("owner_id = ? AND deleted = 0 AND (type = 'Directory' OR type = 'Form') ORDER BY id", { ownerId },
        m_maxListRows);
}

std::vector<ContentAsset> ContentStore::workflows(int64_t ownerId)
{
    return assets("owner_id = ? AND deleted = 0 AND type = 'Workflow' ORDER BY id", { ownerId }, m_maxListRows);
}

int64_t ContentStore::addChild(const ContentAsset& parent, ContentAsset fields)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        auto rows = m_storage.query("SELECT MAX(position) FROM content_assets WHERE parent_id = ?", { parent.id });
        int64_t position = rows.empty() || Storage::isNull(rows[0][0]) ? 0 : Storage::integer(rows[0][0]) + 1;
        m_storage.execute("INSERT INTO content_assets (parent_id, site_id, position, type, name, title, data, options,"
                          " carousel, date, start_date, end_date, message, owner_id, image_id, linked_id)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            { parent.id, parent.siteId, position, fields.type, fields.name, fields.title, fields.data, fields.options,
                fields.carousel, fields.date, fields.startDate, fields.endDate, fields.message, parent.ownerId,
                fields.imageId, fields.linkedId });
        id = m_storage.lastInsertId();
    });
    return id;
}

int64_t ContentStore::addWorkflow(int64_t ownerId, int64_t siteId, const std::string& name)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_assets (site_id, type, name, owner_id) VALUES (?, 'Workflow', ?, ?)",
            { siteId, name, ownerId });
        id = m_storage.lastInsertId();
    });
    return id;
}

void ContentStore::update(const ContentAsset& a)
{
    m_storage.transaction([&] {
        m_storage.execute("UPDATE content_assets SET type = ?, name = ?, title = ?, data = ?, options = ?, carousel = ?,"
                          " date = ?, start_date = ?, end_date = ?, message = ?, image_id = ?, linked_id = ? WHERE id = ?",
            { a.type, a.name, a.title, a.data, a.options, a.carousel, a.date, a.startDate, a.endDate, a.message,
                a.imageId, a.linkedId, a.id });
    });
}

bool ContentStore::setDeleted(int64_t id, bool deleted, const std::string& when)
{
    int64_t changed = 0;
    m_storage.transaction([&] {
        changed = m_storage.execute("UPDATE content_assets SET deleted = ?, deleted_at = ? WHERE id = ?",
            { int64_t(deleted ? 1 : 0), deleted ? when : std::string(), id });
    });
    return changed > 0;
}

void ContentStore::swapPositions(const ContentAsset& first, const ContentAsset& second)
{
    m_storage.transaction([&] {
        m_storage.execute("UPDATE content_assets SET position = ? WHERE id = ?", { second.position, first.id });
        m_storage.execute("UPDATE content_assets SET position = ? WHERE id = ?", { first.position, second.id });
        if (first.position == second.position) {
            // Equal positions would swap nothing; order them by the swap instead.
            m_storage.execute("UPDATE content_assets SET position = position + 1 WHERE parent_id = ? AND position > ?",
                { first.parentId, first.position });
            m_storage.execute("UPDATE content_assets SET position = ? WHERE id = ?", { first.position + 1, first.id });
        }
    });
}

int64_t ContentStore::createSite(int64_t ownerId, const std::string& company, const std::string& startPageName)
{
    int64_t tabbar = 0;
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_assets (type, name, owner_id) VALUES ('Tabbar', ?, ?)", { company, ownerId });
        tabbar = m_storage.lastInsertId();
        m_storage.execute("UPDATE content_assets SET site_id = ? WHERE id = ?", { tabbar, tabbar });
        m_storage.execute("INSERT INTO content_sites (tabbar_id, owner_id, company) VALUES (?, ?, ?)", { tabbar, ownerId, company });
        m_storage.execute("INSERT INTO content_assets (parent_id, site_id, position, type, name, owner_id)"
                          " VALUES (?, ?, 0, 'Directory', ?, ?)",
            { tabbar, tabbar, startPageName, ownerId });
    });
    return tabbar;
}

namespace {

ContentSite siteFromRow(const SqlRow& row)
{
    return ContentSite { Storage::integer(row[0]), Storage::integer(row[1]), Storage::text(row[2]), Storage::text(row[4]),
        Storage::integer(row[3]) != 0 };
}

constexpr const char* siteSelect = "SELECT s.tabbar_id, s.owner_id, s.company, s.published, COALESCE(o.options, '')"
                                   " FROM content_sites s LEFT JOIN content_user_options o ON o.user_id = s.owner_id ";

} // namespace

std::optional<ContentSite> ContentStore::site(int64_t tabbarId)
{
    auto rows = m_storage.query(std::string(siteSelect) + "WHERE s.tabbar_id = ?", { tabbarId });
    if (rows.empty())
        return std::nullopt;
    return siteFromRow(rows[0]);
}

std::optional<ContentSite> ContentStore::siteOfOwner(int64_t ownerId)
{
    auto rows = m_storage.query(std::string(siteSelect) + "WHERE s.owner_id = ?", { ownerId });
    if (rows.empty())
        return std::nullopt;
    return siteFromRow(rows[0]);
}

std::optional<ContentSite> ContentStore::defaultSite()
{
    auto rows = m_storage.query(std::string(siteSelect) + "WHERE s.published = 1 ORDER BY s.tabbar_id LIMIT 1", {});
    if (rows.empty())
        return std::nullopt;
    return siteFromRow(rows[0]);
}

bool ContentStore::setPublished(int64_t tabbarId, bool published)
{
    int64_t changed = 0;
    m_storage.transaction([&] {
        changed = m_storage.execute("UPDATE content_sites SET published = ? WHERE tabbar_id = ?",
            { int64_t(published ? 1 : 0), tabbarId });
    });
    return changed > 0;
}

void ContentStore::setDefaultOptions(int64_t ownerId, const std::string& options)
{
    m_storage.transaction([&] {
        if (m_storage.execute("UPDATE content_user_options SET options = ? WHERE user_id = ?", { options, ownerId }) == 0)
            m_storage.execute("INSERT INTO content_user_options (user_id, options) VALUES (?, ?)", { ownerId, options });
    });
}

std::string ContentStore::defaultOptions(int64_t ownerId)
{
    auto rows = m_storage.query("SELECT options FROM content_user_options WHERE user_id = ?", { ownerId });
    return rows.empty() ? std::string() : Storage::text(rows[0][0]);
}

void ContentStore::associate(int64_t assetId, int64_t linkedId)
{
    m_storage.transaction([&] {
        if (!m_storage.query("SELECT 1 FROM content_links WHERE asset_id = ? AND linked_id = ?", { assetId, linkedId }).empty())
            return;
        auto rows = m_storage.query("SELECT COUNT(*) FROM content_links WHERE asset_id = ?", { assetId });
        m_storage.execute("INSERT INTO content_links (asset_id, linked_id, position) VALUES (?, ?, ?)",
            { assetId, linkedId, Storage::integer(rows[0][0]) });
    });
}

std::vector<ContentAsset> ContentStore::associated(int64_t assetId)
{
    auto rows = m_storage.query("SELECT linked_id FROM content_links WHERE asset_id = ? ORDER BY position LIMIT ?",
        { assetId, static_cast<int64_t>(m_maxListRows) });
    std::vector<ContentAsset> out;
    for (const SqlRow& row : rows) {
        if (auto found = asset(Storage::integer(row[0])); found && !found->deleted)
            out.push_back(*found);
    }
    return out;
}

void ContentStore::addDocumentEntry(int64_t documentId, const std::string& entryJson)
{
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_document_entries (document_id, entry) VALUES (?, ?)", { documentId, entryJson });
    });
}

std::vector<std::string> ContentStore::documentEntries(int64_t documentId)
{
    auto rows = m_storage.query("SELECT entry FROM content_document_entries WHERE document_id = ? ORDER BY id LIMIT ?",
        { documentId, static_cast<int64_t>(m_maxChildren) });
    std::vector<std::string> out;
    for (const SqlRow& row : rows)
        out.push_back(Storage::text(row[0]));
    return out;
}

void ContentStore::setDocumentValue(int64_t documentId, const DocumentValue& v)
{
    m_storage.transaction([&] {
        if (m_storage.execute("UPDATE content_document_values SET value = ?, type = ?, last_modified = ?, user_name = ?"
                              " WHERE document_id = ? AND name = ?",
                { v.value, v.type, v.lastModified, v.user, documentId, v.name })
            == 0)
            m_storage.execute("INSERT INTO content_document_values (document_id, name, value, type, last_modified, user_name)"
                              " VALUES (?, ?, ?, ?, ?, ?)",
                { documentId, v.name, v.value, v.type, v.lastModified, v.user });
    });
}

std::vector<ContentStore::DocumentValue> ContentStore::documentValues(int64_t documentId)
{
    auto rows = m_storage.query("SELECT name, value, type, last_modified, user_name FROM content_document_values"
                                " WHERE document_id = ? ORDER BY name LIMIT ?",
        { documentId, static_cast<int64_t>(m_maxChildren) });
    std::vector<DocumentValue> out;
    for (const SqlRow& row : rows)
        out.push_back({ Storage::text(row[0]), Storage::text(row[1]), Storage::text(row[2]), Storage::text(row[3]),
            Storage::text(row[4]) });
    return out;
}

int64_t ContentStore::addSubmission(int64_t formId, int64_t userId,
    const std::vector<std::pair<std::string, std::string>>& values, const std::string& when)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_submissions (form_id, user_id, created) VALUES (?, ?, ?)", { formId, userId, when });
        id = m_storage.lastInsertId();
        int64_t position = 0;
        for (const auto& [name, value] : values)
            m_storage.execute("INSERT INTO content_submission_values (submission_id, position, name, value) VALUES (?, ?, ?, ?)",
                { id, position++, name, value });
    });
    return id;
}

std::vector<std::pair<std::string, std::string>> ContentStore::submissionValues(int64_t submissionId)
{
    auto rows = m_storage.query("SELECT name, value FROM content_submission_values WHERE submission_id = ? ORDER BY position",
        { submissionId });
    std::vector<std::pair<std::string, std::string>> out;
    for (const SqlRow& row : rows)
        out.emplace_back(Storage::text(row[0]), Storage::text(row[1]));
    return out;
}

void ContentStore::addContactRequest(int64_t siteId, const ContactRequest& r)
{
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_contact_requests (site_id, email, subject, body, created) VALUES (?, ?, ?, ?, ?)",
            { siteId, r.email, r.subject, r.body, r.created });
    });
}

std::vector<ContentStore::ContactRequest> ContentStore::contactRequests(int64_t siteId)
{
    auto rows = m_storage.query("SELECT id, email, subject, body, created FROM content_contact_requests WHERE site_id = ?"
                                " ORDER BY id DESC LIMIT ?",
        { siteId, static_cast<int64_t>(m_maxListRows) });
    std::vector<ContactRequest> out;
    for (const SqlRow& row : rows)
        out.push_back({ Storage::integer(row[0]), Storage::text(row[1]), Storage::text(row[2]), Storage::text(row[3]),
            Storage::text(row[4]) });
    return out;
}

void ContentStore::addBeacon(int64_t ownerId, const Beacon& b)
{
    m_storage.transaction([&] {
        m_storage.execute("INSERT INTO content_beacons (owner_id, beacon_id, major, minor, message) VALUES (?, ?, ?, ?, ?)",
            { ownerId, b.beaconId, b.major, b.minor, b.message });
    });
}

std::vector<ContentStore::Beacon> ContentStore::beacons(int64_t ownerId)
{
    auto rows = m_storage.query("SELECT id, beacon_id, message, major, minor FROM content_beacons WHERE owner_id = ?"
                                " ORDER BY id LIMIT ?",
        { ownerId, static_cast<int64_t>(m_maxListRows) });
    std::vector<Beacon> out;
    for (const SqlRow& row : rows)
        out.push_back({ Storage::integer(row[0]), Storage::text(row[1]), Storage::text(row[2]), Storage::integer(row[3]),
            Storage::integer(row[4]) });
    return out;
}

void ContentStore::registerDevice(const std::string& deviceId, const std::string& name, const std::string& pushToken,
    int64_t userId, const std::string& when)
{
    m_storage.transaction([&] {
        if (m_storage.execute("UPDATE content_devices SET name = ?, push_token = ?, user_id = ?, updated = ? WHERE device_id = ?",
                { name, pushToken, userId, when, deviceId })
            == 0)
            m_storage.execute("INSERT INTO content_devices (device_id, name, push_token, user_id, updated) VALUES (?, ?, ?, ?, ?)",
                { deviceId, name, pushToken, userId, when });
    });
}

std::optional<std::string> ContentStore::pushTokenOf(const std::string& deviceId)
{
    auto rows = m_storage.query("SELECT push_token FROM content_devices WHERE device_id = ?", { deviceId });
    if (rows.empty())
        return std::nullopt;
    return Storage::text(rows[0][0]);
}

void ContentStore::addErrorReport(const std::string& text, const std::string& when)
{
    m_storage.transaction([&] { m_storage.execute("INSERT INTO content_errors (text, created) VALUES (?, ?)", { text, when }); });
}

int64_t ContentStore::errorReportCount()
{
    return Storage::integer(m_storage.query("SELECT COUNT(*) FROM content_errors", {})[0][0]);
}

std::vector<std::pair<int64_t, std::string>> ContentStore::images(int64_t ownerId)
{
    auto rows = m_storage.query("SELECT id, created FROM images WHERE owner_id = ? ORDER BY id DESC LIMIT ?",
        { ownerId, static_cast<int64_t>(m_maxListRows) });
    std::vector<std::pair<int64_t, std::string>> out;
    for (const SqlRow& row : rows)
        out.emplace_back(Storage::integer(row[0]), Storage::text(row[1]));
    return out;
}

int64_t ContentStore::nextAssetId()
{
    return Storage::integer(m_storage.query("SELECT COALESCE(MAX(id), 0) + 1 FROM content_assets", {})[0][0]);
}

std::optional<int64_t> ContentStore::imageOwner(int64_t imageId)
{
    auto rows = m_storage.query("SELECT owner_id FROM images WHERE id = ?", { imageId });
    if (rows.empty())
        return std::nullopt;
    return Storage::integer(rows[0][0]);
}

} // namespace quindle
