#include "editors/TextEditorViewController.h"

#include "core/Model.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quindle {

namespace {

/// A prepared row holding one input that fills it.
class InputCell : public TableViewCell {
public:
    static std::shared_ptr<InputCell> create(const std::shared_ptr<View>& input)
    {
        auto cell = std::shared_ptr<InputCell>(new InputCell());
        cell->build();
        cell->m_input = input;
        cell->contentView()->addSubview(input);
        cell->setSelectionStyle(SelectionStyle::None);
        cell->layoutSubviews();
        return cell;
    }
    void layoutSubviews() override
    {
        TableViewCell::layoutSubviews();
        if (m_input)
            m_input->setFrame(contentView()->bounds().inset(4, 15, 4, 15));
    }

private:
    InputCell() : TableViewCell(CellStyle::Default, "TextEditorInputCell") { }
    std::shared_ptr<View> m_input;
};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

/// The first three numbers of "r,g,b"; missing ones read 0.
void readComponents(const std::string& text, double& red, double& green, double& blue)
{
    auto parts = split(text, ',');
    auto part = [&](size_t i) { return i < parts.size() ? std::strtod(parts[i].c_str(), nullptr) : 0.0; };
    red = part(0);
    green = part(1);
    blue = part(2);
}

std::string componentsText(double red, double green, double blue)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.2f,%.2f,%.2f", red, green, blue);
    return text;
}

} // namespace

std::shared_ptr<TextEditorViewController> TextEditorViewController::create(Model& model, AssetRecord object, TextEditorMode mode,
    EditorCompletion completionHandler)
{
    return std::shared_ptr<TextEditorViewController>(new TextEditorViewController(model, std::move(object), mode, std::move(completionHandler)));
}

TextEditorViewController::TextEditorViewController(Model& model, AssetRecord object, TextEditorMode mode, EditorCompletion completionHandler)
    : ViewController({})
    , m_model(model)
    , m_object(std::move(object))
    , m_isTextInput(mode != TextEditorMode::Text)
    , m_isMultiLine(mode == TextEditorMode::MultiLineInput)
    , m_completionHandler(std::move(completionHandler))
{
    readOptions();
}

void TextEditorViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void TextEditorViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<TextEditorViewController>(shared_from_this());
    std::weak_ptr<TextEditorViewController> weak = self;

    m_nameField = TextField::create();
    m_nameField->setPlaceholder("Title");
    m_keyField = TextField::create();
    m_keyField->setPlaceholder("Key");
    m_textView = TextView::create();
    m_textView->setBorder(2, Colour::black());
    m_textView->setCornerRadius(5);
    m_nameCell = InputCell::create(m_nameField);
    m_keyCell = InputCell::create(m_keyField);
    m_textCell = InputCell::create(m_textView);
    // The inputs start from the record; redraws keep what the user has typed since.
    m_nameField->setText(asset::title(m_object));
    m_keyField->setText(asset::name(m_object));
    m_textView->setText(asset::text(m_object));

    applyColours();

    m_table->registerCell(cellIdentifier, [](const std::string& id) { return TableViewCell::create(CellStyle::Default, id); });
    m_table->setDataSource(self);
    m_table->setDelegate(self);
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto editor = weak.lock())
            editor->save();
    }));
}

void TextEditorViewController::viewWillAppear(Animated)
{
    if (auto stack = navigationController())
        stack->setNavigationBarHidden(BarVisibility::Shown);
}

void TextEditorViewController::readOptions()
{
    auto options = asset::options(m_object);
    if (!options)
        return;
    auto fields = split(*options, ':');
    if (fields.size() < 4)
        return;
    m_fontName = fields[0];
    m_size = fields[1];
    readComponents(fields[2], m_textRed, m_textGreen, m_textBlue);
    readComponents(fields[3], m_backgroundRed, m_backgroundGreen, m_backgroundBlue);
}

void TextEditorViewController::applyColours()
{
    m_textView->setTextColour(textColor());
    m_textView->setBackgroundColour(backgroundColor());
}

std::shared_ptr<TableViewCell> TextEditorViewController::nameCell()
{
    view();
    return m_nameCell;
}

std::shared_ptr<TextField> TextEditorViewController::nameField()
{
    view();
    return m_nameField;
}

std::shared_ptr<TableViewCell> TextEditorViewController::keyCell()
{
    view();
    return m_keyCell;
}

std::shared_ptr<TextField> TextEditorViewController::keyField()
{
    view();
    return m_keyField;
}

std::shared_ptr<TableViewCell> TextEditorViewController::textCell()
{
    view();
    return m_textCell;
}

std::shared_ptr<TextView> TextEditorViewController::textView()
{
    view();
    return m_textView;
}

std::shared_ptr<TableView> TextEditorViewController::tableView()
{
    view();
    return m_table;
}

int TextEditorViewController::numberOfRowsInSection(TableView&, int) { return 6; }

std::shared_ptr<TableViewCell> TextEditorViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.row == 0)
        return m_isTextInput ? m_nameCell : m_textCell;
    if (path.row == 1)
        return m_keyCell;
    static const char* const labels[] = { "Font", "Size", "Text colour", "Background colour" };
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    cell->textLabel()->setText(labels[std::clamp(path.row - 2, 0, 3)]);
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

double TextEditorViewController::heightForRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.row == 0)
        return m_isTextInput ? fieldRowHeight : textRowHeight;
    return path.row == 1 ? fieldRowHeight : styleRowHeight;
}

void TextEditorViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    switch (path.row) {
    case 2: openFontChooser(); break;
    case 3: openSizeChooser(); break;
    case 4: openColourWheel(&TextEditorViewController::updateTextColour); break;
    case 5: openColourWheel(&TextEditorViewController::updateBackgroundColour); break;
    default: table.deselectRowAtIndexPath(path, Animated::No); break;
    }
}

void TextEditorViewController::push(const std::shared_ptr<ViewController>& screen)
{
    if (auto stack = navigationController())
        stack->pushViewController(screen, Animated::Yes);
}

void TextEditorViewController::closeChooser()
{
    auto stack = navigationController();
    if (stack && stack->topViewController().get() != this)
        stack->popViewController(Animated::Yes);
}

void TextEditorViewController::openFontChooser()
{
    std::weak_ptr<TextEditorViewController> weak = std::static_pointer_cast<TextEditorViewController>(shared_from_this());
    push(TextEditorFontViewController::create(m_fontName, [weak](const std::string& name) {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_fontName = name;
        self->m_table->reloadData();
        self->closeChooser();
    }));
}

void TextEditorViewController::openSizeChooser()
{
    std::weak_ptr<TextEditorViewController> weak = std::static_pointer_cast<TextEditorViewController>(shared_from_this());
    push(TextEditorSizeViewController::create(m_size, [weak](const std::string& size) {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_size = size;
        self->m_table->reloadData();
        self->closeChooser();
    }));
}

void TextEditorViewController::openColourWheel(void (TextEditorViewController::*report)(Colour))
{
    std::weak_ptr<TextEditorViewController> weak = std::static_pointer_cast<TextEditorViewController>(shared_from_this());
    push(ColorWheelViewController::create([weak, report](Colour colour) {
        if (auto self = weak.lock())
            (self.get()->*report)(colour);
    }));
}

void TextEditorViewController::updateTextColour(Colour colour)
{
    view();
    m_textRed = colour.red;
    m_textGreen = colour.green;
    m_textBlue = colour.blue;
    m_table->reloadData();
    closeChooser();
    applyColours();
}

void TextEditorViewController::updateBackgroundColour(Colour colour)
{
    view();
    m_backgroundRed = colour.red;
    m_backgroundGreen = colour.green;
    m_backgroundBlue = colour.blue;
    m_table->reloadData();
    closeChooser();
    applyColours();
}

std::string TextEditorViewController::optionsString() const
{
    // An unset font or size reads "(null)", which readers take as no options at all.
    auto orNull = [](const std::string& value) { return value.empty() ? std::string("(null)") : value; };
    return orNull(m_fontName) + ":" + orNull(m_size) + ":" + componentsText(m_textRed, m_textGreen, m_textBlue) + ":"
        + componentsText(m_backgroundRed, m_backgroundGreen, m_backgroundBlue);
}

void TextEditorViewController::save()
{
    view();
    std::string options = optionsString();
    auto body = JsonObject::create();
    body->set("options", options);
    body->set("assetid", asset::ident(m_object).value_or(""));
    body->set("key", m_keyField->text());
    if (sendsTitle())
        body->set("title", m_nameField->text());
    else
        body->set("text", m_textView->text());

    std::weak_ptr<TextEditorViewController> weak = std::static_pointer_cast<TextEditorViewController>(shared_from_this());
    auto handler = [weak, options](std::optional<JsonValue> content, std::optional<Error> error) {
        bool taken = content.has_value() && !error;
        MainQueue::shared().dispatch([weak, options, taken, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            if (!taken)
                return self->showFailure();
            self->update(content, options);
        });
    };
    // An existing multi-line input stays one: the coordinator marks it only as an input, so
    // its record's type decides.
    bool multiLine = m_isMultiLine || asset::isTextView(m_object);
    if (!m_isTextInput)
        m_model.sendText(body, std::move(handler));
    else if (multiLine)
        m_model.sendTextView(body, std::move(handler));
    else
        m_model.sendTextField(body, std::move(handler));
}

void TextEditorViewController::update(const std::optional<JsonValue>& reply, const std::string& options)
{
    view();
    if (m_object) {
        m_object->set("assVal", m_textView->text());
        m_object->set("options", options);
    }
    if (m_completionHandler)
        m_completionHandler(reply);
}

void TextEditorViewController::showFailure()
{
    // The item and what was typed stay as they are, so the user can try again.
    m_alert = AlertView::create("Not saved", "The server did not take the change, so nothing was saved. Your text is still here.", "OK");
    m_alert->show(*this);
}

} // namespace quindle
