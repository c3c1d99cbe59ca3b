#include "content/CarouselCell.h"

#include "core/Model.h"
#include "platform/MainQueue.h"

#include <charconv>

namespace quindle {

namespace {

std::shared_ptr<Image> storedImage(const AssetRecord& record)
{
    if (!record)
        return nullptr;
    const JsonValue* value = record->find("image");
    return value ? Image::fromValue(*value) : nullptr;
}

std::string stringEntry(const AssetRecord& record, std::string_view key)
{
    if (!record)
        return {};
    const JsonValue* value = record->find(key);
    return value ? value->asString() : std::string();
}

} // namespace

CarouselCell::ItemView::ItemView(double size)
    : m_imageView(ImageView::create({ 0, 0, size, size }))
{
    m_imageView->setContentMode(ContentMode::AspectFit);
    m_imageView->setClipsToBounds(true);
    auto label = Label::create(m_imageView->bounds());
    label->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    label->setTextAlignment(TextAlignment::Center);
    label->setFont({ "Helvetica Bold", labelFontSize });
    label->setTag(labelTag);
    m_imageView->addSubview(label);
}

CarouselCell::CarouselCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<CarouselCell> CarouselCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<CarouselCell>(new CarouselCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_boundingView = View::create();
    cell->m_boundingView->setClipsToBounds(true);
    cell->contentView()->addSubview(cell->m_boundingView);
    Rect content = cell->contentView()->bounds();
    cell->m_carousel = CarouselView::create({ content.width, content.height });
    cell->layoutSubviews();
    return cell;
}

void CarouselCell::configureWithImage(const AssetRecord& record, int height, SelectionHandler handler)
{
    ++m_generation;
    m_pendingImages.clear();
    m_object = record;
    m_height = height;
    m_selectionHandler = std::move(handler);

    int style = m_type;
    std::string options = stringEntry(record, "options");
    if (record && options.starts_with(stylePrefix)) {
        std::string_view digits = std::string_view(options).substr(std::char_traits<char>::length(stylePrefix));
        int number = 0;
        if (std::from_chars(digits.data(), digits.data() + digits.size(), number).ec == std::errc())
            style = number;
    }
    m_carousel->setType(carouselTypeFromInteger(style));

    auto self = std::static_pointer_cast<CarouselCell>(shared_from_this());
    m_carousel->setDataSource(std::weak_ptr<CarouselDataSource>(self));
    m_carousel->setDelegate(std::weak_ptr<CarouselDelegate>(self));

    // A record that already holds its list shows it as a fetched one would: itself, then its items.
    m_objects = JsonArray::create();
    const JsonValue* list = record ? record->find("list") : nullptr;
    if (list && list->isArray()) {
        m_objects->push_back(record);
        for (auto& item : *list->array())
            m_objects->push_back(item);
    } else if (record && record->find("assetID")) {
        fetchList(stringEntry(record, "assetID"));
    }

    std::string address = stringEntry(record, "assVal");
    if (record && !record->find("image") && !address.empty())
        fetchImage(record, address);
    m_carousel->reloadData();
}

void CarouselCell::fetchList(const std::string& assetID)
{
    std::weak_ptr<CarouselCell> weak = std::static_pointer_cast<CarouselCell>(shared_from_this());
    AssetRecord record = m_object;
    unsigned generation = m_generation;
    Model::defaultInstance().fetchDirectoryForAssetID(assetID, [weak, record, generation](std::optional<JsonValue> content, std::optional<Error>) {
        // The list comes bare, or inside the directory under "list" or "Children".
        JsonArrayPtr list;
        if (content && content->isArray())
            list = content->array();
        else if (content && content->isObject())
            list = content->object()->get("list").isArray() ? content->object()->get("list").array() : content->object()->get("Children").array();
        if (!list)
            return;
        // Records and cells belong to the main queue.
        MainQueue::shared().dispatch([weak, record, generation, list] {
            record->set("list", list);
            auto self = weak.lock();
            if (!self || self->m_generation != generation)
                return;
            auto objects = JsonArray::create();
            objects->push_back(record);
            for (auto& item : *list)
                objects->push_back(item);
            self->m_objects = objects;
            self->m_carousel->reloadData();
        });
    });
}

void CarouselCell::fetchImage(const AssetRecord& record, const std::string& url)
{
    if (!m_pendingImages.insert(url).second)
        return;
    std::weak_ptr<CarouselCell> weak = std::static_pointer_cast<CarouselCell>(shared_from_this());
    unsigned generation = m_generation;
    HttpRequest request;
    request.url = url;
    Model::defaultInstance().imageRequest(std::move(request), [weak, record, url, generation](std::shared_ptr<Image> image, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, record, url, generation, image] {
            auto self = weak.lock();
            if (self && self->m_generation == generation)
                self->m_pendingImages.erase(url);
            // A failed request leaves the placeholder or the earlier picture.
            if (!image)
                return;
            record->set("image", JsonValue(std::static_pointer_cast<Opaque>(image)));
            if (self)
                self->m_carousel->reloadData();
        });
    });
}

AssetRecord CarouselCell::itemAt(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_objects->size())
        return nullptr;
    return m_objects->at(static_cast<size_t>(index)).object();
}

AssetRecord CarouselCell::currentItem() const
{
    if (m_objects->empty())
        return m_object;
    return itemAt(m_carousel->currentItemIndex());
}

int CarouselCell::numberOfItemsInCarousel(CarouselView&)
{
    if (!m_objects->empty())
        return static_cast<int>(m_objects->size());
    return m_object ? 1 : previewItemCount;
}

CarouselItemViewPtr CarouselCell::viewForItemAtIndex(CarouselView&, int index, CarouselItemViewPtr reusingView)
{
    auto view = std::dynamic_pointer_cast<ItemView>(reusingView);
    if (!view)
        view = std::make_shared<ItemView>(m_height);
    AssetRecord item = itemAt(index);
    auto& imageView = view->imageView();
    imageView->setImageName({});
    if (auto picture = storedImage(item)) {
        imageView->setImage(picture);
    } else if (std::string address = stringEntry(item, "assVal"); !address.empty()) {
        fetchImage(item, address);
        imageView->setImage(storedImage(m_object));
    } else if (auto own = item ? nullptr : storedImage(m_object)) {
        // Without items the one view stands for the cell's own record.
        imageView->setImage(own);
    } else {
        imageView->setImage(nullptr);
        imageView->setImageName(placeholderImageName);
    }
    if (auto label = view->label()) {
        const JsonValue* name = asset::nodeForKey(item, "Name");
        label->setText(name ? name->asString() : std::string());
        label->setTextColour(Colour::white());
        label->setStroke(Colour::black(), -4);
    }
    return view;
}

double CarouselCell::valueForOption(CarouselView&, CarouselOption option, double defaultValue)
{
    switch (option) {
    case CarouselOption::Wrap:
        return 1;
    case CarouselOption::Spacing:
        return defaultValue * spacingFactor;
    default:
        return defaultValue;
    }
}

void CarouselCell::didSelectItemAtIndex(CarouselView&, int index)
{
    if (m_selectionHandler)
        m_selectionHandler(index, itemAt(index));
}

void CarouselCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (!m_boundingView)
        return;
    Rect area = contentView()->bounds().inset(verticalInset, 0, verticalInset, 0);
    m_boundingView->setFrame(area);
    m_carousel->setFrame({ area.width, area.height });
}

} // namespace quindle
