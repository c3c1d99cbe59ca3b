#pragma once

#include "core/Model.h"
#include "platform/HttpClient.h"

#include <optional>
#include <string>
#include <string_view>

namespace quindle {

/// Sends one picture file as a multipart form with a single file field, the way a browser
/// form would, and hands the JSON reply back through `Model`.
class FileUpload {
public:
    static constexpr std::string_view boundary = "0xKhTmLbOuNdArY";
    static constexpr std::string_view fieldName = "uploaded";
    /// Room reserved in the body beyond the file bytes, for the boundary and disposition lines.
    static constexpr size_t bodyReserveExtra = 512;

    FileUpload() = delete;

    /// Empty data calls the handler at once, on the calling thread, with nothing; otherwise the
    /// reply arrives as for every JSON request, on the callback thread.
    static void sendFileDataWithURL(const std::string& url, std::string_view data, Model::Handler handler);
    /// The multipart POST, or nothing when there is no address or no data.
    static std::optional<HttpRequest> createPostRequestWithURL(const std::string& url, std::string_view data);
    /// "Image_yyyyMMddHHmmss.jpg" for the given instant in the local zone.
    static std::string fileNameForDate(Date date);
};

} // namespace quindle
