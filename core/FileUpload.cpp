#include "core/FileUpload.h"

namespace quindle {

std::string FileUpload::fileNameForDate(Date date)
{
    return "Image_" + DateFormat::format(date, "yyyyMMddHHmmss", DateFormat::Zone::Local) + ".jpg";
}

std::optional<HttpRequest> FileUpload::createPostRequestWithURL(const std::string& url, std::string_view data)
{
    if (url.empty() || data.empty())
        return std::nullopt;
    std::string b(boundary);
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.setHeader("Content-Type", "multipart/form-data; boundary=" + b);
    std::string& body = request.body;
    body.reserve(data.size() + bodyReserveExtra);
    body += "--" + b + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + std::string(fieldName) + "\"; filename=\""
        + fileNameForDate(DateFormat::now()) + "\"\r\n\r\n";
    body += data;
    body += "\r\n--" + b + "--\r\n";
    return request;
}

void FileUpload::sendFileDataWithURL(const std::string& url, std::string_view data, Model::Handler handler)
{
    if (data.empty()) {
        if (handler)
            handler(std::nullopt, std::nullopt);
        return;
    }
    std::optional<HttpRequest> request = createPostRequestWithURL(url, data);
    if (!request) {
        if (handler)
            handler(std::nullopt, std::nullopt);
        return;
    }
    Model::defaultInstance().jsonRequest(std::move(*request), std::move(handler));
}

} // namespace quindle
