#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

namespace kdx {

// The system's time format with hours, minutes and seconds, without the time zone that the
// long format of many locales appends.
QString TimeFormatOf(const QLocale& locale);

// A time of day in the locale's format with hours, minutes and seconds, as the log shows it.
QString TimeOfDayText(const QTime& time, const QLocale& locale = QLocale::system());

}  // namespace kdx
