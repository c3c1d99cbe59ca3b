#pragma once

#include "content/ApplicationShell.h"
#include "core/Asset.h"
#include "platform/Colour.h"
#include "ui/AlertView.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

#include <optional>
#include <string>

namespace quindle {

class Model;

/// The editor of a text block, a single- or multi-line text input, or a video's address: its
/// text or title, its key and its display style (font, size, text and background colour).
/// Save sends the whole item with its options string; the opener decides whether to close.
class TextEditorViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr double styleRowHeight = 42;
    static constexpr double fieldRowHeight = 44;
    static constexpr double textRowHeight = 120;
    static constexpr const char* cellIdentifier = "TextEditorCell";

    static std::shared_ptr<TextEditorViewController> create(Model& model, AssetRecord object, TextEditorMode mode = TextEditorMode::Text,
        EditorCompletion completionHandler = {});

    const AssetRecord& object() const { return m_object; }
    bool isTextInput() const { return m_isTextInput; }
    void setIsTextInput(bool textInput) { m_isTextInput = textInput; }
    bool isMultiLine() const { return m_isMultiLine; }
    void setIsMultiLine(bool multiLine) { m_isMultiLine = multiLine; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }

    std::shared_ptr<TableViewCell> nameCell();
    std::shared_ptr<TextField> nameField();
    std::shared_ptr<TableViewCell> keyCell();
    std::shared_ptr<TextField> keyField();
    std::shared_ptr<TableViewCell> textCell();
    std::shared_ptr<TextView> textView();
    std::shared_ptr<TableView> tableView();
    /// The alert shown after a save the server did not take, if any.
    std::shared_ptr<AlertView> alert() const { return m_alert; }

    const std::string& fontName() const { return m_fontName; }
    const std::string& size() const { return m_size; }
    Colour textColor() const { return { m_textRed, m_textGreen, m_textBlue, 1 }; }
    Colour backgroundColor() const { return { m_backgroundRed, m_backgroundGreen, m_backgroundBlue, 1 }; }
    /// Font, size, text colour and background colour joined by ":"; unset values read "(null)".
    std::string optionsString() const;

    /// Sends the item; on the server's answer the record takes the text and options and the
    /// opener's completion handler runs. A save the server did not take changes nothing and
    /// says so in an alert.
    void save();
    /// A colour chosen on the wheel: kept, shown in the text view, the wheel closed.
    void updateTextColour(Colour colour);
    void updateBackgroundColour(Colour colour);
    /// After a good answer: the record keeps the text view's text and the options.
    void update(const std::optional<JsonValue>& reply, const std::string& options);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    double heightForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    TextEditorViewController(Model& model, AssetRecord object, TextEditorMode mode, EditorCompletion completionHandler);
    void readOptions();
    void applyColours();
    void openFontChooser();
    void openSizeChooser();
    void openColourWheel(void (TextEditorViewController::*report)(Colour));
    void push(const std::shared_ptr<ViewController>& screen);
    void closeChooser();
    /// What the editor sends: a text block's text, or an input's title.
    bool sendsTitle() const { return m_isTextInput; }
    void showFailure();

    Model& m_model;
    AssetRecord m_object;
    bool m_isTextInput { false };
    bool m_isMultiLine { false };
    EditorCompletion m_completionHandler;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<TableViewCell> m_nameCell, m_keyCell, m_textCell;
    std::shared_ptr<TextField> m_nameField, m_keyField;
    std::shared_ptr<TextView> m_textView;
    std::shared_ptr<AlertView> m_alert;

    std::string m_fontName;
    std::string m_size;
    double m_textRed { 0 }, m_textGreen { 0 }, m_textBlue { 0 };
    double m_backgroundRed { 1 }, m_backgroundGreen { 1 }, m_backgroundBlue { 1 };
};

} // namespace quindle
