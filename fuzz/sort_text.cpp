// Any text as a cell of a sorted column: the number test accepts exactly its grammar, the date
// test's day comes back from the date written out again, and stored integers read back.
#include "FuzzTexts.h"
#include "SortText.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>
#include <cstdlib>

using namespace quorvane;

namespace {
// Leading spaces, a sign, digits with a "." part that is never last, an exponent.
const QRegularExpression& NumberGrammar()
{
    static const QRegularExpression grammar(
        QStringLiteral("(?s)\\A *[+-]?(?=.)[0-9]*(\\.(?=.)[0-9]*)?([eE][+-]?[0-9]+)?\\z"));
    return grammar;
}

void CheckNumber(const QString& text)
{
    long double value = 0;
    const bool number = TextToNumber(text, value);
    if (number != NumberGrammar().match(text).hasMatch())
        std::abort();
    if (!number || value == 0)
        return;
    if (std::isnan(value) || (value < 0) != text.trimmed().startsWith(QLatin1Char('-')))
        std::abort();
}

void CheckDate(const QString& text, uint8_t choice)
{
    static const char orders[6][3] = { { 'd', 'M', 'y' }, { 'M', 'd', 'y' }, { 'y', 'M', 'd' },
        { 'y', 'd', 'M' }, { 'd', 'y', 'M' }, { 'M', 'y', 'd' } };
    static const char separators[] = "/.-";
    TShortDateFormat format;
    std::copy(orders[(choice >> 3) % 6], orders[(choice >> 3) % 6] + 3, format.Order);
    format.Separator = QLatin1Char(separators[(choice >> 6) % 3]);
    format.CurrentYear = 2026;
    qint64 days = 0;
    if (!TextToDate(text, format, days))
        return;
    const QDate date = QDate::fromJulianDay(days);
    if (!date.isValid() || date.year() < 100)
        std::abort();
    QStringList fields;
    for (const char field : format.Order)
        fields << QString::number(field == 'd' ? date.day()
                : field == 'M'                 ? date.month()
                                               : date.year());
    qint64 again = 0;
    if (!TextToDate(fields.join(format.Separator), format, again) || again != days)
        std::abort();
}

void CheckInt32(const QString& text)
{
    qint32 value = 0;
    if (!TextToInt32(text, value))
        return;
    qint32 again = 0;
    if (!TextToInt32(QString::number(value), again) || again != value)
        std::abort();
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzTexts input = FuzzTexts::From(data, size, 16);
    for (const QString& text : input.Texts) {
        CheckNumber(text);
        CheckDate(text, input.Choice);
        CheckInt32(text);
    }
    return 0;
}
