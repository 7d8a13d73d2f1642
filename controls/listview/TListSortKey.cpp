#include "TListSortKey.h"

#include <limits>

namespace quorvane {

TListSortKey::TListSortKey(const QString& text, const TShortDateFormat& format)
    : FText(text)
    , FPresent(true)
{
    FIsNumber = TextToNumber(text, FNumber);
    FIsDate = TextToDate(text, format, FDays);
}

const QCollatorSortKey& TListSortKey::collationKey(const QCollator& collator) const
{
    if (!FCollationKey)
        FCollationKey.emplace(collator.sortKey(FText));
    return *FCollationKey;
}

int TListSortKey::Compare(
    const TListSortKey& first, const TListSortKey& second, const QCollator& collator)
{
    if (!first.FPresent || !second.FPresent)
        return 0;
    if (first.FIsNumber && second.FIsNumber)
        return first.FNumber < second.FNumber ? -1 : first.FNumber > second.FNumber ? 1 : 0;
    if (first.FIsDate && second.FIsDate) {
        const qint64 difference = first.FDays - second.FDays;
        return int(std::clamp<qint64>(
            difference, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    }
    const int order = first.collationKey(collator).compare(second.collationKey(collator));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace quorvane
