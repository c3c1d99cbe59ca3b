#include "content/TextFieldCell.h"

#include "content/InputStyle.h"

namespace quindle {

void storeEditedValue(const AssetRecord& record, const std::string& shown, TextRange range, const std::string& replacement)
{
    if (!record)
        return;
    // The edit's range is in what the input shows; applying it there keeps "Value" equal to
    // what the user sees, also when the input started from the record's "Data".
    record->set("Value", range.applyTo(shown, replacement));
}

TextFieldCell::TextFieldCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<TextFieldCell> TextFieldCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<TextFieldCell>(new TextFieldCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_textField = TextField::create();
    std::weak_ptr<TextFieldCell> weak = cell;
    cell->m_textField->shouldChangeCharacters = [weak](TextField& field, TextRange range, const std::string& text) {
        auto self = weak.lock();
        return self ? self->shouldChangeCharactersInRange(field, range, text) : true;
    };
    cell->contentView()->addSubview(cell->m_textField);
    cell->layoutSubviews();
    return cell;
}

void TextFieldCell::configureWithAsset(const AssetRecord& record)
{
    m_asset = record;
    m_textField->setPlaceholder(asset::title(record));
    m_textField->setText(record ? record->get("Value").asString() : std::string());
    // A reused cell drops the styling of the record it showed before.
    InputStyle style { Font { "Helvetica", TextField::defaultFontSize }, Colour::black(), Colour::white() };
    if (auto options = asset::options(record))
        style = InputStyle::fromOptions(*options).value_or(style);
    m_textField->setFont(style.font);
    m_textField->setTextColour(style.textColour);
    m_textField->setBackgroundColour(style.backgroundColour);
}

void TextFieldCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (m_textField)
        m_textField->setFrame(contentView()->bounds());
}

bool TextFieldCell::shouldChangeCharactersInRange(TextField& field, TextRange range, const std::string& replacement)
{
    storeEditedValue(m_asset, field.text(), range, replacement);
    return true;
}

} // namespace quindle
