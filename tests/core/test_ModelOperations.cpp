// The exact request each content operation sends: method, target and body.

#include "ModelFixture.h"

#include "platform/Base64.h"

#include <functional>

using namespace quindle;
using namespace quindle::test;

namespace {

struct OperationCase {
    std::function<void(Model&, Model::Handler)> call;
    const char* method;
    std::string target; // after the base path
    std::string body;   // compact JSON or form text; empty for GETs
};

// Keeps test listings short: the case prints as its target, not as raw bytes.
void PrintTo(const OperationCase& c, std::ostream* out)
{
    *out << c.target;
}

Date at(const char* text)
{
    return *Model::dateFromServerDateString(text);
}

JsonObjectPtr dict(std::vector<JsonObject::Entry> entries)
{
    return JsonObject::create(std::move(entries));
}

std::vector<OperationCase> operationCases()
{
    using H = Model::Handler;
    return {
        { [](Model& m, H h) { m.loginWithUsername("a b+c@x.org", "p/w:1&2", h); }, "GET", "login?email=a%20b%2Bc@x.org&password=p%2fw%3a1%262", "" },
        { [](Model& m, H h) { m.logoutWithCompletionHandler(h); }, "GET", "logoutUser", "" },
        { [](Model& m, H h) { m.addAccountWithUsername("e@x", "p w", "Acme/Co", h); },
            "GET", "registerCompany?email=e@x&password=p%20w&company=Acme%2fCo&device=dev7", "" },
        { [](Model& m, H h) { m.changePassword("n:w", h); }, "GET", "changePassword?userID=&password=n%3aw", "" },
        { [](Model& m, H h) { m.publishAsset("12", h); }, "GET", "setPublished?assetid=12", "" },
        { [](Model& m, H h) { m.fetchTabbarForAssetID("5", h); }, "GET", "getTabbar?assetid=5", "" },
        { [](Model& m, H h) { m.fetchDirectoryForAssetID("9", h); }, "GET", "contentForNode?assetid=9", "" },
        { [](Model& m, H h) { m.fetchDirectoryForAssetID("", h); }, "GET", "contentForNode", "" },
        { [](Model& m, H h) { m.fetchDocumentForAssetID("3", h); }, "GET", "getDocument.php?assetid=3", "" },
        { [](Model& m, H h) { m.fetchPageListWithCompletionHandler(h); }, "GET", "pageList", "" },
        { [](Model& m, H h) { m.fetchTrashWithCompletionHandler(h); }, "GET", "trash", "" },
        { [](Model& m, H h) { m.fetchImageListWithCompletionHandler(h); }, "GET", "imageList", "" },
        { [](Model& m, H h) { m.fetchAssociatedAssetsForAssetID("4", h); }, "GET", "associatedAssets.php?a=4", "" },
        { [](Model& m, H h) { m.associateAssetID("linked", "receiving", h); }, "GET", "associateAssets.php?a=receiving&b=linked", "" },
        { [](Model& m, H h) { m.addDirectoryToAssetId("7", "Fish & Chips", h); }, "GET", "makePage?assetid=7&name=Fish%20%26%20Chips", "" },
        { [](Model& m, H h) { m.addFormToAssetId("7", "F", "Thanks!", "http://x/1", h); },
            "GET", "makeForm?assetid=7&name=F&message=Thanks!&linkassetid=http%3a%2f%2fx%2f1", "" },
        { [](Model& m, H h) { m.carousel("Carousel:2", "8", h); }, "GET", "setCarousel?assetid=8&option=Carousel:2", "" },
        { [](Model& m, H h) { m.deleteAsset("6", h); }, "GET", "deleteAsset?assetid=6", "" },
        { [](Model& m, H h) { m.restoreAsset("6", h); }, "GET", "restoreAsset?assetid=6", "" },
        { [](Model& m, H h) { m.sendDateForAssetID("2", "date", at("2015-06-01 10:00:00"), h); },
            "GET", "setDate?assetid=2&date=2015-06-01%2010%3a00%3a00", "" },
        { [](Model& m, H h) { m.sendDateForAssetID("2", "endDate", at("2015-06-01 23:05:09"), h); },
            "GET", "setDate?assetid=2&endDate=2015-06-01%2023%3a05%3a09", "" },
        { [](Model& m, H h) { m.sendName(dict({ { "assetid", "1" }, { "name", "N" } }), h); }, "POST", "setName", R"({"assetid":"1","name":"N"})" },
        { [](Model& m, H h) { m.sendOptions(dict({ { "toptions", "A:1:0.00,0.00,0.00:1.00,1.00,1.00" } }), h); },
            "POST", "updateDefaultOptions", R"({"toptions":"A:1:0.00,0.00,0.00:1.00,1.00,1.00"})" },
        { [](Model& m, H h) { m.sendForm(dict({ { "formid", "3" }, { "Age", "4" } }), h); }, "POST", "sendForm", R"({"formid":"3","Age":"4"})" },
        { [](Model& m, H h) { m.sendText(dict({ { "assetid", "1" }, { "text", "t\"q" } }), h); },
            "POST", "sendText", R"({"assetid":"1","text":"t\"q"})" },
        { [](Model& m, H h) { m.sendTextField(dict({ { "assetid", "1" }, { "title", "T" } }), h); },
            "POST", "sendTextField", R"({"assetid":"1","title":"T"})" },
        { [](Model& m, H h) { m.sendTextView(dict({ { "assetid", "1" }, { "title", "V" } }), h); },
            "POST", "sendTextView", R"({"assetid":"1","title":"V"})" },
        { [](Model& m, H h) { m.addImage(dict({ { "AssetId", "1" } }), dict({ { "assetid", "2" } }), h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"2","action":"add"})" },
        { [](Model& m, H h) { m.linkImage(dict({ { "AssetId", "1" } }), dict({ { "AssetId", "2" } }), h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"2"})" },
        { [](Model& m, H h) { m.linkImage(dict({ { "AssetId", "1" } }), nullptr, h); },
            "POST", "linkImage", R"({"assetid":"1","selectedimageid":"0"})" },
        { [](Model& m, H h) { m.swapAssetId("1", "2", h); }, "POST", "swapAssets", R"({"assetid":"1","secondid":"2"})" },
        { [](Model& m, H h) { m.sendContactFormWithEmail("e@x", "a=b&c", "hi there", h); },
            "POST", "addContactRequest.php", "rootAssetID=tb1&email=e@x&subject=a=b&c&body=hi there" },
        { [](Model& m, H h) { m.fetchContactRequestsWithCompletionHandler(h); }, "GET", "getContactRequests.php", "" },
        { [](Model& m, H h) { m.userBeaconsWithCompletionHandler(h); }, "GET", "userBeacons", "" },
        { [](Model& m, H h) { m.beaconListWithCompletionHandler(h); }, "GET", "beaconList", "" },
        { [](Model& m, H h) { m.addBeaconID("B:1", "2", "3", "hello world", h); },
            "GET", "saveBeacon?message=hello%20world&beaconID=B%3a1&beaconmajor=2&beaconminor=3", "" },
        { [](Model& m, H h) { m.addTextToAssetId("1", "a/b", h); }, "GET", "addText?assetid=1&text=a%2fb", "" },
        { [](Model& m, H h) { m.addTextFieldToAssetId("1", "T T", h); }, "GET", "addTextField?assetid=1&title=T%20T", "" },
        { [](Model& m, H h) { m.addTextViewToAssetId("1", "V", h); }, "GET", "addTextView?assetid=1&title=V", "" },
    };
}

class ModelOperations : public ModelFixture, public ::testing::WithParamInterface<OperationCase> { };

} // namespace

TEST_P(ModelOperations, SendsExactRequest)
{
    const OperationCase& c = GetParam();
    model().setDevID("dev7");
    model().setPushTokenID("tok");
    model().setTabbarID("tb1");
    server.setResponder([](const RecordedRequest&) { return makeReply(200, R"({"Message":"ok"})"); });

    c.call(model(), collector.handler());
    RecordedRequest r = onlyRequest();
    EXPECT_EQ(r.method, c.method);
    EXPECT_EQ(r.target, base() + c.target);
    EXPECT_EQ(r.body, c.body);
    if (std::string(c.method) == "POST") {
        EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.header("Content-Length"), std::to_string(c.body.size()));
    }
    Outcome o = collector.single();
    ASSERT_TRUE(o.content.has_value());
    EXPECT_EQ(o.content->asString(), "ok");
}

INSTANTIATE_TEST_SUITE_P(Every, ModelOperations, ::testing::ValuesIn(operationCases()));

namespace {
using ModelIgnoredOperations = ModelFixture;
}

// Requests that hand nothing back, and a dictionary sent as it is: the target and the log line.
TEST_F(ModelIgnoredOperations, SendTheirRequestAndLogIt)
{
    model().setDevID("d/1");
    model().setPushTokenID("abc123");
    const std::string device = base() + "registerDevice?name=My%20Phone&deviceid=d/1&pushtoken=abc123";
    struct Case {
        std::function<void()> call;
        std::string target;
        std::string log;
    } cases[] = {
        { [] { model().resetPassword("a b@x"); }, base() + "resetPassword?email=a%20b@x", "" },
        { [] { model().sendDeviceID("My Phone"); }, device, "register device " + server.url() + device },
        { [] { model().sendError("bad: thing"); }, base() + "sendError.php?error=bad%3a%20thing", "send error bad: thing" },
        { [&] { model().sendDict(dict({ { "a", 1 } }), "sendText", collector.handler()); }, base() + "sendText",
            "request POST " + server.url() + base() + "sendText" },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].target);
        LogCapture logs;
        cases[i].call();
        ASSERT_TRUE(server.waitForRequests(i + 1));
        EXPECT_EQ(server.requests().at(i).target, cases[i].target);
        if (!cases[i].log.empty()) {
            EXPECT_TRUE(logs.contains(cases[i].log));
        }
    }
}

TEST_F(ModelIgnoredOperations, WithoutPushTokenDeviceAndBeaconSendNothing)
{
    model().sendDeviceID("phone");
    model().addBeaconID("b", "1", "2", "m", collector.handler());
    // A request that is sent afterwards arrives alone.
    model().fetchTrashWithCompletionHandler(collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, base() + "trash");
    EXPECT_EQ(collector.count(), 1u);
}

// No picture, or an unknown date key, sends nothing and reports an error; a record's picture goes
// as Base64 JPEG.
TEST_F(ModelIgnoredOperations, SendImageEncodesRecordPictureAsBase64JpegAndRefusesWhatCannotBeSent)
{
    model().sendImage(dict({ { "AssetId", "44" } }), collector.handler());
    model().sendDateForAssetID("1", "startDate", Date {}, collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    for (const Outcome& o : collector.outcomes()) {
        EXPECT_FALSE(o.content);
        EXPECT_TRUE(o.error);
    }
    EXPECT_TRUE(server.requests().empty());

    auto image = Image::create(2, 2, std::vector<uint8_t>(16, 200));
    auto rec = dict({ { "AssetId", "44" }, { "image", JsonValue(std::static_pointer_cast<Opaque>(image)) } });
    model().sendImage(rec, collector.handler());
    RecordedRequest r = onlyRequest();
    EXPECT_EQ(r.target, base() + "sendImage");
    // Compact JSON: no line breaks inside the Base64 text either.
    EXPECT_EQ(r.body, R"({"assetid":"44","image":")" + Base64::encode(*image->jpegData(1.0)) + R"("})");
}
