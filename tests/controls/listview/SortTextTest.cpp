// The values a sorted column reads from its texts. The grammars as a whole are the sort-text fuzz
// target's; here the values and what it cannot tell (the locale's part, the dates it refuses).
// The stored integers are the persistence test's and that fuzz target's too.
#include "controls/listview/SortText.h"
#include "tests/support/IntegerTexts.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(TextToNumber, readsThePointFormWhateverTheNumericLocale)
{
    struct Case {
        const char* Text;
        bool IsNumber;
        long double Value;
    };
    const Case cases[] = { { " 12", true, 12 }, { "   -3.25e2", true, -325 }, { ".5", true, 0.5L },
        { "2e-1", true, 0.2L }, { "E5", true, 0 }, { "-.E+1", true, 0 }, { "2.5", true, 2.5L },
        { "12345678901234567890", true, 12345678901234567890.0L },
        { "9007199254740993", true, 9007199254740993.0L }, // not a double: an 80-bit real
        { "12 ", false, 0 }, { "2,5", false, 0 }, { "٣", false, 0 } }; // a digit of another script
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const Case& c : cases) {
        long double value = -1;
        EXPECT_EQ(TextToNumber(QString::fromUtf8(c.Text), value), c.IsNumber) << c.Text;
        if (c.IsNumber) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
    QLocale::setDefault(saved);
}

TEST(TextToInt32, readsAColumnEntryByItsOwnGrammar)
{
    for (const IntegerText& c : kIntegerTexts) {
        qint32 value = 12345;
        EXPECT_EQ(TextToInt32(QString::fromUtf8(c.Text), value), c.ColumnEntry.has_value())
            << c.Text;
        EXPECT_EQ(value, c.ColumnEntry.value_or(12345)) << c.Text;
    }
}

TEST(TextToDate, readsTheShortFormatOfTheLocale)
{
    struct Case {
        const char* Locale;
        const char* Text;
        QDate Day; // invalid: not a date
    };
    const int year = QDate::currentDate().year();
    const Case cases[] = {
        { "en_US", "12/31/2019", QDate(2019, 12, 31) }, { "en_US", "31/12/2019", {} },
        { "de_DE", "24.12.2020", QDate(2020, 12, 24) },
        { "de_DE", " 1 . 2 . 99 ", QDate(year / 100 * 100 + 99, 2, 1) }, // the current century
        { "de_DE", "3.4.", QDate(year, 4, 3) }, // one more separator after the last number
        { "de_DE", "29.2.2019", {} }, // not a calendar date
        { "de_DE", "3", {} }, { "de_DE", "3.4.2001..", {} }, { "de_DE", "1.1.9999999999", {} },
        { "de_DE", "24/12/2020", {} }, { "ja_JP", "2020/12/24", QDate(2020, 12, 24) },
        { "C", "24/12/2020", QDate(2020, 12, 24) }, // C names no usable separator: "/"
    };
    for (const Case& c : cases) {
        const TShortDateFormat format = TShortDateFormat::FromLocale(QLocale(c.Locale));
        qint64 days = 0;
        EXPECT_EQ(TextToDate(c.Text, format, days), c.Day.isValid()) << c.Locale << " " << c.Text;
        if (c.Day.isValid()) {
            EXPECT_EQ(QDate::fromJulianDay(days), c.Day) << c.Locale << " " << c.Text;
        }
    }
}

} // namespace
