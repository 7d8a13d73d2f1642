// The values a sorted column reads from its texts. The grammars as a whole are the sort-text fuzz
// target's; here the values and what it cannot tell (the locale's part). A column of dates is
// the sorting test's; the stored integers are the persistence test's and that fuzz target's too.
#include "controls/listview/SortText.h"
#include "tests/support/IntegerTexts.h"

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

} // namespace
