#pragma once

#include <memory>

namespace quindle {

struct Rect;
struct Point;
struct IndexPath;
class ViewObserver;
class View;
class Label;
class Button;
class TextField;
class TextView;
class ImageView;
class Switch;
class Slider;
class DatePicker;
class WebView;
class CollectionView;
class CollectionViewCell;
class RefreshControl;
class BarButtonItem;
struct TabBarItem;
class ViewController;
class NavigationController;
class TabBarController;
class PopoverController;
class TableView;
class TableViewCell;
class TableViewDataSource;
class TableViewDelegate;
class AlertView;
class AlertViewDelegate;
class Window;

} // namespace quindle
