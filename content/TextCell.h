#pragma once

#include "core/Asset.h"
#include "ui/Button.h"
#include "ui/TableViewCell.h"
#include "ui/TextView.h"

#include <memory>
#include <string>

namespace quindle {

/// A read-only text row; a deleted item also shows its "Restore" control on the right.
class TextCell : public TableViewCell {
public:
    /// Width and height of the "Restore" control.
    static constexpr double restoreWidth = 100;
    static constexpr double restoreHeight = 40;

    static std::shared_ptr<TextCell> create(CellStyle style, std::string reuseIdentifier);

    void configureWithAsset(const AssetRecord& record);
    void layoutSubviews() override;

    const AssetRecord& asset() const { return m_asset; }
    const std::shared_ptr<TextView>& textView() const { return m_textView; }
    /// The record's "Restore" control while it shows one.
    const std::shared_ptr<Button>& restore() const { return m_restore; }

private:
    TextCell(CellStyle style, std::string reuseIdentifier);
    AssetRecord m_asset;
    std::shared_ptr<TextView> m_textView;
    std::shared_ptr<Button> m_restore;
};

} // namespace quindle
