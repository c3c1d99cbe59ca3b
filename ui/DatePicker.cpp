#include "ui/DatePicker.h"

namespace quindle {

DatePicker::DatePicker(Rect frame) : View(frame), m_date(DateFormat::now()) { }

std::shared_ptr<DatePicker> DatePicker::create(Rect frame) { return std::shared_ptr<DatePicker>(new DatePicker(frame)); }

void DatePicker::pick(Date date)
{
    if (!isUserInteractionEnabled() || !takesUserInput())
        return;
    if (m_maximum && date > *m_maximum)
        date = *m_maximum;
    if (m_minimum && date < *m_minimum)
        date = *m_minimum;
    if (date == m_date)
        return;
    setDate(date);
    if (onValueChanged)
        onValueChanged(*this);
}

} // namespace quindle
