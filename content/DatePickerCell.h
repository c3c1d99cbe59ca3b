#pragma once

#include "core/Asset.h"
#include "ui/DatePicker.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <memory>
#include <string>

namespace quindle {

/// A table row that edits one date of an event: a header text over a date and time picker.
/// Each configuration builds a new picker, so no limit or value of an earlier row survives.
class DatePickerCell : public TableViewCell {
public:
    static constexpr double headerHeight = 40;
    static constexpr double pickerHeight = 150;
    /// The standard spacing of a "-" in the layout rules.
    static constexpr double margin = 8;

    static std::shared_ptr<DatePickerCell> create(CellStyle style, std::string reuseIdentifier);

    /// Shows the record's date under `key` ("startDate", "date" or "endDate") with the
    /// header text, and sets the picker's limits from the record's event date.
    void configureWithAsset(const AssetRecord& record, const std::string& key, const std::string& title);
    /// The picker changed: writes the picked moment into the record.
    void update();
    void layoutSubviews() override;

    const std::string& key() const { return m_key; }
    const AssetRecord& asset() const { return m_asset; }
    const std::shared_ptr<Label>& header() const { return m_header; }
    const std::shared_ptr<DatePicker>& datePicker() const { return m_datePicker; }

private:
    DatePickerCell(CellStyle style, std::string reuseIdentifier);
    std::string m_key;
    AssetRecord m_asset;
    std::shared_ptr<Label> m_header;
    std::shared_ptr<DatePicker> m_datePicker;
};

} // namespace quindle
