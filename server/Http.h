#pragma once

#include <cstddef>
#include <map>
#include <regex>
#include <string>
#include <string_view>

namespace quindle {

/// Header names compare without regard to case.
struct CaseInsensitiveLess {
    bool operator()(std::string_view a, std::string_view b) const;
};

using ServerHeaders = std::multimap<std::string, std::string, CaseInsensitiveLess>;
using ServerParams = std::multimap<std::string, std::string>;

/// One part of a multipart/form-data body.
struct MultipartFile {
    std::string name;
    std::string filename;
    std::string contentType;
    std::string content;
};

/// A whole request as a route handler reads it: the body has arrived in full before routing.
struct ServerRequest {
    std::string method;
    std::string target; ///< path and query as sent
    std::string path;   ///< percent-decoded path without the query
    std::string body;
    std::string remoteAddress;
    ServerHeaders headers;
    ServerParams params; ///< query values, then form-encoded body values where the route takes them
    std::multimap<std::string, MultipartFile> files;
    std::smatch matches; ///< the route pattern's groups, over `path`

    bool hasHeader(std::string_view key) const;
    /// The `index`-th value of a header, or "".
    std::string headerValue(std::string_view key, size_t index = 0) const;
    size_t headerValueCount(std::string_view key) const;
    bool hasParam(const std::string& key) const;
    /// The `index`-th value of a parameter, or "".
    std::string paramValue(const std::string& key, size_t index = 0) const;
    bool isMultipartFormData() const;
    bool hasFile(const std::string& name) const;
    /// The part named `name`; an empty part when there is none.
    MultipartFile file(const std::string& name) const;
};

/// What a route handler answers; the server adds the framing headers.
struct ServerResponse {
    int status = 200;
    std::string body;
    ServerHeaders headers;

    void setContent(std::string content, std::string_view contentType);
    /// Adds a header; "Set-Cookie" may repeat, others are replaced.
    void setHeader(std::string_view key, std::string value);
};

namespace http {

/// Decodes %XX escapes (and '+' as a space where `plusIsSpace`); a bad escape stays as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace);
/// Adds the key=value pairs of a query or form-encoded body.
void parseQuery(std::string_view text, ServerParams& params);
/// The boundary of a "multipart/form-data; boundary=..." content type, or "".
std::string multipartBoundary(std::string_view contentType);
/// Splits a multipart body into its parts; false when the body is not well formed.
bool parseMultipart(std::string_view body, std::string_view boundary, std::multimap<std::string, MultipartFile>& files);

} // namespace http

} // namespace quindle
