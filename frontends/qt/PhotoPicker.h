#pragma once

#include "ui/PhotoPicker.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QRect>

namespace quindle::qt {

/// The square-crop step, apart from any dialog.
namespace photo_crop {

/// The square actually cropped for a chosen one, in picture pixels: its side the chosen
/// rectangle's shorter side, held between 1 and the picture's shorter side, and moved inside
/// the picture. Empty for an empty picture.
QRect clampedSquare(QSize picture, QRectF chosen);
/// The largest square in the middle of the picture.
QRect initialSquare(QSize picture);
/// The picture's pixels inside the clamped square, or null for an empty picture.
std::shared_ptr<Image> cropSquare(const QImage& picture, QRectF chosen);
/// A picture file turned upright as its camera recorded; a null QImage when the file cannot be
/// read as a picture or has more pixels than Image::maxPixels().
QImage readPicture(const QString& path);

} // namespace photo_crop

/// Shows a picture with a square the user moves (drag inside) and resizes (drag its corner).
class CropDialog : public QDialog {
    Q_OBJECT
public:
    explicit CropDialog(QImage picture, QWidget* parent = nullptr);
    QRect square() const;
    /// Moves the square, clamped as photo_crop::clampedSquare does.
    void setSquare(QRectF square);
    /// The picture inside the square.
    std::shared_ptr<Image> croppedPhoto() const;

private:
    class Area;
    Area* m_area;
};

/// Picks a file of pictures, then crops it square.
class QtPhotoPicker final : public PhotoPicker {
public:
    static constexpr const char* fileFilter = "Images (*.png *.jpg *.jpeg *.gif)";
    explicit QtPhotoPicker(QWidget* parent = nullptr) : m_parent(parent) { }
    /// The window the dialogs open over.
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    void pickPhoto(Completion done) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace quindle::qt
