#pragma once

#include "controls/listview/SortText.h"
#include "controls/listview/TCollationKeys.h"

#include <vector>

namespace quorvane {

// The cells of one column, parsed once per sort: each as a number and as a date, and with its
// collation key, made the first time the cell is compared as text. Kept in parallel arrays so
// that a comparison touches little memory.
class TListSortKeys {
public:
    explicit TListSortKeys(const QLocale& locale);

    void Reserve(int count);
    // The cell of the next row; nullptr when the row lacks it. The text must outlive the keys.
    void Add(const QString* text);

    // Negative when cell first goes before cell second: by number when both are numbers, else
    // by date when both are dates, else by collation (case-sensitive). 0 when either is missing.
    int Compare(int first, int second) const;

private:
    enum Kind : unsigned char { kPresent = 1, kNumber = 2, kDate = 4 };

    int compareTexts(int first, int second) const;

    TShortDateFormat FFormat;
    std::vector<unsigned char> FKinds;
    std::vector<long double> FNumbers;
    std::vector<qint64> FDays;
    std::vector<const QString*> FTexts;
    mutable TCollationKeys FCollationKeys;
};

} // namespace quorvane
