#include "SortText.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

struct NumberCase {
    const char* Text;
    bool IsNumber;
    long double Value;
};

TEST(TextToNumber, acceptsOnlyTheNumberForm)
{
    const NumberCase cases[] = {
        // The grammar as a whole is the sort-text fuzz target's; here the values.
        { " 12", true, 12 }, { "   -3.25e2", true, -325 }, { ".5", true, 0.5L },
        { "2e-1", true, 0.2L }, { "E5", true, 0 }, { "-.E+1", true, 0 },
        { "12345678901234567890", true, 12345678901234567890.0L }, { "12 ", false, 0 },
        { "1.", false, 0 }, { "$0000000A", false, 0 }, { "0x10", false, 0 },
        { "٣", false, 0 }, // a digit of another script is not a decimal digit here
    };
    for (const NumberCase& c : cases) {
        long double value = -1;
        EXPECT_EQ(TextToNumber(QString::fromUtf8(c.Text), value), c.IsNumber) << c.Text;
        if (c.IsNumber) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
}

TEST(TextToNumber, keepsExtendedPrecision)
{
    long double a = 0;
    long double b = 0;
    // Equal as doubles, different as 80-bit reals.
    ASSERT_TRUE(TextToNumber("9007199254740993", a));
    ASSERT_TRUE(TextToNumber("9007199254740992", b));
    EXPECT_GT(a, b);
}

TEST(TextToNumber, ignoresTheNumericLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    long double value = 0;
    EXPECT_TRUE(TextToNumber("2.5", value));
    EXPECT_EQ(value, 2.5L);
    EXPECT_FALSE(TextToNumber("2,5", value));
    QLocale::setDefault(saved);
}

TEST(TextToDate, readsTheShortFormatsOfLocales)
{
    const TShortDateFormat us
        = TShortDateFormat::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(QByteArray(us.Order, 3), "Mdy");
    EXPECT_EQ(us.Separator, QLatin1Char('/'));
    const TShortDateFormat de
        = TShortDateFormat::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(QByteArray(de.Order, 3), "dMy");
    EXPECT_EQ(de.Separator, QLatin1Char('.'));
    const TShortDateFormat ja
        = TShortDateFormat::FromLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(QByteArray(ja.Order, 3), "yMd");
    EXPECT_EQ(us.CurrentYear, QDate::currentDate().year());
    // The C locale names no usable separator.
    const TShortDateFormat c = TShortDateFormat::FromLocale(QLocale::c());
    EXPECT_EQ(c.Separator, QLatin1Char('/'));
}

TEST(TextToDate, parsesTwoAndThreePartDates)
{
    TShortDateFormat format;
    format.Order[0] = 'd';
    format.Order[1] = 'M';
    format.Order[2] = 'y';
    format.Separator = QLatin1Char('.');
    format.CurrentYear = 2026;
    qint64 days = 0;
    ASSERT_TRUE(TextToDate("24.12.2020", format, days));
    EXPECT_EQ(days, QDate(2020, 12, 24).toJulianDay());
    ASSERT_TRUE(TextToDate(" 1 . 2 . 99 ", format, days));
    EXPECT_EQ(days, QDate(2099, 2, 1).toJulianDay()); // below 100: the current century
    ASSERT_TRUE(TextToDate("3.4.", format, days)); // one more separator after the last number
    EXPECT_EQ(days, QDate(2026, 4, 3).toJulianDay());
    // The rest of the grammar is the sort-text fuzz target's; here what it cannot tell.
    EXPECT_FALSE(TextToDate("29.2.2019", format, days)); // not a calendar date
    EXPECT_FALSE(TextToDate("3", format, days));
    EXPECT_FALSE(TextToDate("3.4.2001..", format, days));
    EXPECT_FALSE(TextToDate("1.1.9999999999", format, days));
}

TEST(TextToInt32, readsStoredEntries)
{
    struct Case {
        const char* Text;
        bool Ok;
        qint32 Value;
    };
    const Case cases[] = {
        { "120", true, 120 },
        { "-1", true, -1 },
        { "  7", true, 7 },
        { "+5", true, 5 },
        { "$FF", true, 255 },
        { "$ffffffff", true, -1 },
        { "2147483647", true, 2147483647 },
        { "-2147483648", true, -2147483647 - 1 },
        { "2147483648", false, 0 },
        { "99999999999", false, 0 },
        { "", false, 0 },
        { "x", false, 0 },
        { "12 ", false, 0 },
        { "1.5", false, 0 },
        { "$", false, 0 },
        { "$123456789", false, 0 },
        { "$G1", false, 0 },
    };
    for (const Case& c : cases) {
        qint32 value = 0;
        EXPECT_EQ(TextToInt32(QString::fromUtf8(c.Text), value), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
}

} // namespace
