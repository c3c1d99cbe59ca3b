#include "editors/ColorWheelViewController.h"

#include "ui/NavigationController.h"
#include "ui/Window.h"

namespace quindle {

namespace {

/// The screen's root: places the wheel, slider and wells again whenever its size changes.
class ProportionalView : public View {
public:
    static std::shared_ptr<ProportionalView> create(Rect frame) { return std::shared_ptr<ProportionalView>(new ProportionalView(frame)); }
    void layoutSubviews() override
    {
        if (onLayout)
            onLayout(bounds());
    }
    std::function<void(Rect)> onLayout;

private:
    explicit ProportionalView(Rect frame) : View(frame) { }
};

} // namespace

std::shared_ptr<ColorWheelViewController> ColorWheelViewController::create(CompletionHandler completionHandler, std::optional<Colour> currentColour)
{
    return std::shared_ptr<ColorWheelViewController>(new ColorWheelViewController(std::move(completionHandler), currentColour));
}

ColorWheelViewController::ColorWheelViewController(CompletionHandler completionHandler, std::optional<Colour> currentColour)
    : ViewController("Colour")
    , m_completionHandler(std::move(completionHandler))
    , m_currentColour(currentColour)
{
}

void ColorWheelViewController::loadView()
{
    auto root = ProportionalView::create(defaultBounds);
    root->setBackgroundColour(Colour::white());
    std::weak_ptr<ColorWheelViewController> weak = std::static_pointer_cast<ColorWheelViewController>(shared_from_this());
    root->onLayout = [weak](Rect bounds) {
        if (auto self = weak.lock())
            self->layout(bounds);
    };
    setView(root);
}

void ColorWheelViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<ColorWheelViewController>(shared_from_this());
    std::weak_ptr<ColorWheelViewController> weak = self;
    setRightBarButtonItem(BarButtonItem::create("Save", BarButtonStyle::Plain, [weak] {
        if (auto screen = weak.lock())
            screen->save();
    }));

    auto root = view();
    m_colorWheel = ColorWheel::create();
    m_colorWheel->setDelegate(weak);
    m_colorWheel->setContinuous(true);
    m_brightnessSlider = Slider::create();
    m_brightnessSlider->setRange(0, 1);
    m_brightnessSlider->setValue(1);
    m_brightnessSlider->onValueChanged = [weak](Slider&) {
        if (auto screen = weak.lock())
            screen->brightnessChanged();
    };
    m_wellView = ColorWell::create("new colour");
    m_currentWellView = ColorWell::create("current colour");
    m_currentWellView->setColour(m_currentColour);
    layout(root->bounds());
    root->addSubview(m_colorWheel);
    root->addSubview(m_brightnessSlider);
    root->addSubview(m_wellView);
    root->addSubview(m_currentWellView);
}

void ColorWheelViewController::viewWillAppear(Animated)
{
    // A phone (or a screen in no window yet) gets a Cancel button; larger screens close otherwise.
    auto shown = window();
    if (shown && shown->userInterfaceIdiom() != UserInterfaceIdiom::Phone) {
        setLeftBarButtonItem(nullptr);
        return;
    }
    if (leftBarButtonItem())
        return;
    std::weak_ptr<ColorWheelViewController> weak = std::static_pointer_cast<ColorWheelViewController>(shared_from_this());
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto screen = weak.lock())
            screen->cancel();
    }));
}

void ColorWheelViewController::layout(Rect bounds)
{
    if (!m_colorWheel)
        return;
    double w = bounds.width, h = bounds.height;
    m_colorWheel->setFrame({ 0.5 * w - 0.45 * w, 0.1 * h, 0.9 * w, 0.9 * w });
    // Until the user picks, the cursor stays in the middle of the wheel's new frame.
    if (!m_wellView->colour())
        m_colorWheel->setTouchPoint({ m_colorWheel->frame().width / 2, m_colorWheel->frame().height / 2 });
    m_brightnessSlider->setFrame({ 0.4 * w, 0.9 * h, 0.5 * w, 0.1 * h });
    m_wellView->setFrame({ 0.1 * w, 0.8 * h, 0.2 * w, 0.08 * h });
    m_currentWellView->setFrame({ 0.1 * w, 0.9 * h, 0.2 * w, 0.08 * h });
}

std::shared_ptr<ColorWheel> ColorWheelViewController::colorWheel()
{
    view();
    return m_colorWheel;
}

std::shared_ptr<Slider> ColorWheelViewController::brightnessSlider()
{
    view();
    return m_brightnessSlider;
}

std::shared_ptr<ColorWell> ColorWheelViewController::wellView()
{
    view();
    return m_wellView;
}

std::shared_ptr<ColorWell> ColorWheelViewController::currentWellView()
{
    view();
    return m_currentWellView;
}

void ColorWheelViewController::setCurrentColour(std::optional<Colour> colour)
{
    m_currentColour = colour;
    if (m_currentWellView)
        m_currentWellView->setColour(colour);
}

void ColorWheelViewController::save()
{
    if (m_completionHandler)
        m_completionHandler(colorWheel()->currentColor());
}

void ColorWheelViewController::cancel()
{
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
}

void ColorWheelViewController::colorWheelDidChangeColor(ColorWheel& wheel) { m_wellView->setColour(wheel.currentColor()); }

void ColorWheelViewController::colorWheelDidFinishChangingColor() { m_wellView->setColour(m_colorWheel->currentColor()); }

void ColorWheelViewController::brightnessChanged()
{
    m_colorWheel->setBrightness(static_cast<float>(m_brightnessSlider->value()));
    m_colorWheel->updateImage();
    m_wellView->setColour(m_colorWheel->currentColor());
}

} // namespace quindle
