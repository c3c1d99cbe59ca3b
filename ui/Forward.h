#pragma once

#include <memory>

namespace quindle {

struct Rect;
struct IndexPath;
class ViewObserver;
class View;
class Label;
class Button;
class TextField;
class BarButtonItem;
class ViewController;
class NavigationController;
class TableView;
class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;
class AlertView;
class Window;

} // namespace quindle
