#include "controls/listview/SortText.h"

#include "platform/text/Int32Text.h"
#include "platform/text/TextFields.h"

#include <QDate>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace quorvane {

namespace {
    bool isDigit(QChar c)
    {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    }

    // strtold under the C locale: the application runs under the user's numeric locale.
    locale_t cLocale()
    {
        static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
        return locale;
    }

    void skipSpaces(const QString& text, qsizetype& at)
    {
        while (at < text.size() && text[at] == QLatin1Char(' '))
            ++at;
    }

    // Up to nine digits; more cannot be a day, month or year.
    bool readNumber(const QString& text, qsizetype& at, int& value)
    {
        const qsizetype start = at;
        value = 0;
        while (at < text.size() && isDigit(text[at])) {
            if (at - start == 9)
                return false;
            value = value * 10 + (text[at].unicode() - '0');
            ++at;
        }
        return at > start;
    }

    bool readSeparator(const QString& text, qsizetype& at, QChar separator)
    {
        skipSpaces(text, at);
        if (at >= text.size() || text[at] != separator)
            return false;
        ++at;
        return true;
    }
}

bool TextToNumber(const QString& text, long double& value)
{
    qsizetype at = 0;
    const qsizetype size = text.size();
    skipSpaces(text, at);
    const qsizetype signAt = at;
    if (at < size && (text[at] == QLatin1Char('+') || text[at] == QLatin1Char('-')))
        ++at;
    if (at == size)
        return false;
    int digits = 0;
    while (at < size && isDigit(text[at]))
        ++at, ++digits;
    if (at < size && text[at] == QLatin1Char('.')) {
        ++at;
        if (at == size)
            return false;
        while (at < size && isDigit(text[at]))
            ++at, ++digits;
    }
    if (at < size && (text[at] == QLatin1Char('E') || text[at] == QLatin1Char('e'))) {
        ++at;
        if (at < size && (text[at] == QLatin1Char('+') || text[at] == QLatin1Char('-')))
            ++at;
        const qsizetype exponentAt = at;
        while (at < size && isDigit(text[at]))
            ++at;
        if (at == exponentAt)
            return false;
    }
    if (at != size)
        return false;
    if (digits == 0) {
        value = 0;
        return true;
    }
    // Only ASCII is left: sign, digits, ".", exponent.
    const qsizetype length = size - signAt;
    char small[64];
    std::string large;
    char* ascii = small;
    if (length >= qsizetype(sizeof small)) {
        large.resize(size_t(length));
        ascii = large.data();
    }
    for (qsizetype i = 0; i < length; ++i)
        ascii[i] = char(text[signAt + i].unicode());
    ascii[length] = '\0';
    value = strtold_l(ascii, nullptr, cLocale());
    return true;
}

bool TextToDate(const QString& text, const TShortDateFormat& format, qint64& days)
{
    int numbers[3] = { 0, 0, 0 };
    int count = 0;
    qsizetype at = 0;
    skipSpaces(text, at);
    if (!readNumber(text, at, numbers[count++]))
        return false;
    if (!readSeparator(text, at, format.Separator))
        return false;
    skipSpaces(text, at);
    if (!readNumber(text, at, numbers[count++]))
        return false;
    if (readSeparator(text, at, format.Separator)) {
        skipSpaces(text, at);
        if (readNumber(text, at, numbers[count]))
            ++count;
        if (count == 3)
            readSeparator(text, at, format.Separator);
    }
    skipSpaces(text, at);
    if (at != text.size())
        return false;

    int day = 0;
    int month = 0;
    int year = format.CurrentYear;
    int next = 0;
    for (char field : format.Order) {
        if (field == 'y' && count == 2)
            continue;
        const int number = numbers[next++];
        if (field == 'd')
            day = number;
        else if (field == 'M')
            month = number;
        else
            year = number < 100 ? format.CurrentYear / 100 * 100 + number : number;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    days = date.toJulianDay();
    return true;
}

TShortDateFormat TShortDateFormat::FromLocale(const QLocale& locale)
{
    TShortDateFormat result;
    result.CurrentYear = QDate::currentDate().year();
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    char order[3];
    int fields = 0;
    QChar separator;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        const char letter = c == QLatin1Char('d') ? 'd'
            : c == QLatin1Char('M')               ? 'M'
            : c == QLatin1Char('y')               ? 'y'
                                                  : 0;
        if (letter) {
            bool seen = false;
            for (int k = 0; k < fields; ++k)
                seen |= order[k] == letter;
            if (!seen && fields < 3)
                order[fields++] = letter;
        } else if (fields > 0 && separator.isNull() && !c.isLetter() && c != QLatin1Char(' ')) {
            separator = c;
        }
    }
    if (fields == 3)
        std::copy(order, order + 3, result.Order);
    if (!separator.isNull())
        result.Separator = separator;
    return result;
}

bool TextToInt32(QStringView text, qint32& value)
{
    // Non-ASCII characters become bytes that no part of the grammar takes.
    const QByteArray bytes = text.toLatin1();
    const std::string_view entry = TrimFront({ bytes.constData(), size_t(bytes.size()) }, " ");
    std::optional<int64_t> number = ScanDollarHex32(entry);
    if (!number)
        number = ScanSignedDecimal32(entry);
    if (!number || *number > std::numeric_limits<qint32>::max())
        return false;
    value = qint32(*number);
    return true;
}

} // namespace quorvane
