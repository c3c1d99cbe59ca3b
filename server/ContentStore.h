#pragma once

#include "server/Storage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quindle {

/// One stored content item: a tab bar, a page, a text, an input, a picture, an event, a video,
/// a form, a document, a submit control or a workflow.
struct ContentAsset {
    int64_t id = 0;
    int64_t parentId = 0; ///< 0 for a site's tab bar and for workflows
    int64_t siteId = 0;   ///< the tab bar the asset belongs to (its own id for a tab bar)
    int64_t position = 0;
    std::string type;
    std::string name;
    std::string title;
    std::string data;
    std::string options;  ///< display options
    std::string carousel; ///< carousel setting of a page ("", "Carousel", "Carousel:N")
    std::string date;
    std::string startDate;
    std::string endDate;
    std::string message; ///< a form's success message
    int64_t ownerId = 0;
    int64_t imageId = 0;
    int64_t linkedId = 0;
    bool deleted = false;
};

/// A site: the tab bar of one organisation and what belongs to it.
struct ContentSite {
    int64_t tabbarId = 0;
    int64_t ownerId = 0;
    std::string company;
    std::string defaultOptions;
    bool published = false;
};

/// Tables and queries of the content server. Every write is one transaction; statements are
/// parameterised portable SQL.
class ContentStore {
public:
    /// Most children listed for one page.
    static constexpr size_t defaultMaxChildren = 5000;
    /// Most rows a list endpoint (trash, images, pages, requests) answers.
    static constexpr size_t defaultMaxListRows = 2000;

    enum class Deleted { Exclude, Include };
    /// Whether an asset holds others (new items can be added to it).
    static bool isContainer(const std::string& type);

    explicit ContentStore(Storage& storage);

    /// Creates or upgrades the schema (component "content").
    void migrate();

    void setMaxChildren(size_t count) { m_maxChildren = count; }
    size_t maxChildren() const { return m_maxChildren; }
    void setMaxListRows(size_t count) { m_maxListRows = count; }
    size_t maxListRows() const { return m_maxListRows; }

    std::optional<ContentAsset> asset(int64_t id);
    std::vector<ContentAsset> children(int64_t parentId, Deleted deleted = Deleted::Exclude);
    /// Deleted assets of an owner, newest deletion first.
    std::vector<ContentAsset> trash(int64_t ownerId);
    /// Pages and forms of an owner that are not deleted.
    std::vector<ContentAsset> pages(int64_t ownerId);
    std::vector<ContentAsset> workflows(int64_t ownerId);

    /// Appends a new child at the end of `parent`'s list; its site and owner are the parent's.
    int64_t addChild(const ContentAsset& parent, ContentAsset fields);
    /// A workflow of an owner (workflows sit in no page).
    int64_t addWorkflow(int64_t ownerId, int64_t siteId, const std::string& name);
    /// Stores every field of `asset` except id, parent, site, position and owner.
    void update(const ContentAsset& asset);
    /// Moves an asset to the trash (stamped `when`) or back.
    bool setDeleted(int64_t id, bool deleted, const std::string& when);
    /// Exchanges the list positions of two siblings.
    void swapPositions(const ContentAsset& first, const ContentAsset& second);

    /// Makes an organisation's site: an unpublished tab bar named after it with a start page.
    int64_t createSite(int64_t ownerId, const std::string& company, const std::string& startPageName);
    std::optional<ContentSite> site(int64_t tabbarId);
    std::optional<ContentSite> siteOfOwner(int64_t ownerId);
    /// The published site that the public start page comes from (the oldest one).
    std::optional<ContentSite> defaultSite();
    bool setPublished(int64_t tabbarId, bool published);
    void setDefaultOptions(int64_t ownerId, const std::string& options);
    std::string defaultOptions(int64_t ownerId);

    /// Links `linkedId` to `assetId` (once); the list of links of `assetId` in link order.
    void associate(int64_t assetId, int64_t linkedId);
    std::vector<ContentAsset> associated(int64_t assetId);

    /// A form document's entries (JSON texts) and its recorded values.
    void addDocumentEntry(int64_t documentId, const std::string& entryJson);
    std::vector<std::string> documentEntries(int64_t documentId);
    struct DocumentValue {
        std::string name, value, type, lastModified, user;
    };
    void setDocumentValue(int64_t documentId, const DocumentValue& value);
    std::vector<DocumentValue> documentValues(int64_t documentId);

    /// One submission of a form page, all values in one transaction; returns its id.
    int64_t addSubmission(int64_t formId, int64_t userId, const std::vector<std::pair<std::string, std::string>>& values,
        const std::string& when);
    std::vector<std::pair<std::string, std::string>> submissionValues(int64_t submissionId);

    struct ContactRequest {
        int64_t id = 0;
        std::string email, subject, body, created;
    };
    void addContactRequest(int64_t siteId, const ContactRequest& request);
    std::vector<ContactRequest> contactRequests(int64_t siteId);

    struct Beacon {
        int64_t id = 0;
        std::string beaconId, message;
        int64_t major = 0, minor = 0;
    };
    void addBeacon(int64_t ownerId, const Beacon& beacon);
    std::vector<Beacon> beacons(int64_t ownerId);

    /// Remembers a device and its push token (the newest registration wins).
    void registerDevice(const std::string& deviceId, const std::string& name, const std::string& pushToken,
        int64_t userId, const std::string& when);
    std::optional<std::string> pushTokenOf(const std::string& deviceId);
    void addErrorReport(const std::string& text, const std::string& when);
    int64_t errorReportCount();

    /// Images that an owner stored, newest first: (image id, created).
    std::vector<std::pair<int64_t, std::string>> images(int64_t ownerId);
    /// The id the next new asset gets.
    int64_t nextAssetId();
    /// Who stored a picture; nothing when there is no such picture.
    std::optional<int64_t> imageOwner(int64_t imageId);

private:
    static ContentAsset fromRow(const SqlRow& row);
    std::vector<ContentAsset> assets(const std::string& where, const std::vector<SqlValue>& params, size_t limit);

    Storage& m_storage;
    size_t m_maxChildren = defaultMaxChildren;
    size_t m_maxListRows = defaultMaxListRows;
};

} // namespace quindle
