#pragma once

#include "core/Asset.h"
#include "platform/Date.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <memory>
#include <string>

namespace quindle {

/// An event row: its name, its date as sent, and how long until it comes.
class EventCell : public TableViewCell {
public:
    static std::shared_ptr<EventCell> create(CellStyle style, std::string reuseIdentifier);

    /// Counts down from now.
    void configureWithDictionary(const AssetRecord& record);
    void configureWithDictionary(const AssetRecord& record, Date now);
    void layoutSubviews() override;

    static constexpr double nameHeight = 20;
    static constexpr double dateHeight = 20;
    static constexpr double countDownHeight = 40;

    /// "N days to go", else "N hours to go", else "It's here!"; an unreadable date counts as here.
    static std::string countDownText(const std::string& serverDate, Date now);

    /// The name shows in the cell's own textLabel().
    const std::shared_ptr<Label>& dateLabel() const { return m_dateLabel; }
    const std::shared_ptr<Label>& countDownLabel() const { return m_countDownLabel; }

private:
    EventCell(CellStyle style, std::string reuseIdentifier);
    std::shared_ptr<Label> m_dateLabel;
    std::shared_ptr<Label> m_countDownLabel;
};

} // namespace quindle
