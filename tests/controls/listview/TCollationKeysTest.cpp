// The collation keys against Qt's own collator: every pair of a set of hard texts must order
// exactly as QCollator's case-sensitive sort keys order it, in every locale. Random texts, and
// the column's choice between number, date and text, are the collation fuzz target's job; what
// a user sees of the locale is the sorting test's.
#include "controls/listview/TCollationKeys.h"

#include <QCollator>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

// Texts whose keys are easy to get wrong: ties between different code units, keys that differ
// only past their first 16 bytes, prefixes, case, accents composed and decomposed, characters
// beyond the BMP, U+0000, lone surrogates, noncharacters, numbers and a date.
QStringList HardTexts()
{
    QStringList texts = { QString(), "a", "A", "b", "B", "ab", "aB", "a b", "a-b", "a_b", "ä", "Ä",
        "a\u0308", "A\u0308", "o", "ö", "z", "Z", "ß", "ss", "ı", "I", "İ", "i", "東", "京", "-",
        " ", "0", "9", "10", "1.5", "-3", "1/2/2020", "$0A", "kworker/u16:1-events_unbound",
        "kworker/u16:10-events_unbound", "kworker/u16:2-events_unbound",
        "kworker/u16:1-events_unbounc", "python3.11", "Python3.11" };
    texts << QString::fromUcs4(U"\U0001F600") << QString::fromUcs4(U"a\U00020000")
          << QString::fromUcs4(U"a\U0001D400") << QString(QChar(0)) << QString("a") + QChar(0)
          << QString("a") + QChar(0) + "b" << QString(QChar(0xD800)) << QString(QChar(0xDFFF))
          << QString("x") + QChar(0xD800) << QString(QChar(0xFFFF)) << QString(QChar(0xE000))
          << QString(QChar(0xFFFD));
    return texts;
}

using CollationOrderTest = ::testing::TestWithParam<const char*>;

TEST_P(CollationOrderTest, everyPairOfHardTextsOrdersAsQCollator)
{
    const QStringList texts = HardTexts();
    const QLocale locale(QString::fromLatin1(GetParam()));
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> reference;
    TCollationKeys keys(locale);
    for (int i = 0; i < texts.size(); ++i) {
        reference.push_back(collator.sortKey(texts[i]));
        keys.AddSlot();
        keys.Make(i, texts[i]);
    }
    for (int a = 0; a < texts.size(); ++a)
        for (int b = 0; b < texts.size(); ++b) {
            const int order = reference[size_t(a)].compare(reference[size_t(b)]);
            EXPECT_EQ(keys.Compare(a, b), (order > 0) - (order < 0))
                << "\"" << texts[a].toStdString() << "\" vs \"" << texts[b].toStdString() << "\"";
        }
}

INSTANTIATE_TEST_SUITE_P(Locales, CollationOrderTest,
    ::testing::Values("C", "en_US", "de_DE", "sv_SE"),
    [](const ::testing::TestParamInfo<const char*>& info) {
        return QString::fromLatin1(info.param).remove('_').toStdString();
    });

} // namespace
