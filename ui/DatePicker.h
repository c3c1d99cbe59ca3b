#pragma once

#include "platform/Date.h"
#include "ui/View.h"

#include <functional>
#include <optional>

namespace quindle {

enum class DatePickerMode { TimeOnly, DateOnly, DateAndTime };

/// Picks an instant; what it offers depends on the mode.
class DatePicker : public View {
public:
    static std::shared_ptr<DatePicker> create(Rect frame = {});

    Date date() const { return m_date; }
    /// Sets the date as code does; fires no onValueChanged.
    void setDate(Date date) { update(m_date, date, ChangeKind::Value); }
    DatePickerMode datePickerMode() const { return m_mode; }
    void setDatePickerMode(DatePickerMode mode) { update(m_mode, mode, ChangeKind::Appearance); }
    /// The earliest and latest moments the user may pick; nothing leaves that side open.
    std::optional<Date> minimumDate() const { return m_minimum; }
    void setMinimumDate(std::optional<Date> date) { update(m_minimum, date, ChangeKind::Appearance); }
    std::optional<Date> maximumDate() const { return m_maximum; }
    void setMaximumDate(std::optional<Date> date) { update(m_maximum, date, ChangeKind::Appearance); }
    /// The user turns the wheels to a date, held within the limits (the minimum wins when they
    /// cross); onValueChanged fires if it changed. Ignored under an alert.
    void pick(Date date);

    std::function<void(DatePicker&)> onValueChanged;

private:
    explicit DatePicker(Rect frame);
    Date m_date;
    std::optional<Date> m_minimum;
    std::optional<Date> m_maximum;
    DatePickerMode m_mode { DatePickerMode::DateAndTime };
};

} // namespace quindle
