#pragma once

#include "ui/Label.h"

namespace quindle {

enum class CellStyle { Default, Value1, Subtitle };
enum class AccessoryType { None, DisclosureIndicator, Checkmark };
enum class SelectionStyle { None, Default };

/// One row of a table; reused by identifier. Subclasses put their views in the content view
/// and place them in layoutSubviews; their factories call build() before adding those views,
/// since views can own subviews only once they are held by a shared_ptr.
class TableViewCell : public View {
public:
    static std::shared_ptr<TableViewCell> create(CellStyle style, std::string reuseIdentifier);

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    CellStyle cellStyle() const { return m_style; }
    /// Where the cell's own views go; fills the cell less the accessory.
    const std::shared_ptr<View>& contentView() const { return m_contentView; }
    /// The main text, made with the cell.
    const std::shared_ptr<Label>& textLabel() const { return m_textLabel; }
    /// The secondary text; null for the default style.
    const std::shared_ptr<Label>& detailTextLabel() const { return m_detailLabel; }

    AccessoryType accessoryType() const { return m_accessory; }
    void setAccessoryType(AccessoryType type);
    /// A custom view in place of the accessory; null removes it.
    std::shared_ptr<View> accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<View> view);
    SelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(SelectionStyle style) { update(m_selectionStyle, style, ChangeKind::Appearance); }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { update(m_selected, selected, ChangeKind::Appearance); }

    /// The frame a cell has until its table places it.
    static constexpr Rect defaultFrame { 0, 0, 320, 44 };
    /// Width kept for an accessory on the right.
    static constexpr double accessoryWidth = 30;
    /// Space right of an accessory view wider than a mark.
    static constexpr double accessoryMargin = 10;
    void layoutSubviews() override;
    /// Runs when the table hands the cell out again; clears the selection mark.
    virtual void prepareForReuse();

protected:
    TableViewCell(CellStyle style, std::string reuseIdentifier);
    /// Makes the content view and labels; a second call does nothing.
    void build();

private:
    std::string m_reuseIdentifier;
    CellStyle m_style;
    std::shared_ptr<View> m_contentView;
    std::shared_ptr<Label> m_textLabel;
    std::shared_ptr<Label> m_detailLabel;
    std::shared_ptr<View> m_accessoryView;
    AccessoryType m_accessory { AccessoryType::None };
    SelectionStyle m_selectionStyle { SelectionStyle::Default };
    bool m_selected { false };
};

} // namespace quindle
