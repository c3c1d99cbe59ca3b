#include "frontends/qt/PhotoPicker.h"

#include "frontends/qt/QtImage.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quindle::qt {

namespace photo_crop {

QRect clampedSquare(QSize picture, QRectF chosen)
{
    int shorter = std::min(picture.width(), picture.height());
    if (shorter <= 0)
        return {};
    double wanted = std::min(chosen.width(), chosen.height());
    int side = std::clamp(std::isfinite(wanted) ? static_cast<int>(std::lround(wanted)) : shorter, 1, shorter);
    auto place = [](double at, int room) {
        return std::clamp(std::isfinite(at) ? static_cast<int>(std::lround(at)) : 0, 0, room);
    };
    return { place(chosen.x(), picture.width() - side), place(chosen.y(), picture.height() - side), side, side };
}

QRect initialSquare(QSize picture)
{
    int side = std::min(picture.width(), picture.height());
    if (side <= 0)
        return {};
    return { (picture.width() - side) / 2, (picture.height() - side) / 2, side, side };
}

std::shared_ptr<Image> cropSquare(const QImage& picture, QRectF chosen)
{
    QRect square = clampedSquare(picture.size(), chosen);
    return square.isEmpty() ? nullptr : fromQImage(picture.copy(square));
}

QImage readPicture(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && static_cast<int64_t>(size.width()) * size.height() > Image::maxPixels())
        return {};
    return reader.read();
}

} // namespace photo_crop

/// The picture scaled to fit, the square over it, the rest dimmed.
class CropDialog::Area : public QWidget {
public:
    static constexpr int areaSide = 320;
    /// How near the corner, in screen points, a press resizes instead of moving.
    static constexpr double handleReach = 16;

    explicit Area(QImage picture, QWidget* parent)
        : QWidget(parent)
        , m_picture(std::move(picture))
        , m_square(photo_crop::initialSquare(m_picture.size()))
    {
        setFixedSize(areaSide, areaSide);
        QSize fitted = m_picture.size().scaled(areaSide, areaSide, Qt::KeepAspectRatio);
        m_scale = m_picture.width() > 0 ? double(fitted.width()) / m_picture.width() : 1;
        m_offset = QPointF((areaSide - fitted.width()) / 2.0, (areaSide - fitted.height()) / 2.0);
    }

    const QImage& picture() const { return m_picture; }
    QRect square() const { return m_square; }
    void setSquare(QRectF square)
    {
        m_square = photo_crop::clampedSquare(m_picture.size(), square);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(20, 20, 20));
        QRectF shown(m_offset, QSizeF(m_picture.size()) * m_scale);
        painter.drawImage(shown, m_picture);
        QRectF square = onScreen(m_square);
        QPainterPath outside;
        outside.addRect(shown);
        outside.addRect(square);
        painter.fillPath(outside, QColor(0, 0, 0, 140));
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRect(square);
        painter.fillRect(QRectF(square.bottomRight() - QPointF(8, 8), QSizeF(8, 8)), Qt::white);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        QRectF square = onScreen(m_square);
        QPointF at = event->position();
        m_resizing = QLineF(at, square.bottomRight()).length() <= handleReach;
        m_moving = !m_resizing && square.contains(at);
        m_pressedAt = at;
        m_pressedSquare = m_square;
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        QPointF moved = (event->position() - m_pressedAt) / m_scale;
        QRectF from(m_pressedSquare);
        if (m_moving) {
            setSquare(from.translated(moved));
        } else if (m_resizing) {
            // The top left corner stays put; the square grows no farther than the picture.
            double room = std::min(m_picture.width() - from.x(), m_picture.height() - from.y());
            double side = std::clamp(from.width() + std::max(moved.x(), moved.y()), 1.0, room);
            setSquare(QRectF(from.topLeft(), QSizeF(side, side)));
        }
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_moving = m_resizing = false; }

private:
    QRectF onScreen(QRect square) const { return { m_offset + QPointF(square.topLeft()) * m_scale, QSizeF(square.size()) * m_scale }; }

    QImage m_picture;
    QRect m_square;
    double m_scale { 1 };
    QPointF m_offset;
    bool m_moving { false };
    bool m_resizing { false };
    QPointF m_pressedAt;
    QRect m_pressedSquare;
};

CropDialog::CropDialog(QImage picture, QWidget* parent)
    : QDialog(parent)
    , m_area(new Area(std::move(picture), this))
{
    setWindowTitle(tr("Crop the photo"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_area);
    layout->addWidget(buttons);
}

QRect CropDialog::square() const { return m_area->square(); }
void CropDialog::setSquare(QRectF square) { m_area->setSquare(square); }
std::shared_ptr<Image> CropDialog::croppedPhoto() const { return photo_crop::cropSquare(m_area->picture(), m_area->square()); }

void QtPhotoPicker::pickPhoto(Completion done)
{
    // Whatever way the dialogs end, `done` runs exactly once.
    auto pending = std::make_shared<Completion>(std::move(done));
    auto finish = [pending](std::shared_ptr<Image> photo) {
        if (auto completion = std::exchange(*pending, nullptr))
            completion(std::move(photo));
    };
    QWidget* parent = m_parent;
    auto* files = new QFileDialog(parent, QObject::tr("Choose a photo"), QString(), QString::fromLatin1(fileFilter));
    files->setFileMode(QFileDialog::ExistingFile);
    files->setAttribute(Qt::WA_DeleteOnClose);
    auto chosen = std::make_shared<bool>(false);
    QObject::connect(files, &QFileDialog::fileSelected, files, [parent, finish, chosen](const QString& path) {
        *chosen = true;
        QImage picture = photo_crop::readPicture(path);
        if (picture.isNull())
            return finish(nullptr);
        auto* crop = new CropDialog(std::move(picture), parent);
        crop->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(crop, &QDialog::accepted, crop, [crop, finish] { finish(crop->croppedPhoto()); });
        QObject::connect(crop, &QDialog::rejected, crop, [finish] { finish(nullptr); });
        QObject::connect(crop, &QObject::destroyed, [finish] { finish(nullptr); });
        crop->open();
    });
    QObject::connect(files, &QFileDialog::rejected, files, [finish] { finish(nullptr); });
    QObject::connect(files, &QObject::destroyed, [finish, chosen] {
        if (!*chosen)
            finish(nullptr);
    });
    files->open();
}

} // namespace quindle::qt
