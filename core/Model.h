#pragma once

#include "core/Asset.h"
#include "core/ServerConfiguration.h"
#include "platform/Colour.h"
#include "platform/Date.h"
#include "platform/Error.h"
#include "platform/Font.h"
#include "platform/HttpClient.h"
#include "platform/Image.h"
#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle {

/// The one shared object through which the client talks to the content server: it holds the
/// session, builds and sends every request and hands each reply's content to a handler.
/// Handlers run on the HTTP client's callback thread, never on the main queue, at most once.
/// Every session field sits behind one mutex, so any thread may read or write it.
class Model {
public:
    /// The reply content (nothing when there is none; a JSON null is a present value) and error.
    using Handler = std::function<void(std::optional<JsonValue> content, std::optional<Error> error)>;
    using DataHandler = std::function<void(std::optional<std::string> data, std::optional<Error> error)>;
    using ImageHandler = std::function<void(std::shared_ptr<Image> image, std::optional<Error> error)>;

    /// Log lines longer than this are cut, so a huge reply does not flood the log.
    static constexpr size_t defaultMaxLogLength = 64 * 1024;
    /// The site-default fallback font size in points.
    static constexpr double fallbackFontSize = 14;

    /// The shared instance, made on first use.
    static Model& defaultInstance();

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Configuration and transport plumbing.

    /// Where the servers are; until set, addresses are relative and requests fail.
    void setConfiguration(ServerConfiguration configuration);
    std::optional<ServerConfiguration> configuration() const;
    /// The content server base URL, ending in a slash ("" when not configured).
    std::string baseURL() const;
    /// The legacy JSON server base URL, ending in "/json/" ("" when not configured).
    std::string legacyBaseURL() const;
    /// The client requests go through; a libcurl client is made on first use.
    std::shared_ptr<HttpClient> httpClient();
    void setHttpClient(std::shared_ptr<HttpClient> client);
    void setMaxLogLength(size_t length);
    /// Asked (on the main queue) to rebuild the shell's login tab items after a login reply
    /// that carried the user's tabs.
    void setLoginTabbarItemsHandler(std::function<void()> handler);
    /// Empties every session field and the cookie list. Tests share the singleton and use this
    /// to start each case from a fresh session; the program itself never calls it.
    void resetSessionForTesting();

    // Transport.

    /// Percent-encodes a query value: URL-illegal characters and "&", "=", "+", "#" as %XX per
    /// UTF-8 byte, then "/" as "%2f" and ":" as "%3a". "?" and "@" are left as they are.
    static std::string encode(std::string_view text);
    /// Percent-encodes URL-illegal characters only ("/", ":", "&", "=" and "+" pass): the
    /// platform's legacy URL routine, which dates and action triggers go out with.
    static std::string encodeIllegal(std::string_view text);
    /// Percent-encodes every byte but letters, digits and "-_.~", so a value holding "&", "="
    /// or "+" reads back whole; for values a user types.
    static std::string encodeValue(std::string_view text);
    /// GETs an absolute URL and delivers the reply content.
    void requestWithURL(const std::string& url, Handler handler);
    /// Sends a prepared request and delivers the reply content.
    void jsonRequest(HttpRequest request, Handler handler);
    /// Sends a prepared request and delivers the decoded image (null when undecodable).
    void imageRequest(HttpRequest request, ImageHandler handler);
    /// The one place requests leave the client: adds the session headers, sends, and keeps
    /// the cookies of a 200 reply.
    void sendAsynchronousRequest(HttpRequest request, DataHandler handler);
    HttpRequest postRequestWithData(std::string body, const std::string& url) const;
    HttpRequest postRequestWithString(std::string_view body, const std::string& url) const;
    /// Compact JSON of the dictionary, or nothing (with `error` set) when it cannot be written.
    static std::optional<std::string> dictToJSON(const JsonObjectPtr& dict, Error* error = nullptr);
    /// POSTs the dictionary as JSON to the base URL followed by the endpoint name.
    void sendDict(const JsonObjectPtr& dict, const std::string& endPoint, Handler handler);
    /// The content of a reply object: "Message", else "list", else "Children", else nothing.
    static std::optional<JsonValue> contentForNode(const JsonObjectPtr& node);
    bool isLoggedIn() const;
    void loginWithUsername(const std::string& email, const std::string& password, Handler handler);
    void logoutWithCompletionHandler(Handler handler);

    // Account and device.

    void addAccountWithUsername(const std::string& email, const std::string& password,
        const std::string& organisation, Handler handler);
    void resetPassword(const std::string& email);
    void changePassword(const std::string& password, Handler handler);
    /// Registers this device for pushes; sends nothing while no push token is known.
    void sendDeviceID(const std::string& deviceName = hostName());
    void publishAsset(const std::string& assetID, Handler handler);
    /// The host name, used as the device name.
    static std::string hostName();

    // Pages, tabs and trash.

    void fetchTabbarForAssetID(const std::string& assetID, Handler handler);
    /// An empty id asks for the server's default public page.
    void fetchDirectoryForAssetID(const std::string& assetID, Handler handler);
    void fetchDocumentForAssetID(const std::string& assetID, Handler handler);
    void fetchPageListWithCompletionHandler(Handler handler);
    void fetchTrashWithCompletionHandler(Handler handler);
    void fetchImageListWithCompletionHandler(Handler handler);
    void fetchAssociatedAssetsForAssetID(const std::string& assetID, Handler handler);
    /// Links `linkedAssetID` to `receivingAssetID`.
    void associateAssetID(const std::string& linkedAssetID, const std::string& receivingAssetID, Handler handler);
    void addDirectoryToAssetId(const std::string& parentID, const std::string& name, Handler handler);
    void addFormToAssetId(const std::string& parentID, const std::string& name, const std::string& successMessage,
        const std::string& nextPage, Handler handler);
    void carousel(const std::string& option, const std::string& assetID, Handler handler);
    void deleteAsset(const std::string& assetID, Handler handler);
    void restoreAsset(const std::string& assetID, Handler handler);
    /// `key` is "date" or "endDate"; any other key sends nothing and reports an error.
    void sendDateForAssetID(const std::string& assetID, const std::string& key, Date date, Handler handler);

    // POST-JSON operations.

    void sendName(const JsonObjectPtr& dict, Handler handler);
    void sendOptions(const JsonObjectPtr& dict, Handler handler);
    void sendForm(const JsonObjectPtr& dict, Handler handler);
    void sendText(const JsonObjectPtr& dict, Handler handler);
    void sendTextField(const JsonObjectPtr& dict, Handler handler);
    void sendTextView(const JsonObjectPtr& dict, Handler handler);
    /// Sends the picture held under "image" as Base64 JPEG; without one, sends nothing and
    /// reports an error.
    void sendImage(const AssetRecord& record, Handler handler);
    void addImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler);
    /// A null second record clears the picture ("selectedimageid" "0").
    void linkImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler);
    void swapAssetId(const std::string& firstID, const std::string& secondID, Handler handler);

    // Operations no screen reaches.

    void sendContactFormWithEmail(const std::string& email, const std::string& subject, const std::string& message,
        Handler handler);
    void fetchContactRequestsWithCompletionHandler(Handler handler);
    void userBeaconsWithCompletionHandler(Handler handler);
    void beaconListWithCompletionHandler(Handler handler);
    void addBeaconID(const std::string& beaconID, const std::string& major, const std::string& minor,
        const std::string& message, Handler handler);
    void addTextToAssetId(const std::string& assetID, const std::string& text, Handler handler);
    void addTextFieldToAssetId(const std::string& assetID, const std::string& title, Handler handler);
    void addTextViewToAssetId(const std::string& assetID, const std::string& title, Handler handler);
    void sendError(const std::string& error);

    // Server dates.

    /// The wire date format: pattern, zone and locale.
    struct ServerDateFormatter {
        std::string pattern { "yyyy-MM-dd HH:mm:ss" };
        DateFormat::Zone zone { DateFormat::Zone::UTC };
        std::string locale { "en_US_POSIX" };
        std::string stringFromDate(Date date) const;
        std::optional<Date> dateFromString(std::string_view text) const;
    };
    static ServerDateFormatter serverDateFormatter();
    static std::string serverDateStringForDate(Date date);
    static std::optional<Date> dateFromServerDateString(std::string_view text);
    /// Whole local calendar days from the first date's day to the second's.
    static long daysBetweenDate(Date first, Date second);
    /// Whole hours from first to second, truncated, plus one.
    static long hoursBetween(Date first, Date second);
    /// Writes the date under "date" and widens "startDate"/"endDate" to include it.
    static void updateAsset(const AssetRecord& record, Date date);

    // Display options.

    std::string fontNameFromOptions(std::string_view options) const;
    std::string fontSizeFromOptions(std::string_view options) const;
    std::optional<Font> fontFromOptions(std::string_view options) const;
    std::optional<Colour> textColourFromOptions(std::string_view options) const;
    std::optional<Colour> backgroundColourFromOptions(std::string_view options) const;
    /// Replaces each site default that the string supplies.
    void updateDefaultOptions(std::string_view options);
    Font defaultFont() const;
    Colour defaultTextColour() const;
    Colour defaultBackgroundColour() const;
    Font fontForAsset(const AssetRecord& record) const;
    Colour textColourForAsset(const AssetRecord& record) const;
    Colour backgroundColourForAsset(const AssetRecord& record) const;
    /// Row height of a text item: measured text plus 10, at least 42 points.
    double heightForAsset(const AssetRecord& record, double width) const;

    // Session fields.

    std::vector<Cookie> cookies() const;
    std::string defaultOptions() const;
    bool isRoot() const;
    std::string authToken() const;
    void setAuthToken(std::string token);
    std::string userAssetID() const;
    std::string userRootAssetID() const;
    std::string userID() const;
    std::string username() const;
    std::string userOptions() const;
    std::string userFontName() const;
    std::string userFontSize() const;
    std::optional<Colour> userTextColour() const;
    std::optional<Colour> userBackgroundColour() const;
    std::string pushTokenID() const;
    void setPushTokenID(std::string token);
    std::string devID() const;
    void setDevID(std::string id);
    JsonArrayPtr workflow() const;
    AssetRecord tab() const;
    void setTab(AssetRecord tab);
    JsonArrayPtr tabs() const;
    void setTabs(JsonArrayPtr tabs);
    std::string tabbarID() const;
    void setTabbarID(std::string id);

private:
    Model();

    void get(const std::string& endpoint, Handler handler);
    void fetchPage(const std::string& url, Handler handler);
    void postJSON(const JsonObjectPtr& dict, const std::string& endPoint, Handler handler);
    void applyLoginReply(const std::optional<JsonValue>& content);
    void log(std::string text) const;

    mutable std::mutex m_mutex;
    std::optional<ServerConfiguration> m_configuration;
    std::shared_ptr<HttpClient> m_httpClient;
    std::function<void()> m_loginTabbarItemsHandler;
    size_t m_maxLogLength { defaultMaxLogLength };

    std::vector<Cookie> m_cookies;
    bool m_hasCookieList { false };
    std::string m_defaultOptions;
    std::optional<Font> m_defaultFont;
    std::optional<Colour> m_defaultTextColour;
    std::optional<Colour> m_defaultBackgroundColour;
    bool m_isRoot { false };
    std::string m_authToken;
    std::string m_userAssetID;
    std::string m_userRootAssetID;
    std::string m_userID;
    std::string m_username;
    std::string m_userOptions;
    std::string m_userFontName;
    std::string m_userFontSize;
    std::optional<Colour> m_userTextColour;
    std::optional<Colour> m_userBackgroundColour;
    std::string m_pushTokenID;
    std::string m_devID;
    JsonArrayPtr m_workflow;
    AssetRecord m_tab;
    JsonArrayPtr m_tabs;
    std::string m_tabbarID;
};

} // namespace quindle
