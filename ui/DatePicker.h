#pragma once

#include "platform/Date.h"
#include "ui/View.h"

#include <functional>

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
    /// The user turns the wheels to a date; onValueChanged fires if it changed.
    void pick(Date date);

    std::function<void(DatePicker&)> onValueChanged;

private:
    explicit DatePicker(Rect frame);
    Date m_date;
    DatePickerMode m_mode { DatePickerMode::DateAndTime };
};

} // namespace quindle
