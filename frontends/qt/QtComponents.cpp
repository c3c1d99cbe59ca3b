#include "frontends/qt/QtComponents.h"

#include "frontends/qt/CarouselPainter.h"
#include "frontends/qt/ColorWheelPainter.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/VideoPanel.h"
#include "frontends/qt/WebPageWidget.h"

namespace quindle::qt {

void installQtComponents(QWidget* dialogParent)
{
    carousel_painter::registerHandlers();
    color_wheel_painter::registerHandlers();
    registerWebPageWidget();
    video_panel::registerHandlers();
    FontCatalogue::install(std::make_shared<QtFontCatalogue>());
    PhotoPicker::setShared(std::make_shared<QtPhotoPicker>(dialogParent));
}

} // namespace quindle::qt
