// The sort keys of a column against Qt's own collator: every pair of a set of hard texts must
// order exactly as QCollator's case-sensitive sort keys order it, in every locale. Random texts
// in bulk are the collation fuzz target's job.
#include "SortText.h"
#include "StableOrder.h"
#include "TCollationKeys.h"
#include "TListSortKeys.h"

#include <QCollator>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Texts whose keys are easy to get wrong: ties between different code units, keys that differ
// only past their first 16 bytes, prefixes, case, accents composed and decomposed, characters
// beyond the BMP, U+0000, lone surrogates, noncharacters, numbers and dates.
QStringList HardTexts()
{
    QStringList texts = { QString(), "a", "A", "b", "B", "ab", "aB", "a b", "a-b", "a_b", "ä", "Ä",
        "a\u0308", "A\u0308", "o", "ö", "z", "Z", "ß", "ss", "ı", "I", "İ", "i", "東", "京", "-",
        " ", "0", "9", "10", "1.5", "-3", "1/2/2020", "12/31/2019", "24.12.2020", "3.4", "$0A",
        "kworker/u16:1-events_unbound", "kworker/u16:10-events_unbound",
        "kworker/u16:2-events_unbound", "kworker/u16:1-events_unbounc", "python3.11", "Python3.11",
        "/usr/bin/Xorg", "/usr/bin/xorg" };
    texts << QString::fromUcs4(U"\U0001F600") << QString::fromUcs4(U"a\U00020000")
          << QString::fromUcs4(U"a\U0001D400") << QString(QChar(0)) << QString("a") + QChar(0)
          << QString("a") + QChar(0) + "b" << QString(QChar(0xD800)) << QString(QChar(0xDFFF))
          << QString("x") + QChar(0xD800) << QString(QChar(0xFFFF)) << QString(QChar(0xE000))
          << QString(QChar(0xFFFD));
    return texts;
}

class CollationOrderTest : public ::testing::TestWithParam<const char*> {
protected:
    QLocale Locale() const { return QLocale(QString::fromLatin1(GetParam())); }
};

TEST_P(CollationOrderTest, everyPairOfHardTextsOrdersAsQCollator)
{
    const QStringList texts = HardTexts();
    QCollator collator(Locale());
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> reference;
    TCollationKeys keys(Locale());
    for (int i = 0; i < texts.size(); ++i) {
        reference.push_back(collator.sortKey(texts[i]));
        keys.AddSlot();
        keys.Make(i, texts[i]);
    }
    for (int a = 0; a < texts.size(); ++a)
        for (int b = 0; b < texts.size(); ++b)
            EXPECT_EQ(keys.Compare(a, b), sign(reference[size_t(a)].compare(reference[size_t(b)])))
                << "\"" << texts[a].toStdString() << "\" vs \"" << texts[b].toStdString() << "\"";
}

TEST_P(CollationOrderTest, aColumnComparesNumbersThenDatesThenTextAndSortsStably)
{
    const QStringList texts = HardTexts();
    QCollator collator(Locale());
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const TShortDateFormat format = TShortDateFormat::FromLocale(Locale());
    // The comparison made from Qt's parts.
    const auto expected = [&](int a, int b) {
        long double x = 0;
        long double y = 0;
        if (TextToNumber(texts[a], x) && TextToNumber(texts[b], y))
            return x < y ? -1 : x > y ? 1 : 0;
        qint64 d = 0;
        qint64 e = 0;
        if (TextToDate(texts[a], format, d) && TextToDate(texts[b], format, e))
            return sign(int(std::clamp<qint64>(d - e, -1, 1)));
        return sign(collator.sortKey(texts[a]).compare(collator.sortKey(texts[b])));
    };
    TListSortKeys keys(Locale());
    for (const QString& text : texts)
        keys.Add(&text);
    keys.Add(nullptr); // a row without the cell equals every other
    const int count = int(texts.size());
    for (int a = 0; a < count; ++a) {
        EXPECT_EQ(keys.Compare(a, count), 0);
        for (int b = 0; b < count; ++b)
            EXPECT_EQ(sign(keys.Compare(a, b)), expected(a, b))
                << "\"" << texts[a].toStdString() << "\" vs \"" << texts[b].toStdString() << "\"";
    }
    EXPECT_EQ(StableOrder(count, [&](int a, int b) { return keys.Compare(a, b); }),
        StableOrder(count, expected));
}

INSTANTIATE_TEST_SUITE_P(Locales, CollationOrderTest,
    ::testing::Values("C", "en_US", "de_DE", "sv_SE"),
    [](const ::testing::TestParamInfo<const char*>& info) {
        return QString::fromLatin1(info.param).remove('_').toStdString();
    });

TEST(CollationOrder, followsTheLocaleNotTheProcess)
{
    const QString z = QStringLiteral("z");
    const QString oUmlaut = QStringLiteral("ö");
    for (const char* name : { "sv_SE", "de_DE", "en_US" }) {
        TCollationKeys keys { QLocale(QString::fromLatin1(name)) };
        keys.AddSlot();
        keys.AddSlot();
        keys.Make(0, oUmlaut);
        keys.Make(1, z);
        // Swedish puts ö after z; German and English next to o.
        EXPECT_EQ(keys.Compare(0, 1), QByteArray(name) == "sv_SE" ? 1 : -1) << name;
    }
    TCollationKeys c { QLocale::c() };
    c.AddSlot();
    c.AddSlot();
    c.Make(0, QStringLiteral("a"));
    c.Make(1, QStringLiteral("B"));
    EXPECT_EQ(c.Compare(0, 1), 1); // code point order: capitals first
}

} // namespace
