#include "link/qt/QtTimeOfDay.h"

#include <QTime>

namespace kdx {

QString TimeFormatOf(const QLocale& locale) {
    // The short format often drops the seconds; the long one keeps them and may add the zone
    // ("t"), which is dropped here outside quoted literal text.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (quoted || c != u't') result += c;
    }
    return result.simplified();
}

QString TimeOfDayText(const QTime& time, const QLocale& locale) {
    return locale.toString(time, TimeFormatOf(locale));
}

}  // namespace kdx
