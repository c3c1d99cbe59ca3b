#include "content/TextViewCell.h"

#include "content/InputStyle.h"
#include "content/TextFieldCell.h"

namespace quindle {

TextViewCell::TextViewCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<TextViewCell> TextViewCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<TextViewCell>(new TextViewCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_prompt = Label::create();
    cell->m_textView = TextView::create();
    std::weak_ptr<TextViewCell> weak = cell;
    cell->m_textView->shouldChangeText = [weak](TextView& view, TextRange range, const std::string& text) {
        auto self = weak.lock();
        return self ? self->shouldChangeTextInRange(view, range, text) : true;
    };
    cell->contentView()->addSubview(cell->m_prompt);
    cell->contentView()->addSubview(cell->m_textView);
    cell->layoutSubviews();
    return cell;
}

void TextViewCell::configureWithAsset(const AssetRecord& record)
{
    m_prompt->setText(asset::title(record));
    m_asset = record;
    m_textView->setText(asset::text(record));
    // A reused cell drops the styling of the record it showed before.
    InputStyle style { Font { "Helvetica", TextView::defaultFontSize }, Colour::black(), Colour::white() };
    if (auto options = asset::options(record))
        style = InputStyle::fromOptions(*options).value_or(style);
    m_textView->setFont(style.font);
    m_textView->setTextColour(style.textColour);
    m_textView->setBackgroundColour(style.backgroundColour);
}

void TextViewCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (!m_textView)
        return;
    Rect content = contentView()->bounds();
    m_prompt->setFrame({ content.x, content.y, content.width, promptHeight });
    m_textView->setFrame(content.inset(promptHeight, 0, 0, 0));
}

bool TextViewCell::shouldChangeTextInRange(TextView& view, TextRange range, const std::string& replacement)
{
    storeEditedValue(m_asset, view.text(), range, replacement);
    return true;
}

} // namespace quindle
