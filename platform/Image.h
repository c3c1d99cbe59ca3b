#pragma once

#include "platform/JsonValue.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle {

/// A decoded picture: 8-bit RGBA pixels, row-major. Kept in records under "Image" as an opaque value.
class Image final : public Opaque {
public:
    /// Pictures declaring more pixels than this are refused before any pixel is decoded.
    static constexpr int64_t defaultMaxPixels = 40'000'000;
    static void setMaxPixels(int64_t pixels);
    static int64_t maxPixels();

    /// Null unless both sides are positive and `rgba` holds exactly width * height * 4 bytes.
    static std::shared_ptr<Image> create(int width, int height, std::vector<uint8_t> rgba);
    /// Decodes PNG, JPEG or GIF bytes (a GIF's first frame); nothing when the bytes are not a
    /// whole picture of one of these kinds or declare more than maxPixels() pixels.
    static std::shared_ptr<Image> decode(std::string_view bytes);
    /// JPEG bytes; quality 1.0 is full quality (100), clamped to 0.01 to 1. Alpha is dropped.
    /// Nothing when the pixels do not match the size.
    std::optional<std::string> jpegData(double quality = 1.0) const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::vector<uint8_t>& rgba() const { return m_rgba; }

    /// The image held in a record value, or null.
    static std::shared_ptr<Image> fromValue(const JsonValue& v);

    Image(int width, int height, std::vector<uint8_t> rgba);

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_rgba;
};

} // namespace quindle
