#pragma once

#include <QLocale>
#include <QString>

namespace quorvane {

// The parts of a short date format that the date test needs.
struct TShortDateFormat {
    char Order[3] = { 'd', 'M', 'y' }; // field order: 'd' day, 'M' month, 'y' year
    QChar Separator = QLatin1Char('/');
    int CurrentYear = 2000;

    // From the locale's short date format; a locale that names no separator (or only a space)
    // gets "/".
    static TShortDateFormat FromLocale(const QLocale& locale);
};

// A number: leading spaces, an optional sign, digits with an optional "." part (never last) and
// an optional exponent, nothing else. The point is "." whatever the locale. An empty mantissa
// counts as 0.
bool TextToNumber(const QString& text, long double& value);

// A date of two or three numbers under the format; the value is the Julian day number.
bool TextToDate(const QString& text, const TShortDateFormat& format, qint64& days);

// An integer entry of a stored list: leading spaces (no other blanks), then an optional sign and
// decimal digits within the signed 32-bit range, or "$" and hexadecimal digits whose value fits
// in 32 bits (the bit pattern: "$FFFFFFFF" is -1). No sign before "$", no "0x".
bool TextToInt32(QStringView text, qint32& value);

} // namespace quorvane
