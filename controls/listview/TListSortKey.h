#pragma once

#include "SortText.h"

#include <QCollator>
#include <optional>

namespace quorvane {

// What a sort needs of one cell, parsed once per sort: its value as a number and as a date, and
// its collation key, made the first time the cell is compared as text.
class TListSortKey {
public:
    TListSortKey() = default; // a row that lacks the cell
    TListSortKey(const QString& text, const TShortDateFormat& format);

    bool Present() const { return FPresent; }

    // Negative when first goes before second: by number when both are numbers, else by date when
    // both are dates, else by collation. 0 when either cell is missing.
    static int Compare(
        const TListSortKey& first, const TListSortKey& second, const QCollator& collator);

private:
    const QCollatorSortKey& collationKey(const QCollator& collator) const;

    QString FText;
    long double FNumber = 0;
    qint64 FDays = 0;
    bool FPresent = false;
    bool FIsNumber = false;
    bool FIsDate = false;
    mutable std::optional<QCollatorSortKey> FCollationKey;
};

} // namespace quorvane
