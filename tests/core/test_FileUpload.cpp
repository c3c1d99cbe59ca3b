// Multipart picture upload: exact body bytes, file name, empty data.

#include "core/FileUpload.h"

#include "ModelFixture.h"

#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {
using FileUploadTest = ModelFixture;

const std::string opening = "--0xKhTmLbOuNdArY\r\n";
const std::string closing = "\r\n--0xKhTmLbOuNdArY--\r\n";
} // namespace

TEST(FileUploadRequest, ExactBodyAroundTheBytesUnchangedAndALocalFileName)
{
    auto request = FileUpload::createPostRequestWithURL("http://h/json/upload.php?a=1", "abc");
    ASSERT_TRUE(request);
    EXPECT_EQ((std::vector<std::string> { request->method, request->url, request->header("Content-Type").value_or("") }),
        (std::vector<std::string> { "POST", "http://h/json/upload.php?a=1", "multipart/form-data; boundary=0xKhTmLbOuNdArY" }));
    EXPECT_EQ(request->headers.size(), 1u);
    std::regex shape("--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"uploaded\"; "
                     "filename=\"Image_[0-9]{14}\\.jpg\"\r\n\r\nabc\r\n--0xKhTmLbOuNdArY--\r\n");
    EXPECT_TRUE(std::regex_match(request->body, shape)) << request->body;
    // Binary bytes pass unchanged.
    std::string bytes("\0\r\n--\xff", 6);
    auto binary = FileUpload::createPostRequestWithURL("http://h/u", bytes);
    ASSERT_TRUE(binary);
    size_t start = binary->body.find("\r\n\r\n") + 4;
    EXPECT_EQ(binary->body.substr(start, bytes.size()), bytes);
    EXPECT_EQ(binary->body.substr(start + bytes.size()), closing);
    EXPECT_EQ(binary->body.substr(0, opening.size()), opening);
    // No address or no data gives no request.
    EXPECT_FALSE(FileUpload::createPostRequestWithURL("", "abc"));
    EXPECT_FALSE(FileUpload::createPostRequestWithURL("http://h/u", ""));
    // The file name is the local time.
    setenv("TZ", "Asia/Kolkata", 1);
    tzset();
    Date d = *Model::dateFromServerDateString("2015-06-01 09:00:00");
    EXPECT_EQ(FileUpload::fileNameForDate(d), "Image_20150601143000.jpg");
    EXPECT_EQ(FileUpload::fileNameForDate(d + std::chrono::milliseconds(400)), FileUpload::fileNameForDate(d));
    unsetenv("TZ");
    tzset();
}

// Empty data calls back at once and sends nothing; an upload goes through the transport with the
// session's headers.
TEST_F(FileUploadTest, EmptyDataSendsNothingAndAnUploadCarriesTheSessionHeaders)
{
    int calls = 0;
    FileUpload::sendFileDataWithURL(server.url() + "/up", "", [&](std::optional<JsonValue> c, std::optional<Error> e) {
        ++calls;
        EXPECT_FALSE(c);
        EXPECT_FALSE(e);
    });
    EXPECT_EQ(calls, 1);
    server.setResponder([](const RecordedRequest& r) {
        Reply reply = makeReply(200, R"({"Message":{"url":"x"}})");
        if (r.path == "/cookie")
            reply.headers = { { "Set-Cookie", "k=C1" } };
        return reply;
    });
    model().requestWithURL(server.url() + "/cookie", collector.handler());
    ASSERT_TRUE(collector.waitFor(1));
    model().setAuthToken("tk");
    FileUpload::sendFileDataWithURL(server.url() + "/json/upload.php?id=3", "JPEGDATA", collector.handler());
    ASSERT_TRUE(collector.waitFor(2));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const RecordedRequest& up = requests[1];
    // The loopback server takes multipart bodies apart itself; the exact bytes are checked above.
    EXPECT_EQ((std::vector<std::string> { up.method, up.target, up.header("Cookies"), up.header("wibble"), up.header("Content-Type") }),
        (std::vector<std::string> { "POST", "/json/upload.php?id=3", "C1", "tk", "multipart/form-data; boundary=0xKhTmLbOuNdArY" }));
    auto outcome = collector.outcomes()[1];
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    EXPECT_EQ(outcome.content->object()->get("url").asString(), "x");
    EXPECT_FALSE(outcome.onMainThread);
}
