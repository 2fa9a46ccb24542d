#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

#include "link/Interfaces.h"

namespace kdx {

// The system's time format with hours, minutes and seconds, without the time zone that the
// long format of many locales appends.
QString TimeFormatOf(const QLocale& locale);

// A time of day in the locale's format with hours, minutes and seconds, as the log shows it.
QString TimeOfDayText(const QTime& time, const QLocale& locale = QLocale::system());

// The current local time of day in the system's format, for the activity log.
class QtTimeOfDay : public TimeOfDayClock {
  public:
    std::string TimeOfDay() override;
};

}  // namespace kdx
