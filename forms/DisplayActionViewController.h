#pragma once

#include "platform/JsonValue.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class Label;

/// One due action: when it fell due and what it says.
class DisplayActionViewController : public ViewController {
public:
    static std::shared_ptr<DisplayActionViewController> create(std::string name, JsonObjectPtr action);

    const std::string& name() const { return m_name; }
    const JsonObjectPtr& action() const { return m_action; }
    std::shared_ptr<Label> dateLabel();
    std::shared_ptr<Label> valLabel();

protected:
    void loadView() override;

private:
    DisplayActionViewController(std::string name, JsonObjectPtr action);
    std::string m_name;
    JsonObjectPtr m_action;
    std::shared_ptr<Label> m_dateLabel;
    std::shared_ptr<Label> m_valLabel;
};

} // namespace quindle
