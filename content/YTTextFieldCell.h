#pragma once

#include "ui/TableViewCell.h"

#include <memory>
#include <string>

namespace quindle {

/// A row that shows one view of its owner's (an input) over its whole content area.
class YTTextFieldCell : public TableViewCell {
public:
    static std::shared_ptr<YTTextFieldCell> create(std::string reuseIdentifier);

    /// Shows `view` in place of the one shown before.
    void configureWithView(const std::shared_ptr<View>& view);
    const std::shared_ptr<View>& view() const { return m_view; }
    void layoutSubviews() override;

private:
    explicit YTTextFieldCell(std::string reuseIdentifier) : TableViewCell(CellStyle::Default, std::move(reuseIdentifier)) { }
    std::shared_ptr<View> m_view;
};

} // namespace quindle
