#pragma once

#include "platform/JsonValue.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class FormEngine;

/// The text value screen of a "Text" entry: a multi-line view with the current value; "Save"
/// sends the text to the engine it was given and closes.
class TextEditViewController : public ViewController {
public:
    static std::shared_ptr<TextEditViewController> create(JsonObjectPtr object, std::weak_ptr<FormEngine> parent, size_t index, std::string val);

    const JsonObjectPtr& object() const { return m_object; }
    size_t index() const { return m_index; }
    const std::string& val() const { return m_val; }
    std::shared_ptr<TextView> textView();
    void save();

protected:
    void loadView() override;

private:
    TextEditViewController(JsonObjectPtr object, std::weak_ptr<FormEngine> parent, size_t index, std::string val);
    JsonObjectPtr m_object;
    std::weak_ptr<FormEngine> m_parent;
    size_t m_index;
    std::string m_val;
    std::shared_ptr<TextView> m_textView;
};

} // namespace quindle
