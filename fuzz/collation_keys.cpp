// Any texts: their collation keys order every pair exactly as QCollator's case-sensitive sort
// keys for the same locale do, a text ties with itself, and the column comparison is
// antisymmetric.
#include "FuzzTexts.h"
#include "TCollationKeys.h"
#include "TListSortKeys.h"

#include <QCollator>
#include <cstdlib>
#include <vector>

using namespace quorvane;

namespace {
int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
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
    for (qsizetype i = 0; i < texts.size(); ++i) {
        reference.push_back(collator.sortKey(texts[i]));
        keys.AddSlot();
        keys.Make(int(i), texts[i]);
        column.Add(&texts[i]);
    }
    for (int a = 0; a < int(texts.size()); ++a) {
        for (int b = 0; b < int(texts.size()); ++b) {
            const int expected = Sign(reference[size_t(a)].compare(reference[size_t(b)]));
            if (keys.Compare(a, b) != expected)
                std::abort();
            if (Sign(column.Compare(a, b)) != -Sign(column.Compare(b, a)))
                std::abort();
        }
    }
    return 0;
}
