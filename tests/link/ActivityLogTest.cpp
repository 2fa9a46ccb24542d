#include "link/ActivityLog.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include "link/LogMessages.h"
#include "link/qt/QtTimeOfDay.h"

namespace kdx {
namespace {

class FixedTime : public TimeOfDaySource {
  public:
    std::string TimeOfDay() override { return now; }
    std::string now = "9:05:07";
};

TEST(ActivityLogTest, LineIsTimeArrowMessageCrLf) {
    EXPECT_EQ(FormatLogLine("14:03:59", messages::kReadStart), "14:03:59 --> Vyčítání START\r\n");
}

TEST(ActivityLogTest, NewestLineComesFirst) {
    FixedTime clock;
    ActivityLog log(clock);
    std::string shown;
    log.SetChangedHook([&](const std::string& text) { shown = text; });
    log.LogMessage(messages::kProgramStarted);
    clock.now = "9:05:08";
    log.LogMessage(messages::kWriteStart);
    log.LogMessage(messages::kDuplicateReceive);  // same second: same stamp, still on top
    log.LogMessage(messages::kWriteFailed);
    const std::string expected =
        "9:05:08 --> chyba komunikace!\r\n"
        "9:05:08 --> duplicitni prijem\r\n"
        "9:05:08 --> Zápis START\r\n"
        "9:05:07 --> Program spuštěn\r\n";
    EXPECT_EQ(log.Text(), expected);
    EXPECT_EQ(shown, expected);
}

class TimeFormatTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TimeFormatTest, HasHoursMinutesSecondsAndNoZone) {
    const QLocale locale(QString::fromLatin1(GetParam()));
    const QString format = TimeFormatOf(locale);
    EXPECT_TRUE(format.contains(QLatin1String("ss"))) << format.toStdString();
    EXPECT_TRUE(format.contains(QLatin1Char('m'))) << format.toStdString();
    EXPECT_TRUE(format.contains(QLatin1Char('h'), Qt::CaseInsensitive)) << format.toStdString();
    EXPECT_FALSE(format.contains(QLatin1Char('t'))) << format.toStdString();
    // 13:04:05 shows all three fields in the locale's digits.
    const QString text = locale.toString(QTime(13, 4, 5), format);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("0?4.0?5")))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, TimeFormatTest,
                         ::testing::Values("cs_CZ", "en_US", "de_DE", "en_GB", "C"));

}  // namespace
}  // namespace kdx
