#include "platform/Image.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>

namespace quindle {

namespace {

std::atomic<int64_t> s_maxPixels { Image::defaultMaxPixels };

enum class Format { PNG, JPEG, GIF, Unknown };

Format sniff(std::string_view bytes)
{
    // The decoder also reads formats without a signature (TGA), so random bytes could pass as
    // a picture; only the three signed formats are accepted.
    if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8))
        return Format::PNG;
    if (bytes.substr(0, 3) == std::string_view("\xFF\xD8\xFF", 3))
        return Format::JPEG;
    if (bytes.substr(0, 6) == "GIF87a" || bytes.substr(0, 6) == "GIF89a")
        return Format::GIF;
    return Format::Unknown;
}

/// Skips a run of GIF data sub-blocks ending in an empty one; false when the bytes end first.
bool skipSubBlocks(std::string_view bytes, size_t& at)
{
    while (at < bytes.size()) {
        size_t length = static_cast<uint8_t>(bytes[at]);
        ++at;
        if (length == 0)
            return true;
        at += length;
    }
    return false;
}

/// True when the GIF holds the whole of its first frame. The decoder paints a cut-off GIF on
/// its background instead of failing, so completeness is checked here.
bool gifHasFirstFrame(std::string_view bytes)
{
    constexpr size_t screenDescriptorEnd = 13;
    if (bytes.size() < screenDescriptorEnd)
        return false;
    size_t at = screenDescriptorEnd;
    uint8_t screenFlags = static_cast<uint8_t>(bytes[10]);
    if (screenFlags & 0x80)
        at += 3u << ((screenFlags & 7) + 1);
    while (at < bytes.size()) {
        uint8_t introducer = static_cast<uint8_t>(bytes[at]);
        if (introducer == 0x21) {
            at += 2;
            if (!skipSubBlocks(bytes, at))
                return false;
        } else if (introducer == 0x2C) {
            constexpr size_t imageDescriptorSize = 10;
            if (bytes.size() - at < imageDescriptorSize + 1)
                return false;
            uint8_t imageFlags = static_cast<uint8_t>(bytes[at + 9]);
            at += imageDescriptorSize;
            if (imageFlags & 0x80)
                at += 3u << ((imageFlags & 7) + 1);
            at += 1; // smallest LZW code size
            return at < bytes.size() && skipSubBlocks(bytes, at);
        } else {
            return false;
        }
    }
    return false;
}

void appendToString(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

bool sizeMatches(int width, int height, size_t bytes)
{
    if (width <= 0 || height <= 0)
        return false;
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 == bytes;
}

} // namespace

void Image::setMaxPixels(int64_t pixels)
{
    s_maxPixels = pixels;
}

int64_t Image::maxPixels()
{
    return s_maxPixels;
}

Image::Image(int width, int height, std::vector<uint8_t> rgba)
    : m_width(width)
    , m_height(height)
    , m_rgba(std::move(rgba))
{
}

std::shared_ptr<Image> Image::create(int width, int height, std::vector<uint8_t> rgba)
{
    if (!sizeMatches(width, height, rgba.size()))
        return nullptr;
    return std::make_shared<Image>(width, height, std::move(rgba));
}

std::shared_ptr<Image> Image::decode(std::string_view bytes)
{
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        return nullptr;
    Format format = sniff(bytes);
    if (format == Format::Unknown)
        return nullptr;
    if (format == Format::GIF && !gifHasFirstFrame(bytes))
        return nullptr;

    auto data = reinterpret_cast<const stbi_uc*>(bytes.data());
    int length = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels))
        return nullptr;
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > maxPixels())
        return nullptr;

    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (!pixels)
        return nullptr;
    std::vector<uint8_t> rgba(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    stbi_image_free(pixels);
    return create(width, height, std::move(rgba));
}

std::optional<std::string> Image::jpegData(double quality) const
{
    if (!sizeMatches(m_width, m_height, m_rgba.size()))
        return std::nullopt;
    if (std::isnan(quality))
        quality = 1.0;
    int level = std::clamp(static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100)), 1, 100);
    std::string out;
    out.reserve(m_rgba.size() / 8 + 1024);
    if (!stbi_write_jpg_to_func(appendToString, &out, m_width, m_height, 4, m_rgba.data(), level))
        return std::nullopt;
    return out;
}

std::shared_ptr<Image> Image::fromValue(const JsonValue& v)
{
    return std::dynamic_pointer_cast<Image>(v.opaque());
}

} // namespace quindle
