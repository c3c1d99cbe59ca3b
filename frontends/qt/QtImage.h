#pragma once

#include "platform/Image.h"

#include <QImage>

#include <memory>

namespace quindle::qt {

/// The picture as a QImage sharing nothing with it; converted once per picture and kept while
/// the picture lives, so painting the same picture every frame costs no conversion. Main thread only.
QImage toQImage(const std::shared_ptr<const Image>& image);
/// A QImage as our picture (RGBA, 8 bits a channel); null for a null image.
std::shared_ptr<Image> fromQImage(const QImage& image);

} // namespace quindle::qt
