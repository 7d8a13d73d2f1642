// Any texts: their collation keys order every pair exactly as QCollator's case-sensitive sort
// keys for the same locale do, a text ties with itself, and a column compares two cells by
// number when both are numbers, else by day when both are dates, else as QCollator does. Bit 3
// of the choice makes the first cell a missing sub-item, which ties with every cell.
#include "controls/listview/SortText.h"
#include "controls/listview/TCollationKeys.h"
#include "controls/listview/TListSortKeys.h"
#include "fuzz/FuzzTexts.h"

#include <QCollator>
#include <cstdlib>
#include <vector>

using namespace quorvane;

namespace {
int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

template <typename T> int Order(T a, T b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzTexts input = FuzzTexts::From(data, size, 24);
    const QStringList& texts = input.Texts;
    QCollator collator(input.Locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> reference;
    TCollationKeys keys(input.Locale);
    TListSortKeys column(input.Locale);
    const TShortDateFormat format = TShortDateFormat::FromLocale(input.Locale);
    std::vector<long double> numbers(size_t(texts.size()));
    std::vector<bool> isNumber(size_t(texts.size()));
    std::vector<qint64> days(size_t(texts.size()));
    std::vector<bool> isDate(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        reference.push_back(collator.sortKey(texts[i]));
        keys.AddSlot();
        keys.Make(int(i), texts[i]);
        column.Add(i == 0 && (input.Choice & 8) ? nullptr : &texts[i]);
        isNumber[size_t(i)] = TextToNumber(texts[i], numbers[size_t(i)]);
        isDate[size_t(i)] = TextToDate(texts[i], format, days[size_t(i)]);
    }
    for (int a = 0; a < int(texts.size()); ++a) {
        for (int b = 0; b < int(texts.size()); ++b) {
            const int expected = Sign(reference[size_t(a)].compare(reference[size_t(b)]));
            if (keys.Compare(a, b) != expected)
                std::abort();
            const size_t x = size_t(a);
            const size_t y = size_t(b);
            const bool missing = (input.Choice & 8) && (a == 0 || b == 0);
            const int cells = missing        ? 0
                : isNumber[x] && isNumber[y] ? Order(numbers[x], numbers[y])
                : isDate[x] && isDate[y]     ? Order(days[x], days[y])
                                             : expected;
            if (Sign(column.Compare(a, b)) != cells)
                std::abort();
        }
    }
    return 0;
}
