#pragma once

class QWidget;

namespace quindle::qt {

/// Registers the Qt client's own views (carousel cells, colour wheels, web pages, video panels) with the view
/// registry and installs the Qt font catalogue and photo picker. Call once, after the
/// QApplication exists; `dialogParent` is the window the photo dialogs open over.
void installQtComponents(QWidget* dialogParent = nullptr);

} // namespace quindle::qt
