#pragma once

#include "ui/View.h"

namespace quindle {

/// One item of a collection; reused by identifier. Subclasses add their views to the content
/// view once the cell is held by a shared_ptr (their factories call build() first).
class CollectionViewCell : public View {
public:
    static std::shared_ptr<CollectionViewCell> create(std::string reuseIdentifier);

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<View>& contentView() const { return m_contentView; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { update(m_selected, selected, ChangeKind::Appearance); }

    void layoutSubviews() override;
    /// Runs when the collection hands the cell out again; clears the selection mark.
    virtual void prepareForReuse() { setSelected(false); }

protected:
    explicit CollectionViewCell(std::string reuseIdentifier) : View({}), m_reuseIdentifier(std::move(reuseIdentifier)) { }
    /// Makes the content view; a second call does nothing.
    void build();

private:
    std::string m_reuseIdentifier;
    std::shared_ptr<View> m_contentView;
    bool m_selected { false };
};

} // namespace quindle
