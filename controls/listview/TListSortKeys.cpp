#include "controls/listview/TListSortKeys.h"

#include <limits>

namespace quorvane {

TListSortKeys::TListSortKeys(const QLocale& locale)
    : FFormat(TShortDateFormat::FromLocale(locale))
    , FCollationKeys(locale)
{
}

void TListSortKeys::Reserve(int count)
{
    const size_t size = size_t(std::max(count, 0));
    FKinds.reserve(size);
    FNumbers.reserve(size);
    FDays.reserve(size);
    FTexts.reserve(size);
    FCollationKeys.Reserve(count);
}

void TListSortKeys::Add(const QString* text)
{
    unsigned char kind = 0;
    long double number = 0;
    qint64 days = 0;
    if (text) {
        kind = kPresent;
        if (TextToNumber(*text, number))
            kind |= kNumber;
        if (TextToDate(*text, FFormat, days))
            kind |= kDate;
    }
    FKinds.push_back(kind);
    FNumbers.push_back(number);
    FDays.push_back(days);
    FTexts.push_back(text);
    // A plain text will be compared as text: its key is made now, next to its neighbours' in
    // memory. A number or date gets one only if it meets a text.
    FCollationKeys.AddSlot();
    if (kind == kPresent)
        FCollationKeys.Make(int(FKinds.size() - 1), *text);
}

int TListSortKeys::compareTexts(int first, int second) const
{
    for (const int cell : { first, second })
        if (!FCollationKeys.Has(cell))
            FCollationKeys.Make(cell, *FTexts[size_t(cell)]);
    return FCollationKeys.Compare(first, second);
}

int TListSortKeys::Compare(int first, int second) const
{
    const unsigned both = FKinds[size_t(first)] & FKinds[size_t(second)];
    if (!(both & kPresent))
        return 0;
    if (both & kNumber) {
        const long double a = FNumbers[size_t(first)];
        const long double b = FNumbers[size_t(second)];
        return a < b ? -1 : a > b ? 1 : 0;
    }
    if (both & kDate) {
        const qint64 difference = FDays[size_t(first)] - FDays[size_t(second)];
        return int(std::clamp<qint64>(
            difference, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    }
    return compareTexts(first, second);
}

} // namespace quorvane
