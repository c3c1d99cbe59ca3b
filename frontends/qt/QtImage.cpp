#include "frontends/qt/QtImage.h"

#include <cstring>
#include <map>

namespace quindle::qt {

namespace {

struct Cached {
    std::weak_ptr<const Image> source;
    QImage converted;
};

// Keyed by address; an entry whose picture died is replaced when the address is reused.
std::map<const Image*, Cached>& cache()
{
    static std::map<const Image*, Cached> entries;
    return entries;
}

} // namespace

QImage toQImage(const std::shared_ptr<const Image>& image)
{
    if (!image)
        return {};
    auto& entries = cache();
    auto found = entries.find(image.get());
    if (found != entries.end() && found->second.source.lock() == image)
        return found->second.converted;
    if (entries.size() > 512) {
        for (auto it = entries.begin(); it != entries.end();)
            it = it->second.source.expired() ? entries.erase(it) : std::next(it);
    }
    QImage converted(image->rgba().data(), image->width(), image->height(), image->width() * 4, QImage::Format_RGBA8888);
    converted = converted.copy(); // own the pixels
    entries[image.get()] = { image, converted };
    return converted;
}

std::shared_ptr<Image> fromQImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    std::vector<uint8_t> pixels(static_cast<size_t>(rgba.width()) * rgba.height() * 4);
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(pixels.data() + static_cast<size_t>(y) * rgba.width() * 4, rgba.constScanLine(y), static_cast<size_t>(rgba.width()) * 4);
    return Image::create(rgba.width(), rgba.height(), std::move(pixels));
}

} // namespace quindle::qt
