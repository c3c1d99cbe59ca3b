#pragma once

#include "editors/ColorWell.h"
#include "editors/ColorWheel.h"
#include "ui/Slider.h"
#include "ui/ViewController.h"

#include <functional>
#include <optional>

namespace quindle {

/// The "Colour" screen: a colour wheel, a brightness slider, a well with the colour being
/// picked and one with the colour the opener started from. Save reports the wheel's colour
/// and leaves closing to the opener; Cancel pops without a report.
class ColorWheelViewController : public ViewController, public ColorWheelDelegate {
public:
    using CompletionHandler = std::function<void(Colour)>;
    /// The root view's size until a window gives it one: a phone's screen below the bars.
    static constexpr Rect defaultBounds { 0, 0, 320, 504 };

    static std::shared_ptr<ColorWheelViewController> create(CompletionHandler completionHandler = {},
        std::optional<Colour> currentColour = std::nullopt);

    std::shared_ptr<ColorWheel> colorWheel();
    std::shared_ptr<Slider> brightnessSlider();
    std::shared_ptr<ColorWell> wellView();
    std::shared_ptr<ColorWell> currentWellView();
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    std::optional<Colour> currentColour() const { return m_currentColour; }
    void setCurrentColour(std::optional<Colour> colour);

    /// Reports the wheel's colour to the opener.
    void save();
    /// Pops the screen without a report.
    void cancel();

    void colorWheelDidChangeColor(ColorWheel& wheel) override;
    void colorWheelDidFinishChangingColor() override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    ColorWheelViewController(CompletionHandler completionHandler, std::optional<Colour> currentColour);
    void layout(Rect bounds);
    void brightnessChanged();

    CompletionHandler m_completionHandler;
    std::optional<Colour> m_currentColour;
    std::shared_ptr<ColorWheel> m_colorWheel;
    std::shared_ptr<Slider> m_brightnessSlider;
    std::shared_ptr<ColorWell> m_wellView;
    std::shared_ptr<ColorWell> m_currentWellView;
};

} // namespace quindle
