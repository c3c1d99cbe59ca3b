#include "editors/CarouselTypeViewController.h"

#include "content/CarouselCell.h"

namespace quindle {

std::shared_ptr<CarouselTypeViewController> CarouselTypeViewController::create(AssetRecord object, CompletionHandler completionHandler)
{
    return std::shared_ptr<CarouselTypeViewController>(new CarouselTypeViewController(std::move(object), std::move(completionHandler)));
}

CarouselTypeViewController::CarouselTypeViewController(AssetRecord object, CompletionHandler handler)
    : ViewController(defaultTitle)
    , m_object(std::move(object))
    , m_types { "Linear", "Rotary", "Inverted Rotary", "Cylinder", "Inverted Cylinder", "Wheel", "Inverted Wheel", "CoverFlow",
        "CoverFlow2", "Time Machine", "Inverted Time Machine", "Custom" }
    , m_completionHandler(std::move(handler))
{
}

void CarouselTypeViewController::loadView()
{
    m_table = TableView::create();
    m_table->setRowHeight(rowHeight);
    m_table->registerCell(cellIdentifier, [](const std::string& identifier) { return CarouselCell::create(CellStyle::Default, identifier); });
    setView(m_table);
    auto self = std::static_pointer_cast<CarouselTypeViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
}

std::shared_ptr<TableView> CarouselTypeViewController::tableView()
{
    view();
    return m_table;
}

int CarouselTypeViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == 0 ? static_cast<int>(m_types.size()) : 0;
}

std::shared_ptr<TableViewCell> CarouselTypeViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = std::dynamic_pointer_cast<CarouselCell>(table.dequeueReusableCellWithIdentifier(cellIdentifier));
    if (!cell)
        cell = CarouselCell::create(CellStyle::Default, cellIdentifier);
    const long style = path.row;
    cell->setType(path.row);
    std::weak_ptr<CarouselTypeViewController> weak = std::static_pointer_cast<CarouselTypeViewController>(shared_from_this());
    // No record: the cell previews the style with its placeholder items.
    cell->configureWithImage(nullptr, previewHeight, [weak, style](int, const AssetRecord&) {
        if (auto self = weak.lock())
            self->report(style);
    });
    return cell;
}

void CarouselTypeViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_types.size()))
        return;
    report(path.row);
}

void CarouselTypeViewController::report(long style)
{
    if (m_completionHandler)
        m_completionHandler(style);
}

} // namespace quindle
