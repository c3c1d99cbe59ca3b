#include "content/TextCell.h"

#include "content/DataManager.h"
#include "core/Model.h"

namespace quindle {

TextCell::TextCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<TextCell> TextCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<TextCell>(new TextCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_textView = TextView::create();
    cell->m_textView->setEditable(Editable::No);
    cell->m_textView->setUserInteractionEnabled(false);
    cell->contentView()->addSubview(cell->m_textView);
    cell->layoutSubviews();
    return cell;
}

void TextCell::configureWithAsset(const AssetRecord& record)
{
    m_asset = record;
    Model& model = Model::defaultInstance();
    m_textView->setText(asset::text(record));
    m_textView->setFont(model.fontForAsset(record));
    m_textView->setTextColour(model.textColourForAsset(record));
    m_textView->setBackgroundColour(model.backgroundColourForAsset(record));

    // A reused cell may still hold the control of the record it showed before.
    auto button = DataManager::restoreButtonOf(record);
    if (m_restore && m_restore != button)
        m_restore->removeFromSuperview();
    m_restore = button;
    if (m_restore)
        contentView()->addSubview(m_restore);
    layoutSubviews();
}

void TextCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (!m_textView)
        return;
    Rect content = contentView()->bounds();
    if (asset::isDeleted(m_asset)) {
        m_textView->setFrame(content.inset(0, 0, 0, restoreWidth));
        if (m_restore)
            m_restore->setFrame({ content.maxX() - restoreWidth, 0, restoreWidth, restoreHeight });
    } else {
        m_textView->setFrame(content);
    }
}

} // namespace quindle
