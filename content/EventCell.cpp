#include "content/EventCell.h"

#include "core/Model.h"

namespace quindle {

EventCell::EventCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<EventCell> EventCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<EventCell>(new EventCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_dateLabel = Label::create();
    cell->m_countDownLabel = Label::create();
    for (Label* label : { cell->textLabel().get(), cell->m_dateLabel.get(), cell->m_countDownLabel.get() })
        label->setTextAlignment(TextAlignment::Center);
    cell->contentView()->addSubview(cell->m_dateLabel);
    cell->contentView()->addSubview(cell->m_countDownLabel);
    // Bound names: _textLabel, _dateLabel, _countDownLabel; layoutSubviews applies the same rules.
    cell->contentView()->addLayoutRule("V:|[_textLabel(20)][_dateLabel(20)][_countDownLabel(40)]");
    cell->contentView()->addLayoutRule("H:|[_textLabel]|");
    cell->layoutSubviews();
    return cell;
}

std::string EventCell::countDownText(const std::string& serverDate, Date now)
{
    auto event = Model::dateFromServerDateString(serverDate);
    if (!event)
        return "It's here!";
    long days = Model::daysBetweenDate(now, *event);
    if (days >= 1)
        return std::to_string(days) + " days to go";
    long hours = Model::hoursBetween(now, *event);
    if (hours >= 1)
        return std::to_string(hours) + " hours to go";
    return "It's here!";
}

void EventCell::configureWithDictionary(const AssetRecord& record)
{
    configureWithDictionary(record, DateFormat::now());
}

void EventCell::configureWithDictionary(const AssetRecord& record, Date now)
{
    // Either spelling of the keys: "Name" or "name", "Date" or "date".
    const JsonValue* name = asset::nodeForKey(record, "Name");
    const JsonValue* date = asset::nodeForKey(record, "Date");
    std::string dateText = date ? date->asString() : std::string();
    textLabel()->setText(name ? name->asString() : std::string());
    m_dateLabel->setText(dateText);
    m_countDownLabel->setText(countDownText(dateText, now));
}

void EventCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (!m_countDownLabel)
        return;
    Rect content = contentView()->bounds();
    textLabel()->setFrame({ 0, 0, content.width, nameHeight });
    m_dateLabel->setFrame({ 0, nameHeight, content.width, dateHeight });
    m_countDownLabel->setFrame({ 0, nameHeight + dateHeight, content.width, countDownHeight });
}

} // namespace quindle
