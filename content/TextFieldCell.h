#pragma once

#include "core/Asset.h"
#include "ui/TableViewCell.h"
#include "ui/TextField.h"

#include <memory>
#include <string>

namespace quindle {

/// A single-line input item; every edit goes straight into the record's "Value".
class TextFieldCell : public TableViewCell {
public:
    static std::shared_ptr<TextFieldCell> create(CellStyle style, std::string reuseIdentifier);

    /// Placeholder from the record's title, styling from its options, and the record's current
    /// "Value" as the text, so a row scrolled away and back still shows what was typed.
    void configureWithAsset(const AssetRecord& record);
    void layoutSubviews() override;
    /// Writes the edit into the record; always allows it.
    bool shouldChangeCharactersInRange(TextField& field, TextRange range, const std::string& replacement);

    const AssetRecord& asset() const { return m_asset; }
    const std::shared_ptr<TextField>& textField() const { return m_textField; }

private:
    TextFieldCell(CellStyle style, std::string reuseIdentifier);
    AssetRecord m_asset;
    std::shared_ptr<TextField> m_textField;
};

/// Stores the input's text after the edit as the record's "Value".
void storeEditedValue(const AssetRecord& record, const std::string& shown, TextRange range, const std::string& replacement);

} // namespace quindle
