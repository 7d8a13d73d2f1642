// Any text as a cell of a sorted column: the number test accepts exactly its grammar, the date
// test's day comes back from the date written out again, and a stored integer is read exactly
// when it has its grammar and fits.
#include "controls/listview/SortText.h"
#include "fuzz/FuzzTexts.h"

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

// Spaces, then a sign and decimal digits whose value fits, or "$" and hex digits whose value
// fits in 32 bits.
void CheckInt32(const QString& text)
{
    static const QRegularExpression grammar(
        QStringLiteral("\\A *([+-]?[0-9]+|\\$([0-9A-Fa-f]+))\\z"));
    const QRegularExpressionMatch match = grammar.match(text);
    const bool hex = match.hasCaptured(2);
    bool ok = false;
    const qint64 decimal = hex ? 0 : match.captured(1).toLongLong(&ok);
    const quint64 bits = hex ? match.captured(2).toULongLong(&ok, 16) : 0;
    const bool fits
        = match.hasMatch() && ok && (hex ? bits <= 0xFFFFFFFFu : decimal == qint32(decimal));
    qint32 value = 0;
    if (TextToInt32(text, value) != fits)
        std::abort();
    if (fits && value != (hex ? qint32(quint32(bits)) : qint32(decimal)))
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
