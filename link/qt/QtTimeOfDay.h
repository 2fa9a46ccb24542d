#pragma once

#include <QLocale>
#include <QString>

#include "link/Interfaces.h"

namespace kdx {

// The system's time format with hours, minutes and seconds, without the time zone that the
// long format of many locales appends.
QString TimeFormatOf(const QLocale& locale);

// The current local time of day in the system's format, for the activity log.
class QtTimeOfDay : public TimeOfDayClock {
  public:
    std::string TimeOfDay() override;
};

}  // namespace kdx
