#pragma once

#include "core/Asset.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"
#include "ui/TextView.h"

#include <memory>
#include <string>

namespace quindle {

/// A multi-line input item under its prompt; every edit goes straight into the record's "Value".
class TextViewCell : public TableViewCell {
public:
    /// Height of the prompt above the input.
    static constexpr double promptHeight = 20;

    static std::shared_ptr<TextViewCell> create(CellStyle style, std::string reuseIdentifier);

    void configureWithAsset(const AssetRecord& record);
    void layoutSubviews() override;
    /// Writes the edit into the record; always allows it.
    bool shouldChangeTextInRange(TextView& view, TextRange range, const std::string& replacement);

    const AssetRecord& asset() const { return m_asset; }
    const std::shared_ptr<TextView>& textView() const { return m_textView; }
    const std::shared_ptr<Label>& prompt() const { return m_prompt; }

private:
    TextViewCell(CellStyle style, std::string reuseIdentifier);
    AssetRecord m_asset;
    std::shared_ptr<TextView> m_textView;
    std::shared_ptr<Label> m_prompt;
};

} // namespace quindle
