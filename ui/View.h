#pragma once

#include "platform/Colour.h"
#include "ui/Forward.h"
#include "ui/Geometry.h"
#include "ui/ViewObserver.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// Base of every on-screen object: frame, visibility, colour and owned subviews.
class View : public std::enable_shared_from_this<View> {
public:
    static std::shared_ptr<View> create(Rect frame = {});
    virtual ~View() = default;

    Rect frame() const { return m_frame; }
    void setFrame(Rect frame);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden);
    double alpha() const { return m_alpha; }
    void setAlpha(double alpha);
    Colour backgroundColour() const { return m_backgroundColour; }
    void setBackgroundColour(Colour colour);

    /// Takes ownership of the subview; it leaves its previous parent first.
    void addSubview(const std::shared_ptr<View>& subview);
    void removeFromSuperview();
    const std::vector<std::shared_ptr<View>>& subviews() const { return m_subviews; }
    std::shared_ptr<View> superview() const { return m_superview.lock(); }

    /// Layout rules stored as data (visual-format strings or constraint descriptions).
    void addLayoutRule(std::string rule) { m_layoutRules.push_back(std::move(rule)); }
    const std::vector<std::string>& layoutRules() const { return m_layoutRules; }

    /// The observer is found through the parent chain, so only the root needs one.
    void setObserver(std::weak_ptr<ViewObserver> observer) { m_observer = std::move(observer); }
    std::shared_ptr<ViewObserver> observer() const;

protected:
    explicit View(Rect frame) : m_frame(frame) { }
    void notify(ChangeKind kind) const;

private:
    Rect m_frame;
    bool m_hidden { false };
    double m_alpha { 1 };
    Colour m_backgroundColour { Colour::white() };
    std::vector<std::shared_ptr<View>> m_subviews;
    std::weak_ptr<View> m_superview;
    std::weak_ptr<ViewObserver> m_observer;
    std::vector<std::string> m_layoutRules;
};

} // namespace quindle
