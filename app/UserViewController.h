#pragma once

#include "app/StaticTableViewController.h"
#include "platform/Colour.h"

namespace quindle {

class Model;

/// The "Account" tab of a logged-in user: password, beacons, the user's default display
/// options for new items, the site image, saving the defaults and logging out.
class UserViewController : public StaticTableViewController {
public:
    static std::shared_ptr<UserViewController> create(Model& model);

    const std::string& fontName() const { return m_fontName; }
    const std::string& size() const { return m_size; }
    Colour textColour() const { return { m_textRed, m_textGreen, m_textBlue, 1 }; }
    Colour backgroundColour() const { return { m_backgroundRed, m_backgroundGreen, m_backgroundBlue, 1 }; }

    /// The defaults as an options string: font, size, text and background colour.
    std::string optionsString() const;
    /// Sends the defaults; a save the server did not take is told in an alert.
    void save();
    /// Logs out; once the server answers (whatever it says) only the base tabs remain.
    void logout();
    /// A colour chosen on the colour wheel: replaces the colour and closes the wheel.
    void updateTextColour(Colour colour);
    void updateBackgroundColour(Colour colour);
    /// A font or size from its chooser: replaces the field, redraws the rows, closes the chooser.
    void chooseFont(const std::string& name);
    void chooseSize(const std::string& size);

protected:
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    explicit UserViewController(Model& model);
    void push(const std::shared_ptr<ViewController>& screen);
    void closeChooser();

    Model& m_model;
    std::string m_fontName;
    std::string m_size;
    double m_textRed { 0 }, m_textGreen { 0 }, m_textBlue { 0 };
    double m_backgroundRed { 0 }, m_backgroundGreen { 0 }, m_backgroundBlue { 0 };
};

} // namespace quindle
