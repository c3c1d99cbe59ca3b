#include "content/DatePickerCell.h"

#include "core/Model.h"

#include <optional>

namespace quindle {

DatePickerCell::DatePickerCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<DatePickerCell> DatePickerCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<DatePickerCell>(new DatePickerCell(style, std::move(reuseIdentifier)));
    cell->build();
    return cell;
}

void DatePickerCell::configureWithAsset(const AssetRecord& record, const std::string& key, const std::string& title)
{
    m_key = key;
    // Every date row writes into its record; a cell kept only for "date" would drop a picked
    // end date.
    m_asset = record;

    const std::shared_ptr<View>& content = contentView();
    content->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    while (!content->subviews().empty()) {
        std::shared_ptr<View> view = content->subviews().back();
        view->removeFromSuperview();
    }
    for (const std::string& rule : std::vector<std::string>(content->layoutRules()))
        content->removeLayoutRule(rule);
    textLabel()->setText({});

    m_header = Label::create();
    m_header->setText(title);
    content->addSubview(m_header);
    m_datePicker = DatePicker::create();
    m_datePicker->setDatePickerMode(DatePickerMode::DateAndTime);
    content->addSubview(m_datePicker);

    std::optional<Date> eventDate = asset::date(record);
    std::optional<Date> current;
    if (key == "startDate") {
        current = asset::startDate(record);
        m_datePicker->setMaximumDate(eventDate);
        // The show-from date has no request of its own, so a picked one could be neither kept
        // nor sent; the row shows it without taking changes.
        m_datePicker->setUserInteractionEnabled(false);
    } else if (key == "endDate") {
        current = asset::endDate(record);
        m_datePicker->setMinimumDate(eventDate);
    } else {
        current = eventDate;
        m_datePicker->setMinimumDate(DateFormat::now());
    }
    // A record without this date starts the picker at its earliest allowed moment, else now.
    m_datePicker->setDate(current.value_or(m_datePicker->minimumDate().value_or(DateFormat::now())));

    std::weak_ptr<DatePickerCell> weak = std::static_pointer_cast<DatePickerCell>(shared_from_this());
    m_datePicker->onValueChanged = [weak](DatePicker&) {
        if (auto self = weak.lock())
            self->update();
    };

    content->addLayoutRule("H:|-[_header]-|");
    content->addLayoutRule("H:|[_datePicker]|");
    content->addLayoutRule("V:|[_header(40)][_datePicker(150)]");
    layoutSubviews();
}

void DatePickerCell::update()
{
    if (!m_asset || !m_datePicker)
        return;
    Date picked = m_datePicker->date();
    if (m_key == "date")
        Model::updateAsset(m_asset, picked);
    else if (m_key == "endDate")
        m_asset->set("endDate", Model::serverDateStringForDate(picked));
}

void DatePickerCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    Rect content = contentView()->bounds();
    if (m_header)
        m_header->setFrame({ margin, 0, std::max(0.0, content.width - 2 * margin), headerHeight });
    if (m_datePicker)
        m_datePicker->setFrame({ 0, headerHeight, content.width, pickerHeight });
}

} // namespace quindle
