#pragma once

#include "ui/View.h"

namespace quindle {

enum class AccessoryType { None, DisclosureIndicator, Checkmark, DetailButton };
enum class SelectionStyle { None, Default };

/// One row of a table; reused by identifier.
class TableViewCell : public View {
public:
    static std::shared_ptr<TableViewCell> create(std::string reuseIdentifier)
    {
        return std::shared_ptr<TableViewCell>(new TableViewCell(std::move(reuseIdentifier)));
    }
    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    std::string textLabel;
    std::string detailTextLabel;
    std::string imageName;
    AccessoryType accessoryType { AccessoryType::None };
    SelectionStyle selectionStyle { SelectionStyle::Default };

private:
    explicit TableViewCell(std::string id) : View({}), m_reuseIdentifier(std::move(id)) { }
    std::string m_reuseIdentifier;
};

} // namespace quindle
